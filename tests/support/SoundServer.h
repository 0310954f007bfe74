#pragma once
// A PulseAudio server of the calling process's own, whose null sinks come and go as a test
// says: started before the process first uses sound, since Qt looks for a server only once.

#include <QtTest>

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
        for (const auto &p : std::exchange(awake, {})) {
            p->kill();
            p->waitForFinished();
        }
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
    int run(const QString &program, const QStringList &args, QProcess *p = nullptr) {
        QProcess own;
        p = p ? p : &own;
        p->setProcessEnvironment(env);
        p->start(program, args);
        return p->waitForFinished(10000) && p->exitStatus() == QProcess::NormalExit ? p->exitCode()
                                                                                    : -1;
    }
};
