#include "about/AboutServices.h"
#include "about/GetKeyValue.h"
#include "about/StartSysInfo.h"
#include "about/frmAbout.h"

#include <QtTest>
#include <QtWidgets>

namespace {
using B = QByteArray;
const QStringList Unavailable{"Tovi|此时系统信息不可用"};

// Answers like advapi32 to an ordinary user: names in any case, no write rights.
struct FakeRegistry : Registry {
    QMap<B, QMap<B, QPair<quint32, B>>> keys; // in upper case
    B open;
    RegStatus openKey(RegKey root, const B &key, quint32, quint32 mask, RegKey &result) override {
        if (mask & ~(Reg::QueryValue | Reg::ReadControl))
            return Reg::AccessDenied;
        result = root == Reg::LocalMachine && keys.contains(key.toUpper());
        open = result ? key.toUpper() : B();
        return result ? Reg::Success : Reg::FileNotFound;
    }
    RegStatus queryValue(RegKey key, const B &name, quint32 &type, char *data,
                         quint32 &length) override {
        const auto value = keys.value(open).value(name.toUpper(), {0, "none"});
        if (key != 1 || value.second == "none")
            return Reg::FileNotFound;
        type = value.first;
        const bool fits = value.second.size() <= length;
        length = value.second.size();
        if (fits)
            std::copy(value.second.cbegin(), value.second.cend(), data);
        return fits ? Reg::Success : Reg::MoreData;
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

class AboutTest : public QObject {
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
        QTest::newRow("no zero") << Reg::Sz << B("ab") << "ab";
        QTest::newRow("empty value") << Reg::Sz << B() << "";
        QTest::newRow("dword") << Reg::Dword << B("\xef\xcd\xab\x12", 4) << "&h12ABCDEF";
        QTest::newRow("other type as passed") << Reg::ExpandSz << B("%x%") << "passed";
    }
    void keyValue() {
        QFETCH(quint32, type);
        QFETCH(QString, expected);
        FakeRegistry registry;
        QFETCH(QByteArray, data);
        registry.keys["K"]["V"] = {type, data};
        QString value = "passed";
        QCOMPARE(GetKeyValue(registry, Reg::LocalMachine, "k", "v", value), expected != "failed");
        QCOMPARE(value, expected == "failed" ? "" : expected);
        QVERIFY(registry.open.isEmpty()); // closed again
    }

    // Values of the tool's key and of the folder key, %1 the row's folder; "system": the
    // system's registry with PATH on that folder. Programs written there, '-' first: not
    // executable; started: the one that must leave its mark, none: the message instead.
    void startSysInfo_data() {
        for (const char *column : {"path", "msinfo", "started"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<QStringList>("programs");
        const auto row = [](const char *name, const char *path, const char *msinfo,
                            const char *started, const QStringList &programs) {
            QTest::newRow(name) << QString(path) << QString(msinfo) << QString(started) << programs;
        };
        // A hidden file fails the file test: starting it shows that the path was not checked.
        row("first value", "%1/.s", "", ".s", {".s"});
        row("first value wins", "%1/.s", "%1", ".s", {".s", "MSINFO32.EXE"});
        row("second, MSINFO32.EXE", "", "%1", "MSINFO32.EXE", {"MSINFO32.EXE"});
        row("second, no MSINFO32.EXE", "", "%1", "", {"x"});
        row("second, a folder", "", "%1", "", {"MSINFO32.EXE/x"});
        row("neither", "", "", "", {"MSINFO32.EXE"});
        row("first will not start", "%1/none", "", "", {});
        row("system: hardinfo first", "system", "", "hardinfo", {"kinfocenter", "hardinfo"});
        row("system: not executable", "system", "", "kinfocenter", {"-hardinfo", "kinfocenter"});
        row("system: neither", "system", "", "", {"-hardinfo"});
    }
    void startSysInfo() {
        QFETCH(QString, path);
        QFETCH(QString, msinfo);
        QFETCH(QString, started);
        QFETCH(QStringList, programs);
        QTemporaryDir dir;
        for (const QString &name : programs) {
            const QString file = dir.filePath(name.sliced(name.startsWith('-')));
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            QFile script(file); // a builtin only, as PATH is bare
            QVERIFY(script.open(QIODevice::WriteOnly) &&
                    script.write("#!/bin/sh\n: >\"$0.started\"\n"));
            QVERIFY(name.startsWith('-') ||
                    script.setPermissions(script.permissions() | QFile::ExeOwner));
        }
        qputenv("PATH", QFile::encodeName(dir.path()));
        auto *registry = path == "system" ? nullptr : new FakeRegistry;
        const auto value = [&dir](QString v) {
            return QFile::encodeName(v.replace("%1", dir.path()));
        };
        if (registry && !path.isEmpty())
            registry->keys["SOFTWARE\\MICROSOFT\\SHARED TOOLS\\MSINFO"]["PATH"] = {Reg::Sz,
                                                                                   value(path)};
        if (registry && !msinfo.isEmpty())
            registry->keys["SOFTWARE\\MICROSOFT\\SHARED TOOLS LOCATION"]["MSINFO"] = {
                Reg::Sz, value(msinfo)};
        QStringList messages;
        StartSysInfo(*services(messages, registry), nullptr);
        if (!started.isEmpty())
            QTRY_VERIFY(QFile::exists(dir.filePath(started) + ".started"));
        QCOMPARE(messages, started.isEmpty() ? Unavailable : QStringList());
    }

    // Every row shows a new dialog, as every click of the window's button does, and finds
    // the texts of its load step afresh.
    void dialogKeys_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::newRow("Esc closes") << "cmdOK" << int(Qt::Key_Escape);
        QTest::newRow("Enter closes") << "cmdOK" << int(Qt::Key_Return);
        QTest::newRow("Enter presses cmdSysInfo") << "cmdSysInfo" << int(Qt::Key_Return);
    }
    void dialogKeys() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QStringList messages;
        const auto about = services(messages, new FakeRegistry);
        frmAbout dialog(*about);
        QCOMPARE(dialog.windowTitle(), "关于 Tovi");
        QCOMPARE(dialog.findChild<QLabel *>("lblVersion")->text(), "版本 1.0.0");
        QCOMPARE(dialog.findChild<QLabel *>("lblTitle")->text(), "Tovi");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.findChild<QPushButton *>("cmdOK"));
        dialog.findChild<QPushButton *>(focus)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(dialog.isVisible(), focus == "cmdSysInfo");
        QCOMPARE(messages, dialog.isVisible() ? Unavailable : QStringList());
    }
};

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
