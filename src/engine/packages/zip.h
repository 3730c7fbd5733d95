#pragma once

#include <map>
#include <optional>
#include <QByteArray>
#include <QString>
#include <vector>

namespace engine::packages
{

// One span of a rewritten file that differs from the file it was made from: `length` new bytes at
// `offset`, where the old file had `oldBytes`.
struct ChangedSpan {
    qsizetype offset = 0;
    qsizetype length = 0;
    QByteArray oldBytes;
};

// A ZIP archive kept as the bytes it was read from. Entries can be read, and the archive can be
// written again with some entries' contents replaced: every other byte (the other entries with their
// headers, names, times and extra fields, data descriptors, anything between entries, the archive
// comment) is copied as it was, and the central directory only gets the offsets that moved.
class ZipArchive
{
public:
    struct Entry {
        QString name;
        quint16 flags = 0;
        quint16 method = 0;
        quint32 crc = 0;
        quint64 compressedSize = 0;
        quint64 size = 0;
        quint64 localOffset = 0; // its local header
        quint64 dataOffset = 0; // its compressed bytes
        quint64 end = 0; // just after its data and data descriptor
        qsizetype centralOffset = 0; // its central directory header
        bool encrypted() const { return flags & 1; }
    };

    enum class Problem { None, Damaged, Encrypted };

    // Reads the archive's directory; nothing when the bytes are not a ZIP archive that can be
    // rewritten safely (`problem` says Damaged).
    static std::optional<ZipArchive> open(QByteArray bytes, QString* why = nullptr);
    static bool looksLikeZip(const QByteArray& head);

    const std::vector<Entry>& entries() const { return list; }
    // The entry of that name, or -1.
    int find(const QString& name) const;
    // The uncompressed content of entry `index`, checked against its CRC; nothing when it is
    // encrypted, damaged, compressed in a way this reader does not know, or larger than `limit`.
    std::optional<QByteArray> read(int index, Problem* problem = nullptr, qint64 limit = 512 << 20) const;

    // The archive with the contents of the entries in `replaced` (by index) changed, each compressed
    // as it was (stored or deflated). `changes` receives the spans that differ from the original.
    QByteArray rewritten(
        const std::map<int, QByteArray>& replaced, std::vector<ChangedSpan>* changes = nullptr) const;

    const QByteArray& bytes() const { return source; }

private:
    QByteArray source;
    std::vector<Entry> list;
    qsizetype centralStart = 0;
    qsizetype centralEnd = 0;
    qsizetype zip64End = -1; // the ZIP64 end of central directory record, when there is one
    qsizetype zip64Locator = -1;
    qsizetype endRecord = 0;
};

} // namespace engine::packages
