#include "app/AppSetup.h"

#include "app/FontStandIns.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>

void installChineseFonts(QApplication &app) {
    for (const FontStandIn &font : chineseFontStandIns())
        QFont::insertSubstitutions(font.family, font.standIns);
    app.setFont(QFont(QStringLiteral("宋体"), 9));
}

void installQtTranslations(QApplication &app) {
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

void keepNoSettings() {
    static const QTemporaryDir scratch; // removed when the program ends
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, scratch.path());
}
