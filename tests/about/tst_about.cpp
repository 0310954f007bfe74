#include "about/AboutServices.h"
#include "about/GetKeyValue.h"
#include "about/KeyValueText.h"
#include "about/StartSysInfo.h"
#include "about/frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
using B = QByteArray;
const B ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const B FolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

// Keys and value names in upper case, answering like advapi32; notes the access asked.
struct FakeRegistry : Registry {
    QMap<B, QMap<B, QPair<quint32, B>>> keys;
    B openName;
    QList<quint32> access;
    RegStatus openKey(RegKey root, const B &key, quint32, quint32 mask, RegKey &result) override {
        access << mask;
        result = root == Reg::LocalMachine && keys.contains(key.toUpper());
        openName = result ? key.toUpper() : B();
        return result ? Reg::Success : Reg::FileNotFound;
    }
    RegStatus queryValue(RegKey key, const B &name, quint32 &type, char *data,
                         quint32 &length) override {
        const auto value = keys.value(openName).value(name.toUpper(), {0, "none"});
        if (key != 1 || value.second == "none")
            return Reg::FileNotFound;
        type = value.first;
        const bool fits = value.second.size() <= length;
        length = value.second.size();
        if (fits)
            std::copy(value.second.cbegin(), value.second.cend(), data);
        return fits ? Reg::Success : Reg::MoreData;
    }
    RegStatus closeKey(RegKey key) override {
        openName.clear();
        return key == 1 ? Reg::Success : Reg::InvalidHandle;
    }
};

// A stand-in program that leaves "<its path>.started"; a builtin, as PATH may be bare.
void writeScript(const QString &path, bool executable = true) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n: >\"$0.started\"\n");
    file.close();
    QVERIFY(!executable || file.setPermissions(file.permissions() | QFile::ExeOwner));
}

struct Services {
    std::unique_ptr<AboutServices> about = makeSystemAboutServices();
    QStringList messages;
    explicit Services(std::unique_ptr<Registry> registry = nullptr) {
        if (registry)
            about->registry = std::move(registry);
        about->showMessage = [this](QWidget *, const QString &caption, const QString &text) {
            messages << caption + '|' + text;
        };
    }
};
const QStringList Unavailable{"Tovi|此时系统信息不可用"};
} // namespace

class AboutTest : public QObject {
    Q_OBJECT
private slots:
    void keyValue_data();
    void keyValue();
    void startSysInfo_data();
    void startSysInfo();
    void linuxRegistry_data();
    void linuxRegistry();
    void dialogKeys_data();
    void dialogKeys();
};

void AboutTest::keyValue_data() {
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expected");
    const B full = B(1023, 'a') + '\0';
    QTest::newRow("1024 bytes read whole") << Reg::Sz << full << true << QString(1023, 'a');
    QTest::newRow("one byte more fails") << Reg::Sz << 'a' + full << false << "";
    QTest::newRow("one zero dropped") << Reg::Sz << B("\0\0", 2) << true << QString(QChar(0));
    QTest::newRow("no zero") << Reg::Sz << B("ab") << true << "ab";
    QTest::newRow("empty value") << Reg::Sz << B() << true << "";
    QTest::newRow("dword") << Reg::Dword << B("\xef\xcd\xab\0", 4) << true << "&h00ABCDEF";
    QTest::newRow("other type as passed") << Reg::ExpandSz << B("%x%") << true << "passed";
}

void AboutTest::keyValue() {
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(bool, ok);
    QFETCH(QString, expected);
    if (ok)
        QCOMPARE(keyValueText(type, data, "passed"), expected);
    FakeRegistry registry;
    registry.keys["K"]["V"] = {type, data};
    QString value = "passed";
    QCOMPARE(GetKeyValue(registry, Reg::LocalMachine, "k", "v", value), ok);
    QCOMPARE(value, expected);
    QCOMPARE(registry.access, QList<quint32>{Reg::QueryValue | Reg::ReadControl});
    QVERIFY(registry.openName.isEmpty());
}

// "%1" stands for the row's temporary folder, where the stand-in is written as "script".
void AboutTest::startSysInfo_data() {
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("started");
    // A hidden file fails the file test: starting it shows that the path was not checked.
    QTest::newRow("first value") << B("%1/.s") << B() << ".s" << true;
    QTest::newRow("first value wins") << B("%1/.s") << B("%1") << ".s" << true;
    QTest::newRow("second, MSINFO32.EXE") << B() << B("%1") << "MSINFO32.EXE" << true;
    QTest::newRow("second, no MSINFO32.EXE") << B() << B("%1") << "x" << false;
    QTest::newRow("second, MSINFO32.EXE a folder") << B() << B("%1") << "MSINFO32.EXE/x" << false;
    QTest::newRow("neither") << B() << B() << "MSINFO32.EXE" << false;
    QTest::newRow("first will not start") << B("%1/none") << B() << "x" << false;
}

void AboutTest::startSysInfo() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, script);
    QFETCH(bool, started);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QFileInfo(dir.filePath(script)).path()));
    writeScript(dir.filePath(script));
    auto registry = std::make_unique<FakeRegistry>();
    const B folder = QFile::encodeName(dir.path());
    if (!first.isEmpty())
        registry->keys[ToolKey.toUpper()]["PATH"] = {Reg::Sz, first.replace("%1", folder)};
    if (!second.isEmpty())
        registry->keys[FolderKey.toUpper()]["MSINFO"] = {Reg::Sz, second.replace("%1", folder)};

    Services services(std::move(registry));
    StartSysInfo(*services.about, nullptr);
    if (started)
        QTRY_VERIFY(QFile::exists(dir.filePath(script) + ".started"));
    QCOMPARE(services.messages, started ? QStringList() : Unavailable);
}

void AboutTest::linuxRegistry_data() {
    QTest::addColumn<QStringList>("programs"); // '-' first: not executable
    QTest::addColumn<QString>("expected");
    QTest::newRow("hardinfo first") << QStringList{"kinfocenter", "hardinfo"} << "hardinfo";
    QTest::newRow("non-executable skipped")
        << QStringList{"-hardinfo", "kinfocenter"} << "kinfocenter";
    QTest::newRow("neither") << QStringList{"-hardinfo"} << "";
}

// Read through GetKeyValue, with PATH on a temporary folder.
void AboutTest::linuxRegistry() {
    QFETCH(QStringList, programs);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    for (const QString &name : programs)
        writeScript(dir.filePath(name.sliced(name.startsWith('-'))), !name.startsWith('-'));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()));
    const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });

    Services services;
    QString value;
    QCOMPARE(GetKeyValue(*services.about->registry, Reg::LocalMachine, ToolKey, "Path", value),
             !expected.isEmpty());
    QCOMPARE(value, expected.isEmpty() ? "" : dir.filePath(expected));
    RegKey key = 0; // write rights are refused, as to an ordinary user
    QCOMPARE(services.about->registry->openKey(Reg::LocalMachine, ToolKey, 0, 0x2003F, key),
             Reg::AccessDenied);
    QCOMPARE(services.about->registry->openKey(Reg::LocalMachine, FolderKey, 0, 1, key),
             Reg::FileNotFound);
}

void AboutTest::dialogKeys_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Esc") << "cmdOK" << int(Qt::Key_Escape) << true;
    QTest::newRow("Enter") << "cmdOK" << int(Qt::Key_Return) << true;
    QTest::newRow("Enter presses cmdSysInfo") << "cmdSysInfo" << int(Qt::Key_Return) << false;
}

// Every row shows a new dialog, as every click of the window's button does, and finds
// the texts of its load step afresh.
void AboutTest::dialogKeys() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(bool, closes);
    Services services(std::make_unique<FakeRegistry>());
    frmAbout dialog(*services.about);
    QCOMPARE(dialog.windowTitle(), "关于 Tovi");
    QCOMPARE(dialog.findChild<QLabel *>("lblVersion")->text(), "版本 1.0.0");
    QCOMPARE(dialog.findChild<QLabel *>("lblTitle")->text(), "Tovi");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), dialog.findChild<QPushButton *>("cmdOK"));
    dialog.findChild<QPushButton *>(focus)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(dialog.isVisible(), !closes);
    QCOMPARE(services.messages, closes ? QStringList() : Unavailable);
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
