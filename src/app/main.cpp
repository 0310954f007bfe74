#include "app/AppSetup.h"
#include "app/Form1.h"

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char *argv[]) {
    int code = 0;
    {
        QApplication app(argc, argv);
        QGuiApplication::setDesktopFileName(QStringLiteral("org.quenzo.quenzo"));
        installChineseFonts(app);
        installQtTranslations(app);
        const auto scratch = keepNoSettings();

        Form1 window;
        window.show();
        code = app.exec();
    }
    endProcess(code);
}
