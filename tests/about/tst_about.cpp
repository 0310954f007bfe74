// The registry layer, the system-information launcher and the About dialog.
#include "about/AboutServices.h"
#include "about/GetKeyValue.h"
#include "about/StartSysInfo.h"
#include "about/frmAbout.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using B = QByteArray;
const QStringList Unavailable{"Tovi|此时系统信息不可用"};

// Answers like advapi32, names in any case, one key open at a time (every key exists).
struct FakeRegistry : Registry {
    QMap<B, QPair<quint32, B>> values; // "KEY|VALUE" in upper case
    B open;
    RegStatus openKey(RegKey root, const B &key, quint32, quint32, RegKey &result) override {
        open = key.toUpper() + '|';
        return (result = root == Reg::LocalMachine) ? Reg::Success : Reg::FileNotFound;
    }
    RegStatus queryValue(RegKey key, const B &name, quint32 &type, char *data,
                         quint32 &length) override {
        const auto found = values.constFind(open + name.toUpper());
        if (key != 1 || found == values.cend())
            return Reg::FileNotFound;
        type = found->first;
        if (std::exchange(length, quint32(found->second.size())) < length)
            return Reg::MoreData;
        std::copy(found->second.cbegin(), found->second.cend(), data);
        return Reg::Success;
    }
    RegStatus closeKey(RegKey key) override { return open.clear(), key == 1 ? 0 : 6; }
};

// The system's services with the messages noted and, when one is given, a fake registry.
std::unique_ptr<AboutServices> services(QStringList &messages, Registry *registry = nullptr) {
    auto about = makeSystemAboutServices();
    if (registry)
        about->registry.reset(registry);
    about->showMessage = [&messages](QWidget *, const QString &caption, const QString &text) {
        messages << caption + '|' + text;
    };
    return about;
}

} // namespace

class tst_about : public QObject {
    Q_OBJECT
private slots:
    void keyValue_data() {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("expected"); // "failed": GetKeyValue answers false
        const B full = B(1023, 'a') + '\0';
        QTest::newRow("1024 bytes read whole") << Reg::Sz << full << QString(1023, 'a');
        QTest::newRow("one byte more fails") << Reg::Sz << 'a' + full << "failed";
        QTest::newRow("one zero dropped") << Reg::Sz << B("\0\0", 2) << QString(QChar(0));
        QTest::newRow("dword") << Reg::Dword << B("\xef\xcd\xab\x12", 4) << "&h12ABCDEF";
        QTest::newRow("other type as passed") << Reg::ExpandSz << B("%x%") << "passed";
    }
    void keyValue() {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, expected);
        FakeRegistry registry;
        registry.values["K|V"] = {type, data};
        QString value = "passed";
        QCOMPARE(GetKeyValue(registry, Reg::LocalMachine, "k", "v", value), expected != "failed");
        QCOMPARE(value, expected == "failed" ? "" : expected);
        QVERIFY(registry.open.isEmpty()); // closed again
    }

    // The two values (%1: the row's folder) or, for "system", the Linux layer; the programs on
    // PATH ('-': not executable, '!': starting it throws) and the one started.
    void startSysInfo_data() {
        for (const char *column : {"path", "msinfo", "started"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<QStringList>("programs");
        const auto row = [](const char *name, const char *path, const char *msinfo,
                            const char *started, const QStringList &programs) {
            QTest::newRow(name) << QString(path) << QString(msinfo) << QString(started) << programs;
        };
        row("first value (hidden: not checked)", "%1/.s", "", ".s", {".s"});
        row("first value wins", "%1/.s", "%1", ".s", {".s", "MSINFO32.EXE"});
        row("second, MSINFO32.EXE", "", "%1", "MSINFO32.EXE", {"MSINFO32.EXE"});
        row("second, no MSINFO32.EXE", "", "%1", "", {"x"});
        row("second, a folder", "", "%1", "", {"MSINFO32.EXE/x"});
        row("neither", "", "", "", {"MSINFO32.EXE"});
        row("first will not start", "%1/none", "", "", {});
        row("starting throws", "%1/.s", "", "", {"!.s"});
        row("system: hardinfo first", "system", "", "hardinfo", {"kinfocenter", "hardinfo"});
    }
    void startSysInfo() {
        if (QSysInfo::productType() == "windows")
            QSKIP("The rows' programs are shell scripts on PATH; on Windows systemRegistry's "
                  "rows start a real program");
        QFETCH(QString, path);
        QFETCH(QString, msinfo);
        QFETCH(QString, started);
        QFETCH(QStringList, programs);
        QTemporaryDir dir;
        for (const QString &name : programs) { // builtins only, as PATH is bare
            QFile script(dir.filePath(name.sliced(name.startsWith('-') || name.startsWith('!'))));
            QVERIFY(QDir().mkpath(QFileInfo(script).path()) && script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\n: >\"$0.started\"\n");
            QVERIFY(name.startsWith('-') ||
                    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        }
        const auto restorePath = qScopeGuard([old = qgetenv("PATH")] { qputenv("PATH", old); });
        qputenv("PATH", QFile::encodeName(dir.path())); // only the row's programs
        auto *registry = path == "system" ? nullptr : new FakeRegistry;
        for (auto [value, text] :
             {std::pair{B("SOFTWARE\\MICROSOFT\\SHARED TOOLS\\MSINFO|PATH"), path},
              {"SOFTWARE\\MICROSOFT\\SHARED TOOLS LOCATION|MSINFO", msinfo}})
            if (registry && !text.isEmpty())
                registry->values[value] = {Reg::Sz,
                                           QFile::encodeName(text.replace("%1", dir.path()))};
        QStringList messages;
        auto about = services(messages, registry);
        if (!programs.filter("!").isEmpty())
            about->startProgram = [](const QString &) -> bool { throw std::runtime_error("no"); };
        StartSysInfo(*about, nullptr);
        if (!started.isEmpty())
            QTRY_VERIFY(QFile::exists(dir.filePath(started) + ".started"));
        QCOMPARE(messages, started.isEmpty() ? Unavailable : QStringList());
    }

    // The system's registry, written with reg.exe as a user or an installer would: a string in
    // the ANSI code page (936 on Chinese Windows), a DWORD, and the tool's path or folder,
    // from which 系统信息 starts a real program.
    void systemRegistry_data() {
        for (const char *column : {"key", "name", "type", "data", "read"})
            QTest::addColumn<QString>(column);
        const QString tool = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
        const QString folder = "SOFTWARE\\Microsoft\\Shared Tools Location";
        QTest::newRow("string in code page 936") << "SOFTWARE\\Quenzo"
                                                 << "名称"
                                                 << "REG_SZ"
                                                 << "系统信息"
                                                 << "系统信息";
        QTest::newRow("dword") << "SOFTWARE\\Quenzo"
                               << "v"
                               << "REG_DWORD"
                               << "0x1234"
                               << "&h00001234";
        QTest::newRow("tool's path, started") << tool << "PATH"
                                              << "REG_SZ"
                                              << "%1\\工具.exe"
                                              << "started %1\\工具.exe";
        QTest::newRow("tool's folder, started") << folder << "MSINFO"
                                                << "REG_SZ"
                                                << "%1"
                                                << "started %1\\MSINFO32.EXE";
    }
    void systemRegistry() {
        if (QSysInfo::productType() != "windows")
            QSKIP("Linux has no registry: its stand-in is startSysInfo's row \"system\"");
        if (qEnvironmentVariableIsEmpty("QUENZO_PRIVATE_WINE_PREFIX"))
            QSKIP("Writes below HKEY_LOCAL_MACHINE: only in scripts/test-windows' own Wine prefix");
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, data);
        QFETCH(QString, read);
        QTemporaryDir dir;
        const QString folder = QDir::toNativeSeparators(dir.path());
        for (const char *exe : {"工具.exe", "MSINFO32.EXE"})
            QVERIFY(QFile::copy(QUENZO_STARTED_PROGRAM, dir.filePath(exe)));
        const QString hklmKey = "HKLM\\" + key;
        QCOMPARE(QProcess::execute(
                     "reg", {"add", hklmKey, "/v", name, "/t", type, "/d", data.arg(folder), "/f"}),
                 0);
        const auto removeKey = qScopeGuard([&] {
            QProcess::execute("reg", {"delete", hklmKey, "/f"});
        });
        if (read.startsWith("started ")) {
            QStringList messages;
            StartSysInfo(*services(messages, makeSystemRegistry().release()), nullptr);
            QTRY_VERIFY(QFile::exists(read.mid(8).arg(folder) + ".started"));
            QCOMPARE(messages, QStringList());
        } else {
            QString value;
            const auto registry = makeSystemRegistry();
            QVERIFY(GetKeyValue(*registry, Reg::LocalMachine, key, name, value));
            QCOMPARE(value, read);
        }
    }

    // A new dialog each time, as per click in the window, with the texts of its load afresh.
    void dialogKeys() {
        QStringList messages;
        const auto about = services(messages, new FakeRegistry);
        for (const char *focus : {"cmdSysInfo", "cmdOK"}) { // Enter presses the one with the focus
            frmAbout dialog(*about);
            messages.clear();
            QCOMPARE(dialog.windowTitle() + dialog.findChild<QLabel *>("lblVersion")->text() +
                         dialog.findChild<QLabel *>("lblTitle")->text(),
                     "关于 Tovi版本 1.0.0Tovi");
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QCOMPARE(QApplication::focusWidget()->objectName(), "cmdOK");
            dialog.findChild<QPushButton *>(focus)->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(dialog.isVisible(), messages.size() == 1); // cmdSysInfo keeps it open
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        }
    }
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
