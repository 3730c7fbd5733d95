#pragma once

#include "richtext/document.h"
#include "richtext/edit.h"
#include "richtext/fileread.h"
#include "richtext/plain_encoding.h"
#include "richtext/textref.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace richtext
{

enum class LineEnding { LF, CRLF, CR };

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
    // Forgets the file; keeps the buffers for the next one.
    void clear();

    TextRef text() const { return visible; }
    TextEncoding encoding() const { return enc; }
    LineEnding lineEnding() const { return ending; }
    qsizetype bomLength() const { return bom; }

    // True when every inserted text can be written in the file's encoding.
    bool canEncode(const EditList& edits) const;
    // Writes the file with `edits` (in visible-text coordinates) applied. False on an I/O error.
    bool write(const EditList& edits, QIODevice& out) const;

private:
    qsizetype byteOffset(qsizetype& visPos, qsizetype& bytePos, qsizetype target) const;
    QByteArray encodeInserted(const QString& text) const;
    bool unchanged(const Edit& edit) const; // the edit puts back the very text it replaces

    QByteArray held; // the file's bytes
    const uchar* bytes = nullptr;
    qsizetype byteCount = 0;

    TextEncoding enc = TextEncoding::Utf8;
    LineEnding ending = LineEnding::LF;
    qsizetype bom = 0;
    bool hasCR = false;
    bool asciiOnly = false; // UTF-8 file of ASCII bytes only: one byte per character
    bool invalidUtf8 = false; // UTF-8 file with bytes that begin no character, each one U+FFFD
    TextRef visible;

    QString wideBuffer; // decoded UTF-16 text, reused across files
    QByteArray narrowBuffer; // one byte per character text without CRs, reused across files
    mutable QByteArray outBuffer;
};

} // namespace richtext
