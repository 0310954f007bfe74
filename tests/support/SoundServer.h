#pragma once
// A PulseAudio server of the calling process's own, whose null sinks come and go as a test
// says: started before the process first uses sound, since Qt looks for a server only once.

#include <QtTest>

struct SoundServer {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QList<std::shared_ptr<QProcess>> clients; // the keep-awake streams
    QList<std::shared_ptr<QProcess>> recorders;
    QMap<QString, QByteArray> heard; // by sink: 16-bit stereo at 44.1 kHz

    // Null sinks named as given, the first the default, each kept awake by a low-latency
    // stream of silence so that a new stream starts within tens of milliseconds, not seconds.
    bool start(const QStringList &sinks) {
        const QString runtime = dir.filePath("run");
        env.insert("PULSE_RUNTIME_PATH", runtime);
        env.insert("PULSE_STATE_PATH", dir.filePath("state"));
        env.insert("PULSE_SERVER", "unix:" + runtime + "/native");
        for (const char *name : {"PULSE_RUNTIME_PATH", "PULSE_STATE_PATH", "PULSE_SERVER"})
            qputenv(name, env.value(name).toUtf8());
        QFile config(dir.filePath("server.pa"));
        if (!QDir().mkpath(runtime) || !config.open(QIODevice::WriteOnly))
            return false;
        config.write("load-module module-native-protocol-unix\n");
        config.close();
        if (run("pulseaudio", {"-D", "-n", "-F", config.fileName(), "--exit-idle-time=-1",
                               "--log-target=file:" + dir.filePath("log")}) != 0 ||
            !QTest::qWaitFor([this] { return run("pactl", {"info"}) == 0; }, 10000))
            return false;
        return std::all_of(sinks.cbegin(), sinks.cend(),
                           [this](const QString &sink) { return addSink(sink); }) &&
               run("pactl", {"set-default-sink", sinks.value(0)}) == 0;
    }
    ~SoundServer() { stop(); }
    void stop() {
        stopRecording();
        end(clients);
        run("pulseaudio", {"-k"});
    }
    void stopRecording() { end(recorders); }
    static void end(QList<std::shared_ptr<QProcess>> &processes) {
        for (const auto &p : processes) {
            p->kill();
            p->waitForFinished();
        }
        processes.clear();
    }

    bool addSink(const QString &name) {
        return run("pactl", {"load-module", "module-null-sink", "sink_name=" + name, "rate=44100",
                             "channels=2"}) == 0 &&
               client("pacat", {"--latency-msec=20", "-d", name}, "/dev/zero");
    }
    bool removeSink(const QString &name) {
        QProcess list;
        list.setProcessEnvironment(env);
        list.start("pactl", {"list", "short", "modules"});
        list.waitForFinished();
        for (const QString &line : QString(list.readAllStandardOutput()).split('\n'))
            if (line.contains("sink_name=" + name + " "))
                return run("pactl", {"unload-module", line.section('\t', 0, 0)}) == 0;
        return false;
    }
    // The sink's sound from now on, into heard[sink] as it comes, until recorders are let go.
    bool record(const QString &sink) {
        heard[sink].clear();
        if (!client("parec", {"--latency-msec=20", "-d", sink + ".monitor", "--format=s16le",
                              "--rate=44100", "--channels=2"}))
            return false;
        recorders << clients.takeLast();
        QProcess *parec = recorders.last().get();
        QObject::connect(parec, &QProcess::readyReadStandardOutput, parec,
                         [this, parec, sink] { heard[sink] += parec->readAllStandardOutput(); });
        return true;
    }

    int run(const QString &program, const QStringList &args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(program, args);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode()
                                                                                  : -1;
    }
    bool client(const QString &program, const QStringList &args, const QString &input = {}) {
        auto p = std::make_shared<QProcess>();
        p->setProcessEnvironment(env);
        if (!input.isEmpty())
            p->setStandardInputFile(input);
        p->start(program, args);
        clients << p;
        return p->waitForStarted();
    }
};

// Where in pcm (in frames) a sound louder than silence is first heard, or -1.
inline qint64 firstSound(const QByteArray &pcm, qint64 fromFrame = 0) {
    const auto *s = reinterpret_cast<const qint16 *>(pcm.constData());
    for (qint64 i = fromFrame * 2; i < pcm.size() / 2; ++i)
        if (std::abs(s[i]) > 100)
            return i / 2;
    return -1;
}
