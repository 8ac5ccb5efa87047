// Runs a fuzz target over saved inputs, without libFuzzer: every file of the
// folders (and every file) named on the command line, in name order. The
// target aborts on a finding; otherwise this answers 0 once at least one input
// ran, so that a wrong folder does not pass as a clean run.
#include "fuzzinput.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

bool replay(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray input = file.readAll();
    // Named first, so that the input that aborts is the last one shown.
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
    // A copy of exactly the input's size, so that a read past its end is seen
    // by the address sanitizer as it would be under libFuzzer.
    std::vector<std::uint8_t> bytes(input.begin(), input.end());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int ran = 0;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        const QFileInfo info(path);
        if (info.isDir()) {
            const QDir dir(path);
            for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
                if (!replay(dir.filePath(name)))
                    return 1;
                ++ran;
            }
        } else if (info.exists()) {
            if (!replay(path))
                return 1;
            ++ran;
        }
    }
    std::printf("%d inputs replayed\n", ran);
    return ran > 0 ? 0 : 1;
}
