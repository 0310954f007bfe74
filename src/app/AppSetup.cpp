#include "app/AppSetup.h"

#include "app/FontStandIns.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

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

std::unique_ptr<QTemporaryDir> keepNoSettings() {
    auto scratch = std::make_unique<QTemporaryDir>();
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, scratch->path());
    return scratch;
}

void endProcess(int code) {
    std::fflush(nullptr);
#ifdef __SANITIZE_ADDRESS__
    __lsan_do_leak_check(); // what exit would have checked; a leak ends the process here
#endif
    std::_Exit(code);
}
