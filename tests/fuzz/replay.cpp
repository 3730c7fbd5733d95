// Replays inputs through a fuzz target without libFuzzer: each file named, and each file in each
// folder named, in name order. A folder that does not exist holds no inputs yet.

#include "fuzzing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

int main(int argc, char** argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QFileInfo named(QString::fromLocal8Bit(argv[i]));
        const QFileInfoList files = named.isDir()
            ? QDir(named.filePath()).entryInfoList(QDir::Files, QDir::Name)
            : QFileInfoList { named };
        for (const QFileInfo& info : files) {
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = file.readAll();
            const QByteArray name = info.filePath().toLocal8Bit();
            fuzzing::currentInput = name.constData();
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
