#pragma once

#include "engine/files/filepieces.h"
#include "engine/files/outcomes.h"
#include "engine/plain/plain_encoding.h"
#include "engine/plain/plaintext.h"

#include <functional>
#include <QByteArray>
#include <QString>
#include <vector>

class QIODevice;

namespace engine
{

class ByteChanges;
class Matcher;

// Where a file stops being held whole. A plain file larger than `above` bytes is replaced as a
// stream, read, searched and written `piece` bytes at a time; a rich document is held whole only when
// about `richCost` times its size fits in the memory the system has free (`memory`, when not 0). The
// record Undo keeps of a streamed file's changes takes at most an eighth of that memory.
struct StreamLimits {
    qint64 above = qint64(64) << 20;
    qsizetype piece = qsizetype(4) << 20;
    qint64 memory = 0;
    static constexpr int richCost = 12;
};

struct StreamResult {
    SaveOutcome outcome = SaveOutcome::Written;
    qint64 replaced = 0; // 0: nothing matched, and the file was not written
    QString error;
};

// A plain-text file replaced as a stream: it finds and replaces exactly what a document holding the
// whole file finds (the same search, whole-word rule, case folding and line breaks) and writes the
// same bytes, with memory that depends neither on the file's size nor on the number of matches
// (unless the changes it writes are kept).
class PlainStream
{
public:
    // `memory`: what the memory free is taken to be (0: what the system says).
    explicit PlainStream(qsizetype piece = StreamLimits().piece, qint64 memory = 0);
    ~PlainStream();
    PlainStream(const PlainStream&) = delete;
    PlainStream& operator=(const PlainStream&) = delete;

    // Opens the file and reads its start, which tells binary data, UTF-32 and odd UTF-16 from text.
    LoadOutcome open(const QString& path, QString* why = nullptr);
    // The first bytes of the file (at least the first piece).
    QByteArrayView head() const { return QByteArrayView(headBytes); }
    // The first `units` characters of the visible text (fewer at the end of what the start holds),
    // with its encoding told from the start alone.
    QString headText(qsizetype units) const;

    // Replaces every match of `find` (options: rtfWholeWord, rtfMatchCase) by `replacement`, one
    // after the other from the start as the replace run does, and writes the file through writeFile.
    // `progress` hears of the replacements made since it was last called, and is called at least once
    // for every piece read (with 0 when there is nothing new), so that a window can keep answering
    // while a large file without a match is read. With `changes`, the spans written anew are kept
    // there, which takes memory for every match.
    StreamResult replace(const QString& find, const QString& replacement, int options,
        const std::function<void(qint64)>& progress = {}, ByteChanges* changes = nullptr);
    // What replace would do, writing nothing: the matches it would replace, and whether the
    // replacement can be written in the file's encoding (Unencodable when not).
    StreamResult count(const QString& find, const QString& replacement, int options,
        const std::function<void(qint64)>& progress = {});

private:
    struct Pass;
    StreamResult run(const QString& find, const QString& replacement, int options,
        const std::function<void(qint64)>& progress, ByteChanges* changes, bool write);
    bool settle(QString* why);
    bool findEnding(QString* why);
    bool fill(qint64 keepFrom, QString* why);
    std::function<void()> pieceRead; // during replace and count: told of every piece read
    bool scan(Pass& pass);
    bool scanBytes(Pass& pass);
    bool scanDecoded(Pass& pass);
    qsizetype decodeWindow(const uchar* p, qsizetype n, qint64 at, qsizetype from, bool last) const;

    qsizetype piece;
    qint64 memory; // taken to be free, or 0
    QString path;
    FilePieces file;
    QByteArray headBytes;
    TextEncoding enc = TextEncoding::Utf8;
    LineEnding ending = LineEnding::LF;
    qsizetype bom = 0;
    bool invalidUtf8 = false;
    bool endingKnown = false;

    // The piece in hand: the file's bytes from `base` on.
    QByteArray buffer;
    qint64 base = 0;
    qsizetype held = 0;
    // Visible text decoded from the piece: each unit and the byte where it begins (one more: the end).
    mutable std::vector<char16_t> units;
    mutable std::vector<qint64> offsets;
};

} // namespace engine
