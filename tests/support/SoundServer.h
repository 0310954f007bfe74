#pragma once
// A PulseAudio server of the calling process's own, whose null sinks come and go as a test
// says, and which can end and start again.

#include <QtTest>

#include <signal.h>

struct SoundServer {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QMap<QString, QString> modules;         // by sink
    QList<std::shared_ptr<QProcess>> awake; // the clients that keep each sink awake

    // Null sinks named as given, the first the default.
    bool start(const QStringList &sinks) {
        env.insert("PULSE_RUNTIME_PATH", dir.filePath("run"));
        env.insert("PULSE_STATE_PATH", dir.filePath("state"));
        env.insert("PULSE_SERVER", "unix:" + dir.filePath("run/native"));
        for (const char *name : {"PULSE_RUNTIME_PATH", "PULSE_STATE_PATH", "PULSE_SERVER"})
            qputenv(name, env.value(name).toUtf8());
        if (run("pulseaudio",
                {"-D", "-n", "-L", "module-native-protocol-unix", "--exit-idle-time=-1"}) != 0 ||
            !QTest::qWaitFor([this] { return run("pactl", {"info"}) == 0; }, 10000))
            return false;
        for (const QString &sink : sinks)
            if (!addSink(sink))
                return false;
        return run("pactl", {"set-default-sink", sinks.value(0)}) == 0;
    }
    ~SoundServer() { stop(); }
    void stop() {
        hang(false);
        for (const auto &p : std::exchange(awake, {})) {
            p->kill();
            p->waitForFinished();
        }
        modules.clear(); // a new server numbers its modules afresh
        run("pulseaudio", {"-k"});
    }

    // Kept awake by a low-latency stream of silence: a new stream starts within tens of
    // milliseconds, not seconds.
    bool addSink(const QString &name) {
        QProcess load;
        if (run("pactl", {"load-module", "module-null-sink", "sink_name=" + name}, &load) != 0)
            return false;
        modules[name] = load.readAllStandardOutput().trimmed();
        awake << std::make_shared<QProcess>();
        awake.last()->setProcessEnvironment(env);
        awake.last()->setStandardInputFile("/dev/zero");
        awake.last()->start("pacat", {"--latency-msec=20", "-d", name});
        return awake.last()->waitForStarted();
    }
    bool removeSink(const QString &name) {
        return run("pactl", {"unload-module", modules.take(name)}) == 0;
    }
    // Stops the server where it stands, as a server that no longer answers, or lets it go on.
    void hang(bool stopped) {
        QFile pid(dir.filePath("run/pid"));
        if (pid.open(QIODevice::ReadOnly))
            ::kill(pid.readAll().trimmed().toInt(), stopped ? SIGSTOP : SIGCONT);
    }
    bool setDefault(const QString &name) { return run("pactl", {"set-default-sink", name}) == 0; }
    // The index of the program's stream, or -1: while it stays, the server plays the same one.
    int streamIndex() {
        QProcess list; // nothing read, when it fails
        run("pactl", {"-f", "json", "list", "sink-inputs"}, &list);
        for (const QJsonValue in : QJsonDocument::fromJson(list.readAllStandardOutput()).array())
            if (in["properties"]["application.name"] == "Quenzo")
                return in["index"].toInt();
        return -1;
    }
    int run(const QString &program, const QStringList &args, QProcess *p = nullptr) {
        QProcess own;
        p = p ? p : &own;
        p->setProcessEnvironment(env);
        p->start(program, args);
        return p->waitForFinished(10000) && p->exitStatus() == QProcess::NormalExit ? p->exitCode()
                                                                                    : -1;
    }
};

// Whether a sink's monitor has carried more than silence since the listening began.
struct Listening {
    Listening(SoundServer &server, const QString &sink) {
        parec.setProcessEnvironment(server.env);
        QObject::connect(&parec, &QProcess::readyReadStandardOutput, &parec, [this] {
            const QByteArray pcm = parec.readAllStandardOutput();
            recording = true;
            const auto *s = reinterpret_cast<const qint16 *>(pcm.constData());
            for (qsizetype i = 0; i < pcm.size() / 2 && !heard; ++i)
                heard = std::abs(s[i]) > 100;
        });
        parec.start("parec", {"--latency-msec=20", "-d", sink + ".monitor"});
    }
    ~Listening() {
        parec.kill();
        parec.waitForFinished();
    }
    QProcess parec;
    bool recording = false, heard = false;
};
