// The plain-text document in every encoding and line ending it reads: load, find, replace, write,
// load again. No input crashes it; a file written without edits is the same bytes; a file written
// with edits holds its text with the edits applied, in its own encoding, and reads back so. Replaced
// as a stream a few bytes at a time, as a file too large to hold is, it makes the same replacements
// and the same bytes.

#include "engine/document.h"
#include "engine/plain/plaintext.h"
#include "engine/runjournal/runjournal.h"
#include "engine/text/search.h"
#include "fuzzing.h"

#include <QBuffer>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

using engine::PlainText;
using engine::TextEncoding;

namespace
{

QByteArray written(const PlainText& plain, const engine::EditList& edits)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    FUZZ_CHECK(plain.write(edits, buffer));
    return buffer.data();
}

QString textOf(const PlainText& plain)
{
    QString text;
    plain.text().appendTo(text, 0, plain.text().size);
    return text;
}

// UTF-8 as the program reads it, told independently: a byte that starts no valid character (short,
// overlong, a surrogate, beyond U+10FFFF) is one U+FFFD, and the next byte is read afresh.
QString fromUtf8ByteByByte(const QByteArray& bytes)
{
    QString text;
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype i = 0, n = bytes.size(); i < n;) {
        const uchar lead = b[i];
        const int more = lead < 0x80      ? 0
            : lead >= 0xC2 && lead < 0xE0 ? 1
            : lead >= 0xE0 && lead < 0xF0 ? 2
            : lead >= 0xF0 && lead < 0xF5 ? 3
                                          : -1;
        char32_t code = more == 0 ? lead : more == 1 ? lead & 0x1F : more == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = more >= 0 && i + more < n;
        for (int k = 1; valid && k <= more; ++k) {
            valid = (b[i + k] & 0xC0) == 0x80;
            code = code << 6 | (b[i + k] & 0x3F);
        }
        const char32_t least[] = { 0, 0x80, 0x800, 0x10000 };
        valid = valid && code >= least[more] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (!valid) {
            text += QChar::ReplacementCharacter;
            ++i;
            continue;
        }
        // One character, taken as it is: QString::fromUcs4 would drop a U+FEFF as a byte order mark.
        if (QChar::requiresSurrogates(code))
            text.append(QChar(QChar::highSurrogate(code))).append(QChar(QChar::lowSurrogate(code)));
        else
            text.append(QChar(char16_t(code)));
        i += more + 1;
    }
    return text;
}

// The visible text of `bytes` as a reader told the encoding and byte order mark of `as` reads it.
QString decoded(const QByteArray& bytes, const PlainText& as)
{
    const QByteArray body = bytes.mid(as.bomLength());
    QString text;
    if (as.encoding() == TextEncoding::Windows1252) {
        for (const char byte : body)
            text += QChar(engine::windows1252ToUnicode(uchar(byte)));
    } else if (as.encoding() == TextEncoding::Utf8) {
        text = fromUtf8ByteByByte(body);
    } else {
        const auto encoding =
            as.encoding() == TextEncoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        text = QStringDecoder(encoding, QStringConverter::Flag::ConvertInitialBom).decode(body);
    }
    return text.replace(u"\r\n"_qs, u"\n"_qs).replace(u'\r', u'\n');
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
}

// The file replaced by a document holding it whole, and as a stream of `piece` bytes at a time.
void streamedAsWhole(
    const QByteArray& bytes, const QString& needle, const QString& with, int options, qsizetype piece)
{
    static QTemporaryDir dir;
    const QString whole = dir.filePath("whole.txt"), streamed = dir.filePath("streamed.txt");
    writeBytes(whole, bytes);
    writeBytes(streamed, bytes);
    engine::Document doc;
    FUZZ_CHECK(doc.load(whole, engine::LoadMode::Text) == engine::LoadOutcome::Loaded);
    qint64 count = 0;
    doc.find(needle, {}, {}, options);
    for (; doc.selLength() > 0; ++count) {
        doc.setSelText(with);
        doc.find(needle, doc.selStart(), {}, options);
    }
    const engine::SaveOutcome saved =
        count > 0 ? doc.save(whole, engine::rtfText) : engine::SaveOutcome::Written;

    engine::Document stream;
    stream.setStreamLimits({ 0, piece, 0 });
    FUZZ_CHECK(
        stream.load(streamed, engine::LoadMode::Text) == engine::LoadOutcome::Loaded && stream.isStreamed());
    engine::RunJournalEntry entry { streamed, 0, {} };
    const engine::StreamResult result = stream.replaceStreamed(needle, with, options, {}, &entry.changes);
    FUZZ_CHECK(result.replaced == count && result.outcome == saved);
    FUZZ_CHECK(fileBytes(streamed) == fileBytes(whole));
    // Undo takes the streamed file back to its first bytes.
    stream.closeFile();
    if (fileBytes(streamed) != bytes)
        FUZZ_CHECK(engine::undoEntry(entry).outcome == engine::UndoOutcome::Restored);
    FUZZ_CHECK(fileBytes(streamed) == bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzing::Replacement r = fuzzing::Replacement::read(data, size);
    // Like the program's, the documents are used again and again, with the buffers of the last file.
    static PlainText plain, reread;
    if (plain.load(r.file) != engine::LoadOutcome::Loaded)
        return 0;
    FUZZ_CHECK(reread.load(r.file) == engine::LoadOutcome::Loaded);
    plain.decodeText();
    const QString text = textOf(plain);
    FUZZ_CHECK(text == decoded(r.file, plain));
    FUZZ_CHECK(written(plain, {}) == r.file);

    const QString needle = r.needleIn(text);
    const engine::EditList edits = fuzzing::editsFor(plain.text(), needle, r, [](qsizetype, qsizetype) {
        return true;
    });

    // Before it is decoded, a piece of a UTF-8 file's text is read from its bytes alone, as it reads
    // in the decoded text (a piece that would begin inside a surrogate pair is not read).
    if (reread.textPending()) {
        const qsizetype at = std::min<qsizetype>(r.at, text.size());
        const qsizetype count = std::min<qsizetype>(r.length * 5, text.size() - at);
        QString piece;
        if (reread.appendPending(piece, at, count))
            FUZZ_CHECK(piece == text.mid(at, count));
    }

    // A UTF-8 file is searched in its own bytes before it is decoded: the same matches, at the same
    // visible places.
    if (reread.searchesBytes() && !needle.isEmpty()) {
        const engine::Matcher matcher(needle, r.matchCase);
        if (matcher.searchesUtf8()) {
            std::size_t hits = 0;
            for (qsizetype from = 0;; ++hits) {
                const qsizetype at =
                    reread.findInBytes(matcher, from, reread.text().size, [](const PlainText::ByteMatch&) {
                        return true;
                    });
                if (at < 0)
                    break;
                FUZZ_CHECK(hits < edits.size() && edits[hits].start == at);
                from = at + matcher.size();
            }
            FUZZ_CHECK(hits == edits.size());
        }
    }
    if (!needle.isEmpty()) {
        const int options = (r.matchCase ? engine::rtfMatchCase : 0) | (r.at & 1 ? engine::rtfWholeWord : 0);
        streamedAsWhole(r.file, needle, r.with, options, 1 + r.length % 5);
    }
    if (edits.empty() || !plain.canEncode(edits))
        return 0;
    const QByteArray after = written(plain, edits);
    const QString expected = fuzzing::applied(text, edits);
    // Taking out the text between stray bytes of a damaged UTF-8 file can bring them together into
    // one character: every byte is where it belongs, and they read differently now.
    const QString readBack = decoded(after, plain);
    if (plain.encoding() == TextEncoding::Utf8
        && readBack.count(QChar::ReplacementCharacter) < expected.count(QChar::ReplacementCharacter))
        return 0;
    // Likewise a CR that ends what is kept or inserted and an LF that begins the next piece: the bytes
    // are as they were and as inserted, and the two line breaks read as one now.
    if (readBack.count(u'\n') < expected.count(u'\n')
        && QString(readBack).remove(u'\n') == QString(expected).remove(u'\n'))
        return 0;
    FUZZ_CHECK(readBack == expected);

    // Without a byte order mark the encoding is what the bytes look like, for this program as for
    // any other: an edit can make a Windows-1252 file valid UTF-8, take away the NUL bytes that mark
    // UTF-16, or leave a text that begins with U+FEFF, read as a mark. Likewise a UTF-16 LE mark
    // followed by a NUL character reads as a UTF-32 mark. Any other file reads back as it was.
    const bool loaded = reread.load(after) == engine::LoadOutcome::Loaded;
    if (loaded)
        reread.decodeText();
    const bool ambiguous = plain.bomLength() == 0 || after.startsWith(QByteArray("\xFF\xFE\0\0", 4));
    if (ambiguous
        && (!loaded || reread.encoding() != plain.encoding() || reread.bomLength() != plain.bomLength()))
        return 0;
    FUZZ_CHECK(loaded && reread.encoding() == plain.encoding() && reread.bomLength() == plain.bomLength());
    FUZZ_CHECK(textOf(reread) == expected);
    return 0;
}
