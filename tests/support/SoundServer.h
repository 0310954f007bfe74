#pragma once
// A PulseAudio server of the calling process's own, whose null sinks come and go as a test
// says: started before the process first uses sound, since Qt looks for a server only once.

#include <QtTest>

struct SoundServer {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QMap<QString, QString> modules;                    // by sink
    QList<std::shared_ptr<QProcess>> awake, recorders; // clients
    QMap<QString, QByteArray> heard;                   // by sink: 16-bit stereo at 44.1 kHz

    // Null sinks named as given, the first the default.
    bool start(const QStringList &sinks) {
        env.insert("PULSE_RUNTIME_PATH", dir.filePath("run"));
        env.insert("PULSE_STATE_PATH", dir.filePath("state"));
        env.insert("PULSE_SERVER", "unix:" + dir.filePath("run/native"));
        for (const char *name : {"PULSE_RUNTIME_PATH", "PULSE_STATE_PATH", "PULSE_SERVER"})
            qputenv(name, env.value(name).toUtf8());
        if (!writeConfig() ||
            run("pulseaudio",
                {"-D", "-n", "-F", dir.filePath("server.pa"), "--exit-idle-time=-1"}) != 0 ||
            !QTest::qWaitFor([this] { return run("pactl", {"info"}) == 0; }, 10000))
            return false;
        for (const QString &sink : sinks)
            if (!addSink(sink))
                return false;
        return run("pactl", {"set-default-sink", sinks.value(0)}) == 0;
    }
    bool writeConfig() {
        QFile config(dir.filePath("server.pa"));
        return config.open(QIODevice::WriteOnly) &&
               config.write("load-module module-native-protocol-unix\n") > 0;
    }
    ~SoundServer() { stop(); }
    void stop() {
        end(recorders);
        end(awake);
        run("pulseaudio", {"-k"});
    }
    static void end(QList<std::shared_ptr<QProcess>> &processes) {
        for (const auto &p : std::exchange(processes, {})) {
            p->kill();
            p->waitForFinished();
        }
    }

    // Kept awake by a low-latency stream of silence: a new stream starts within tens of
    // milliseconds, not seconds.
    bool addSink(const QString &name) {
        QProcess load;
        modules[name] =
            run("pactl", {"load-module", "module-null-sink", "sink_name=" + name}, &load) == 0
                ? load.readAllStandardOutput().trimmed()
                : QString();
        return !modules[name].isEmpty() &&
               client(awake, "pacat", {"--latency-msec=20", "-d", name})->waitForStarted();
    }
    bool removeSink(const QString &name) {
        return run("pactl", {"unload-module", modules.take(name)}) == 0;
    }
    // The sink's sound from now on, into heard[sink] as it comes, until recorders are ended.
    bool record(const QString &sink) {
        QProcess *parec = client(recorders, "parec", {"-d", sink + ".monitor", "--rate=44100"});
        QObject::connect(parec, &QProcess::readyReadStandardOutput, parec,
                         [this, parec, sink] { heard[sink] += parec->readAllStandardOutput(); });
        return parec->waitForStarted();
    }

    int run(const QString &program, const QStringList &args, QProcess *p = nullptr) {
        QProcess own;
        p = p ? p : &own;
        p->setProcessEnvironment(env);
        p->start(program, args);
        return p->waitForFinished(10000) && p->exitStatus() == QProcess::NormalExit ? p->exitCode()
                                                                                    : -1;
    }
    QProcess *client(QList<std::shared_ptr<QProcess>> &list, const QString &program,
                     const QStringList &args) {
        auto p = std::make_shared<QProcess>();
        p->setProcessEnvironment(env);
        p->setStandardInputFile("/dev/zero"); // the silence a keep-awake stream plays
        p->start(program, QStringList{"--latency-msec=20"} + args);
        list << p;
        return p.get();
    }
};

// Where in pcm (in frames) a sound louder than silence is first heard, or -1.
inline qint64 firstSound(const QByteArray &pcm) {
    const auto *s = reinterpret_cast<const qint16 *>(pcm.constData());
    for (qint64 i = 0; i < pcm.size() / 2; ++i)
        if (std::abs(s[i]) > 100)
            return i / 2;
    return -1;
}
