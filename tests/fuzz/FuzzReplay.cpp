// Runs the fuzz target once over every file of the committed seed corpus, so the normal
// build replays what the fuzzer found (the libFuzzer build replays other files itself).
#include <QDirIterator>
#include <QFile>

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main() {
    int replayed = 0;
    for (QDirIterator it(QUENZO_FUZZ_CORPUS, QDir::Files); it.hasNext(); ++replayed) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            return std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName())), 1;
        const QByteArray b = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(b.data()), b.size());
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1; // none: a wrong folder, not a pass
}
