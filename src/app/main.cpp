#include "app/AppSetup.h"
#include "app/Form1.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quenzo.quenzo"));
    installChineseFonts(app);
    installQtTranslations(app);
    keepNoSettings();

    Form1 window;
    window.show();
    return app.exec();
}
