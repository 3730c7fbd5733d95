#pragma once

#include "engine/files/fileread.h"
#include "engine/files/outcomes.h"
#include "engine/plain/plain_encoding.h"
#include "engine/text/edit.h"
#include "engine/text/textref.h"

#include <functional>
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <vector>

namespace engine
{

class ByteChanges;
class Matcher;

enum class LineEnding { LF, CRLF, CR };

// Inserted text as the file's bytes: in its encoding, each line break (CR LF, LF or a lone CR) as the
// file's own line ending.
QByteArray encodeInserted(const QString& text, TextEncoding enc, LineEnding ending);

// A plain-text file held byte for byte, with its visible text. Line breaks (CRLF, LF or a lone CR)
// are one "\n" each in the visible text. Writing copies the original bytes between edits and encodes
// only the inserted text, in the file's encoding and with the file's own line ending.
class PlainText
{
public:
    PlainText();
    ~PlainText();
    PlainText(const PlainText&) = delete;
    PlainText& operator=(const PlainText&) = delete;

    // Reads the file's bytes into memory; the buffers of the previous file are reused, so a run over
    // thousands of files allocates little.
    ReadResult read(const QString& path);
    // The bytes read, and the same handed over for good (to be read as rich text instead).
    QByteArrayView bytesRead() const { return QByteArrayView(bytes, byteCount); }
    QByteArray takeBytes();
    // Works out the encoding and line breaks of the bytes read; forgets them when they are not text
    // this program edits. `why` receives a short reason on failure.
    LoadOutcome decode(QString* why = nullptr);
    // Takes `data` as the bytes read and decodes them, as read() and decode() do for a file.
    LoadOutcome load(const QByteArray& data, QString* why = nullptr);
    // Forgets the file; keeps the buffers for the next one.
    void clear();

    // The visible text. A UTF-8 file's text is decoded only when it is asked for (decodeText); until
    // then text() has its length but no characters, and the bytes are searched instead (findInBytes).
    TextRef text() const { return visible; }
    bool textPending() const { return pending; }
    void decodeText();
    // While the text is not decoded: appends `count` characters of it from `position` to `out`,
    // decoded from their bytes alone (a range that ends inside a surrogate pair ends with its first
    // half); false when the range begins inside one.
    bool appendPending(QString& out, qsizetype position, qsizetype count) const;
    TextEncoding encoding() const { return enc; }
    LineEnding lineEnding() const { return ending; }
    qsizetype bomLength() const { return bom; }

    // Whether findInBytes can search this file: valid UTF-8 (with any line breaks).
    bool searchesBytes() const { return searchable; }
    // A match found in the bytes: its visible position, and where it begins and ends in the bytes.
    struct ByteMatch {
        qsizetype start, from, to;
    };
    // The first match of `matcher` (Matcher::indexInUtf8) in the unedited text that starts at or after
    // the visible position `from`, ends at or before `to` and that `accept` takes; its visible
    // position, or -1. The places of the matches found are remembered: the next search and the write
    // go on from them instead of counting characters from the start.
    qsizetype findInBytes(const Matcher& matcher, qsizetype from, qsizetype to,
        const std::function<bool(const ByteMatch&)>& accept);
    // The code point before the byte `at`, or beginning at it (a line break reads "\n"); 0 at an end.
    char32_t codePointBeforeByte(qsizetype at) const;
    char32_t codePointAtByte(qsizetype at) const;

    // True when every inserted text can be written in the file's encoding.
    bool canEncode(const EditList& edits) const;
    // Writes the file with `edits` (in visible-text coordinates) applied. False on an I/O error. The
    // bytes that changed go to `changes`, when given.
    bool write(const EditList& edits, QIODevice& out, ByteChanges* changes = nullptr) const;

private:
    // A visible position and its byte offset, as a search found them.
    struct Anchor {
        qsizetype visible, byte;
    };
    const Anchor* anchorAtOrBefore(qsizetype target) const;
    void remember(qsizetype visiblePos, qsizetype bytePos);
    qsizetype byteOffset(qsizetype& visPos, qsizetype& bytePos, qsizetype target) const;
    void decodeBody();
    bool unchanged(const Edit& edit, qsizetype from, qsizetype to) const;

    QByteArray held; // the file's bytes
    const uchar* bytes = nullptr;
    qsizetype byteCount = 0;

    TextEncoding enc = TextEncoding::Utf8;
    LineEnding ending = LineEnding::LF;
    qsizetype bom = 0;
    bool hasCR = false;
    bool asciiOnly = false; // UTF-8 file of ASCII bytes only: one byte per character
    bool invalidUtf8 = false; // UTF-8 file with bytes that begin no character, each one U+FFFD
    bool narrow = false; // one byte per character: ASCII or Windows-1252 without C1 bytes
    bool searchable = false; // valid UTF-8, searched in its bytes
    bool pending = false; // the visible text is not decoded yet
    TextRef visible;
    std::vector<Anchor> anchors; // in order of position
    mutable std::size_t anchorHint = 0;

    QString wideBuffer; // decoded UTF-16 text, reused across files
    QByteArray narrowBuffer; // one byte per character text without CRs, reused across files
    mutable QByteArray outBuffer;
};

} // namespace engine
