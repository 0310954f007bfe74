// The registry layer, and the system-information launcher behind the About dialog's 系统信息
// (the dialog's texts: tst_Form1).
#include "about/AboutServices.h"
#include "about/GetKeyValue.h"
#include "about/StartSysInfo.h"
#include "about/frmAbout.h"

#include "support/Fakes.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using B = QByteArray;

// Like advapi32 below HKEY_LOCAL_MACHINE, one key open at a time as handle 1, in any case.
struct FakeRegistry : Registry {
    QMap<QPair<B, B>, QPair<quint32, B>> values; // (key, value name) in upper case
    B openKey_;
    RegStatus openKey(RegKey root, const B &key, quint32, quint32, RegKey &result) override {
        openKey_ = root == Reg::LocalMachine ? key.toUpper() : B();
        result = root == Reg::LocalMachine;
        return result ? Reg::Success : Reg::FileNotFound;
    }
    RegStatus queryValue(RegKey key, const B &name, quint32 &type, char *data,
                         quint32 &length) override {
        const auto found = values.constFind({openKey_, name.toUpper()});
        if (key != 1 || found == values.cend())
            return Reg::FileNotFound;
        const quint32 size = quint32(found->second.size());
        if (std::exchange(length, size) < size)
            return Reg::MoreData;
        type = found->first;
        std::copy(found->second.cbegin(), found->second.cend(), data);
        return Reg::Success;
    }
    RegStatus closeKey(RegKey key) override {
        openKey_.clear();
        return key == 1 ? Reg::Success : Reg::InvalidHandle;
    }
};

// The system's services, maybe on another registry: the message boxes' captions and texts
// noted, the programs it tries to start counted, and each try throwing if asked.
struct Services {
    explicit Services(Registry *registry = nullptr, bool throws = false) {
        if (registry)
            about->registry.reset(registry);
        about->showMessage = [this](QWidget *, const QString &caption, const QString &text) {
            captions << caption;
            texts << text;
        };
        about->startProgram = [this, throws, start = about->startProgram](const QString &path) {
            ++tries;
            return throws ? throw std::runtime_error("no") : start(path);
        };
    }
    std::unique_ptr<AboutServices> about = makeSystemAboutServices();
    QStringList captions, texts;
    int tries = 0;
};
} // namespace

class tst_about : public QObject {
    Q_OBJECT
private slots:
    void keyValue_data() {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("value");
        const B full = B(1023, 'a') + '\0';
        QTest::newRow("1024 bytes read whole") << Reg::Sz << full << true << QString(1023, 'a');
        QTest::newRow("one byte more fails") << Reg::Sz << 'a' + full << false << "";
        QTest::newRow("one zero dropped") << Reg::Sz << B("\0\0", 2) << true << QString(QChar(0));
        QTest::newRow("dword") << Reg::Dword << B("\xef\xcd\xab\x12", 4) << true << "&h12ABCDEF";
        QTest::newRow("other type as passed") << Reg::ExpandSz << B("%x%") << true << "passed";
    }
    void keyValue() {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        FakeRegistry registry;
        registry.values[{"K", "V"}] = {type, data};
        QString value = "passed";
        QTEST(GetKeyValue(registry, Reg::LocalMachine, "k", "v", value), "read");
        QTEST(value, "value");
        QVERIFY2(registry.openKey_.isEmpty(), "the key was not closed");
    }

    // The two values (%1: the row's folder), its programs, and the one started or the message;
    // tries: to start a program, never a folder or nothing found; throws: starting throws.
    void startSysInfo_data() {
        addTable(R"(
row                                        | path         | msinfo | programs                | started      | tries | throws
first value, a hidden file: not looked up  | %1/.s.exe    |        | .s.exe                  | .s.exe       | 1     |
first value wins                           | %1/.s.exe    | %1     | .s.exe, MSINFO32.EXE    | .s.exe       | 1     |
second, MSINFO32.EXE                       |              | %1     | MSINFO32.EXE            | MSINFO32.EXE | 1     |
second, no MSINFO32.EXE                    |              | %1     | x.exe                   |              | 0     |
second, a folder                           |              | %1     | MSINFO32.EXE/x.exe      |              | 0     |
neither                                    |              |        | MSINFO32.EXE            |              | 0     |
first will not start                       | %1/none.exe  |        |                         |              | 1     |
starting throws                            | %1/.s.exe    |        | .s.exe                  |              | 1     | yes
system: hardinfo first                     | system       |        | kinfocenter, hardinfo   | hardinfo     | 1     |
)");
    }
    void startSysInfo() {
        QFETCH(QString, path);
        QFETCH(QString, msinfo);
        QFETCH(QString, programs);
        QFETCH(QString, throws);
        QFETCH(QString, started);
        const bool system = path == "system"; // the Linux stand-in, which looks on PATH
        if (system && QSysInfo::productType() == "windows")
            QSKIP("The stand-in for a registry is Linux's");
        QTemporaryDir dir;
        for (const QString &name : programs.split(", ", Qt::SkipEmptyParts)) // stand-in copies
            QVERIFY(QDir().mkpath(QFileInfo(dir.filePath(name)).path()) &&
                    QFile::copy(QUENZO_STARTED_PROGRAM, dir.filePath(name)));
        const auto restorePath = qScopeGuard([old = qgetenv("PATH")] { qputenv("PATH", old); });
        if (system) // only the row's programs
            qputenv("PATH", QFile::encodeName(dir.path()));
        auto *registry = system ? nullptr : new FakeRegistry;
        for (const auto &[key, name, text] :
             {std::tuple<B, B, QString>{"SOFTWARE\\MICROSOFT\\SHARED TOOLS\\MSINFO", "PATH", path},
              {"SOFTWARE\\MICROSOFT\\SHARED TOOLS LOCATION", "MSINFO", msinfo}})
            if (registry && !text.isEmpty())
                registry->values[{key, name}] = {Reg::Sz, QFile::encodeName(text.arg(dir.path()))};
        Services services(registry, throws == "yes");
        frmAbout dialog(*services.about, nullptr);
        dialog.findChild<QPushButton *>("cmdSysInfo")->click();
        QTEST_TEXT(QString::number(services.tries), "tries");
        if (!started.isEmpty())
            QTRY_VERIFY2(QFile::exists(dir.filePath(started) + ".started"), "not started");
        QCOMPARE_TEXT(services.texts.join('\n'), started.isEmpty() ? "此时系统信息不可用" : "");
        QCOMPARE_TEXT(services.captions.join('\n'), started.isEmpty() ? "Tovi" : "");
    }
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
