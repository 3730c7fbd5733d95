#include "engine/plain/plainstream.h"

#include "engine/files/filepieces.h"
#include "engine/files/filewrite.h"
#include "engine/plain/plainstream_pass.h"
#include "engine/text/linebreaks.h"
#include "engine/text/search.h"
#include "engine/text/utf8.h"

#include <algorithm>
#include <cstring>
#include <QBuffer>
#include <QScopeGuard>

namespace engine
{

namespace
{
    // The start read for the preview: enough bytes for a million characters of any encoding.
    constexpr qsizetype kHeadBytes = (qsizetype(4) << 20) + 16;

    bool startsWith(QByteArrayView bytes, std::initializer_list<uchar> head)
    {
        return bytes.size() >= qsizetype(head.size())
            && std::equal(head.begin(), head.end(), reinterpret_cast<const uchar*>(bytes.data()));
    }

    // Where a piece of UTF-8 or Windows-1252 bytes may end so that no character and no CR LF pair is
    // cut: before a lead byte among the last four, or before a final CR.
    qsizetype characterCut(const uchar* p, qsizetype n)
    {
        for (qsizetype k = n - 1; k >= 0 && k >= n - 4; --k) {
            if ((p[k] & 0xC0) == 0x80)
                continue;
            if (p[k] >= 0xC0)
                return k;
            return p[k] == '\r' && k == n - 1 ? k : n;
        }
        return n;
    }

    // Whether bytes of a file without a byte order mark read as UTF-8, as a whole file's are told.
    struct Census {
        qsizetype characters = 0, invalidBytes = 0;
        void add(const uchar* p, qsizetype n)
        {
            const Utf8Census part = countUtf8(p, n, n);
            characters += part.characters;
            invalidBytes += part.invalidBytes;
        }
    };

} // namespace

PlainStream::PlainStream(qsizetype piece, qint64 memory)
    : piece(std::max<qsizetype>(piece, 1))
    , memory(memory)
{
}

PlainStream::~PlainStream() = default;

LoadOutcome PlainStream::open(const QString& filePath, QString* why)
{
    auto fail = [&](LoadOutcome outcome, const QString& reason) {
        file.close();
        if (why)
            *why = reason;
        return outcome;
    };
    path = filePath;
    const ReadResult opened = file.open(path);
    if (opened.outcome != LoadOutcome::Loaded)
        return fail(opened.outcome, opened.error);
    const qint64 size = file.size();
    headBytes.resize(qsizetype(std::min<qint64>(size, std::max(piece, kHeadBytes))));
    QString error;
    const qint64 got = file.read(0, headBytes.data(), headBytes.size(), &error);
    if (got < 0)
        return fail(LoadOutcome::Unreadable, error);
    headBytes.resize(qsizetype(got));

    const auto* p = reinterpret_cast<const uchar*>(headBytes.constData());
    bool utf16 = false;
    bom = 0;
    invalidUtf8 = false;
    endingKnown = false;
    if (startsWith(headBytes, { 0xFF, 0xFE, 0x00, 0x00 })
        || startsWith(headBytes, { 0x00, 0x00, 0xFE, 0xFF }))
        return fail(LoadOutcome::Unsupported, QStringLiteral("UTF-32 text"));
    if (startsWith(headBytes, { 0xEF, 0xBB, 0xBF })) {
        enc = TextEncoding::Utf8;
        bom = 3;
    } else if (startsWith(headBytes, { 0xFF, 0xFE }) || startsWith(headBytes, { 0xFE, 0xFF })) {
        enc = p[0] == 0xFF ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
        bom = 2;
        utf16 = true;
    } else if (std::memchr(p, 0, size_t(std::min<qsizetype>(headBytes.size(), kBinaryProbe)))) {
        // The whole file's size says whether its units can be UTF-16; only the start is looked at.
        const auto sniffed = size % 2 == 0 ? sniffUtf16(p, headBytes.size() & ~qsizetype(1)) : std::nullopt;
        if (!sniffed)
            return fail(LoadOutcome::Binary, QStringLiteral("binary file"));
        enc = *sniffed;
        utf16 = true;
    }
    if (utf16) {
        if ((size - bom) % 2 != 0)
            return fail(LoadOutcome::Unsupported, QStringLiteral("UTF-16 text of an odd number of bytes"));
        return LoadOutcome::Loaded;
    }
    // Until the whole file is counted, its start tells UTF-8 from Windows-1252.
    Census census;
    const qsizetype n = headBytes.size();
    census.add(p + bom, (n == size ? n : characterCut(p, n)) - bom);
    enc =
        bom == 3 || census.invalidBytes <= census.characters ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    invalidUtf8 = enc == TextEncoding::Utf8 && census.invalidBytes > 0;
    return LoadOutcome::Loaded;
}

// Counts the whole file as a file held whole is counted: its encoding, and the line ending of its
// first line break.
bool PlainStream::settle(QString* why)
{
    if (enc == TextEncoding::Utf16LE || enc == TextEncoding::Utf16BE)
        return true;
    Census census;
    bool lfSeen = false;
    endingKnown = false;
    ending = LineEnding::LF;
    base = 0;
    held = 0;
    for (qint64 keep = bom;;) {
        if (!fill(keep, why))
            return false;
        const auto* p = reinterpret_cast<const uchar*>(buffer.constData());
        const bool last = base + held == file.size();
        const qsizetype cut = last ? held : characterCut(p, held);
        if (!endingKnown) {
            const void* cr = std::memchr(p, '\r', size_t(cut));
            const qsizetype crAt = cr ? static_cast<const uchar*>(cr) - p : cut;
            lfSeen = lfSeen || std::memchr(p, '\n', size_t(crAt));
            if (cr) {
                ending = lfSeen
                    ? LineEnding::LF
                    : (crAt + 1 < held && p[crAt + 1] == '\n' ? LineEnding::CRLF : LineEnding::CR);
                endingKnown = true;
            }
        }
        census.add(p, cut);
        if (last)
            break;
        keep = base + cut;
    }
    endingKnown = true;
    enc =
        bom == 3 || census.invalidBytes <= census.characters ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    invalidUtf8 = enc == TextEncoding::Utf8 && census.invalidBytes > 0;
    return true;
}

// The line ending of UTF-16 text, which only a replacement with a line break needs: that of its
// first CR, unless an LF comes before it.
bool PlainStream::findEnding(QString* why)
{
    if (endingKnown)
        return true;
    const bool little = enc == TextEncoding::Utf16LE;
    auto unitAt = [&](const uchar* at) {
        return little ? char16_t(at[0] | at[1] << 8) : char16_t(at[0] << 8 | at[1]);
    };
    ending = LineEnding::LF;
    base = 0;
    held = 0;
    for (qint64 keep = bom;;) {
        if (!fill(keep, why))
            return false;
        const auto* p = reinterpret_cast<const uchar*>(buffer.constData());
        const bool last = base + held == file.size();
        const qsizetype cut = last ? held : std::max<qsizetype>((held & ~qsizetype(1)) - 2, 0);
        for (qsizetype i = 0; i + 1 < cut; i += 2) {
            const char16_t unit = unitAt(p + i);
            if (unit == u'\n')
                return endingKnown = true;
            if (unit == u'\r') {
                ending = i + 3 < held && unitAt(p + i + 2) == u'\n' ? LineEnding::CRLF : LineEnding::CR;
                return endingKnown = true;
            }
        }
        if (last)
            return endingKnown = true;
        keep = base + cut;
    }
}

// Keeps the bytes from the file offset `keepFrom` on and reads a piece after them.
bool PlainStream::fill(qint64 keepFrom, QString* why)
{
    const qsizetype kept = qsizetype(std::max<qint64>(base + held - keepFrom, 0));
    if (kept > 0 && keepFrom > base)
        std::memmove(buffer.data(), buffer.constData() + (keepFrom - base), size_t(kept));
    base = keepFrom;
    held = kept;
    const qsizetype wanted = std::min<qint64>(piece, file.size() - (base + held));
    if (buffer.size() < held + wanted + 64)
        buffer.resize(held + wanted + 64);
    const qint64 got = wanted > 0 ? file.read(base + held, buffer.data() + held, wanted, why) : 0;
    if (got < 0)
        return false;
    if (got < wanted) {
        if (why)
            *why = QStringLiteral("the file was cut short while it was read");
        return false;
    }
    held += qsizetype(got);
    if (pieceRead)
        pieceRead();
    return true;
}

QString PlainStream::headText(qsizetype count) const
{
    const auto* p = reinterpret_cast<const uchar*>(headBytes.constData());
    const bool last = headBytes.size() == file.size();
    decodeWindow(p, headBytes.size(), 0, bom, last);
    const qsizetype n = std::min<qsizetype>(count, qsizetype(units.size()));
    return QString(reinterpret_cast<const QChar*>(units.data()), n);
}

StreamResult PlainStream::replace(const QString& find, const QString& replacement, int options,
    const std::function<void(qint64)>& progress, ByteChanges* changes)
{
    return run(find, replacement, options, progress, changes, true);
}

StreamResult PlainStream::count(
    const QString& find, const QString& replacement, int options, const std::function<void(qint64)>& progress)
{
    return run(find, replacement, options, progress, nullptr, false);
}

StreamResult PlainStream::run(const QString& find, const QString& replacement, int options,
    const std::function<void(qint64)>& progress, ByteChanges* changes, bool write)
{
    if (progress)
        pieceRead = [&progress] {
            progress(0);
        };
    const auto quiet = qScopeGuard([this] {
        pieceRead = nullptr;
    });
    StreamResult result;
    auto failed = [&](SaveOutcome outcome, const QString& why) {
        result.outcome = outcome;
        result.error = why.isEmpty() ? describe(outcome) : why;
        return result;
    };
    QString why;
    if (!settle(&why))
        return failed(SaveOutcome::Failed, why);
    const QString needle = normalizedBreaks(find);
    if (needle.isEmpty())
        return result;
    const Matcher matcher(needle, options & rtfMatchCase);
    Pass pass(matcher, options & rtfWholeWord, normalizedBreaks(replacement));

    // Up to the first match nothing is written: a file without one is only read.
    // A file that another program changes while it is read is left to that program.
    auto unreadable = [&] {
        return file.unchanged() ? failed(SaveOutcome::Failed, pass.error)
                                : failed(SaveOutcome::ChangedByAnotherProgram, {});
    };
    pass.stopAtFirst = true;
    if (!scan(pass))
        return unreadable();
    if (pass.replaced == 0)
        return result;
    pass.stopAtFirst = false;
    const bool encodable = canEncodeReplacement(enc, pass.replacement);
    if (!encodable || !write) {
        pass.replaced = 0;
        if (!scan(pass))
            return unreadable();
        result.replaced = pass.replaced;
        if (progress)
            progress(pass.replaced);
        return encodable ? result : failed(SaveOutcome::Unencodable, {});
    }
    if (pass.replacement.contains(u'\n') && !findEnding(&why))
        return failed(SaveOutcome::Failed, why);
    pass.encoded = encodeInserted(pass.replacement, enc, ending);
    pass.progress = progress;
    pass.replaced = 0;

    bool inPlace = false;
    const WriteResult written = writeFile(path, file.identity(), [&](QIODevice& out) {
        // Overwriting in place first builds the whole new content in memory, which a file this large
        // must not be: it is left as it is.
        if (qobject_cast<QBuffer*>(&out)) {
            inPlace = true;
            return false;
        }
        pass.out = &out;
        pass.changes = changes;
        // The changes kept for Undo take at most an eighth of the memory free.
        const qint64 free = memory > 0 ? memory : memoryAvailable();
        pass.spanLimit =
            std::size_t((free > 0 ? free / 8 : qint64(256) << 20) / qint64(sizeof(ByteChanges::Span)));
        if (changes)
            changes->clear();
        return scan(pass) && file.unchanged();
    });
    result.replaced = pass.replaced;
    if (written.contentRefused) {
        return inPlace ? failed(SaveOutcome::TooLargeToHold, {}) : unreadable();
    }
    if (written.outcome != SaveOutcome::Written)
        return failed(written.outcome, written.error);
    if (changes && changes->complete)
        changes->after = identifyPath(path);
    return result;
}

} // namespace engine
