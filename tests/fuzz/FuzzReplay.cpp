// Runs the fuzz target once over every file of the corpus folders given (the committed
// seed corpus when none is given), so the normal build replays what the fuzzer found.
#include <QDirIterator>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char **argv) {
    QStringList folders;
    for (int i = 1; i < argc; ++i)
        folders << QFile::decodeName(argv[i]);
    if (folders.isEmpty())
        folders << QStringLiteral(QUENZO_FUZZ_CORPUS);
    int replayed = 0;
    for (const QString &folder : folders) {
        QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                   std::size_t(bytes.size()));
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    // An empty corpus means a wrong folder, not a pass.
    return replayed > 0 ? 0 : 1;
}
