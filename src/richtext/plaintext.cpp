#include "richtext/plaintext.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <QStringDecoder>
#include <QSysInfo>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace richtext
{

namespace
{

    // Windows-1252 characters of the bytes 0x80 to 0x9F; the other bytes are their own character.
    constexpr char16_t kHighControls[32] = {
        0x20AC,
        0x0081,
        0x201A,
        0x0192,
        0x201E,
        0x2026,
        0x2020,
        0x2021,
        0x02C6,
        0x2030,
        0x0160,
        0x2039,
        0x0152,
        0x008D,
        0x017D,
        0x008F,
        0x0090,
        0x2018,
        0x2019,
        0x201C,
        0x201D,
        0x2022,
        0x2013,
        0x2014,
        0x02DC,
        0x2122,
        0x0161,
        0x203A,
        0x0153,
        0x009D,
        0x017E,
        0x0178,
    };

    constexpr std::array<char16_t, 256> kWindows1252 = [] {
        std::array<char16_t, 256> table {};
        for (int b = 0; b < 256; ++b)
            table[b] = (b >= 0x80 && b < 0xA0) ? kHighControls[b - 0x80] : char16_t(b);
        return table;
    }();

    constexpr qsizetype kBinaryProbe = 8192;
    constexpr qsizetype kDecodeChunk = qsizetype(8) << 20;
    constexpr qsizetype kOutBufferSize = qsizetype(1) << 20;

    bool hasHighBit(quint64 word)
    {
        return word & 0x8080808080808080ULL;
    }

    // Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, nothing cut short.
    bool isStrictUtf8(const uchar* p, qsizetype n, bool* ascii)
    {
        *ascii = true;
        qsizetype i = 0;
        auto cont = [&](qsizetype k) {
            return i + k < n && (p[i + k] & 0xC0) == 0x80;
        };
        auto within = [&](qsizetype k, uchar lo, uchar hi) {
            return i + k < n && p[i + k] >= lo && p[i + k] <= hi;
        };
        while (i < n) {
            while (i + 8 <= n) {
                quint64 word;
                std::memcpy(&word, p + i, 8);
                if (hasHighBit(word))
                    break;
                i += 8;
            }
            if (i >= n)
                break;
            const uchar b = p[i];
            if (b < 0x80) {
                ++i;
                continue;
            }
            *ascii = false;
            if (b >= 0xC2 && b <= 0xDF) {
                if (!cont(1))
                    return false;
                i += 2;
            } else if (b >= 0xE0 && b <= 0xEF) {
                const bool second = b == 0xE0 ? within(1, 0xA0, 0xBF)
                    : b == 0xED               ? within(1, 0x80, 0x9F)
                                              : cont(1);
                if (!second || !cont(2))
                    return false;
                i += 3;
            } else if (b >= 0xF0 && b <= 0xF4) {
                const bool second = b == 0xF0 ? within(1, 0x90, 0xBF)
                    : b == 0xF4               ? within(1, 0x80, 0x8F)
                                              : cont(1);
                if (!second || !cont(2) || !cont(3))
                    return false;
                i += 4;
            } else {
                return false;
            }
        }
        return true;
    }

    // UTF-16 without a byte order mark: NUL bytes only in the high byte of the code units, and code
    // units that look like text (no C0 controls other than tab, line breaks and form feed).
    std::optional<TextEncoding> sniffUtf16(const uchar* p, qsizetype n)
    {
        if (n < 2 || n % 2 != 0)
            return {};
        const qsizetype probe = std::min(n, kBinaryProbe);
        qsizetype evenZeros = 0, oddZeros = 0;
        for (qsizetype i = 0; i < probe; ++i)
            if (p[i] == 0)
                ++(i % 2 ? oddZeros : evenZeros);
        if ((evenZeros == 0) == (oddZeros == 0))
            return {};
        const bool little = evenZeros == 0;
        for (qsizetype i = 0; i + 1 < probe; i += 2) {
            const char16_t unit = little ? char16_t(p[i] | p[i + 1] << 8) : char16_t(p[i] << 8 | p[i + 1]);
            if (unit < 0x20 && unit != '\t' && unit != '\n' && unit != '\r' && unit != '\f')
                return {};
        }
        return little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
    }

    // Turns every CRLF pair and lone CR into one "\n", in place; returns the new length.
    qsizetype nextCR(const char* text, qsizetype from, qsizetype n)
    {
        const void* cr = std::memchr(text + from, '\r', size_t(n - from));
        return cr ? static_cast<const char*>(cr) - text : n;
    }
    qsizetype nextCR(const char16_t* text, qsizetype from, qsizetype n)
    {
        const qsizetype cr = QStringView(text, n).indexOf(u'\r', from);
        return cr < 0 ? n : cr;
    }

    // Turns every CRLF pair and lone CR into one "\n", in place; returns the new length.
    template <typename Unit> qsizetype collapseLineBreaks(Unit* text, qsizetype n)
    {
        qsizetype out = 0;
        for (qsizetype i = 0; i < n;) {
            const qsizetype cr = nextCR(text, i, n);
            if (out != i)
                std::memmove(text + out, text + i, size_t(cr - i) * sizeof(Unit));
            out += cr - i;
            i = cr;
            if (i < n) {
                text[out++] = Unit('\n');
                i += (i + 1 < n && text[i + 1] == Unit('\n')) ? 2 : 1;
            }
        }
        return out;
    }

    // 0x80 in every byte of `word` that is zero, exactly (no borrow between bytes).
    quint64 zeroBytes(quint64 word)
    {
        constexpr quint64 low7 = 0x7F7F7F7F7F7F7F7FULL;
        return ~(((word & low7) + low7) | word | low7);
    }

    // Visible characters in eight bytes of valid UTF-8: every byte that begins a character counts
    // one, a four-byte character two (a surrogate pair), and the LF of a CRLF pair none. `previous`
    // is the byte before the eight.
    int utf8Units(quint64 word, uchar previous)
    {
        constexpr quint64 high = 0x8080808080808080ULL, ones = 0x0101010101010101ULL;
        const quint64 continuation = word & ~(word << 1) & high;
        const quint64 fourByteLead = word & (word << 1) & (word << 2) & (word << 3) & high;
        const quint64 before = (word << 8) | previous;
        const quint64 lfAfterCR = zeroBytes(word ^ (ones * '\n')) & zeroBytes(before ^ (ones * '\r'));
        return 8 - std::popcount(continuation) + std::popcount(fourByteLead) - std::popcount(lfAfterCR);
    }

    void releasePages(const uchar* from, qsizetype length)
    {
#ifdef Q_OS_LINUX
        // The decoded copy is what the document works on; let the kernel drop the mapped source pages
        // meanwhile (they come back from the page cache when the file is written).
        static const quintptr page = quintptr(sysconf(_SC_PAGESIZE));
        const quintptr begin = (quintptr(from) + page - 1) & ~(page - 1);
        const quintptr end = (quintptr(from) + quintptr(length)) & ~(page - 1);
        if (end > begin)
            madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
#else
        Q_UNUSED(from);
        Q_UNUSED(length);
#endif
    }

    // Sizes a decoding buffer for the next file. Its memory is kept from file to file (fresh memory is
    // slow), unless it is far larger than needed: one huge file must not hold its size for good.
    template <typename Buffer> void makeRoom(Buffer& buffer, qsizetype size)
    {
        constexpr qsizetype kKeep = qsizetype(64) << 20;
        if (buffer.capacity() > kKeep && buffer.capacity() > 4 * size)
            buffer = Buffer();
        buffer.resize(0);
        buffer.reserve(size);
        buffer.resize(size);
    }

} // namespace

char16_t windows1252ToUnicode(uchar byte)
{
    return kWindows1252[byte];
}

int unicodeToWindows1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == c)
            return 0x80 + i;
    return -1;
}

PlainText::PlainText() = default;
PlainText::~PlainText()
{
    clear();
}

void PlainText::clear()
{
    mapped.reset();
    held = QByteArray();
    bytes = nullptr;
    byteCount = 0;
    visible = {};
    enc = TextEncoding::Utf8;
    ending = LineEnding::LF;
    bom = 0;
    hasCR = false;
    asciiOnly = false;
}

TextRef PlainText::keepOwnCopy()
{
    if (!mapped)
        return visible;
    held = QByteArray(reinterpret_cast<const char*>(bytes), byteCount);
    const auto* copy = reinterpret_cast<const uchar*>(held.constData());
    // Undecoded text is read straight from the file's bytes; decoded text lives in our own buffers.
    if (visible.latin1 >= bytes && visible.latin1 < bytes + byteCount)
        visible.latin1 = copy + (visible.latin1 - bytes);
    bytes = copy;
    mapped.reset();
    return visible;
}

LoadOutcome PlainText::load(std::unique_ptr<QFile> file, bool mayMap, QString* why)
{
    clear();
    if (!file->isOpen() && !file->open(QIODevice::ReadOnly)) {
        if (why)
            *why = file->errorString();
        return LoadOutcome::Unreadable;
    }
    const qint64 size = file->size();
    uchar* map = size > 0 && mayMap ? file->map(0, size) : nullptr;
    if (!map) {
        const QByteArray data = file->readAll();
        if (file->error() != QFileDevice::NoError) {
            if (why)
                *why = file->errorString();
            return LoadOutcome::Unreadable;
        }
        return load(data, why);
    }
    bytes = map;
    byteCount = size;
    mapped = std::move(file);
    return decode(why);
}

LoadOutcome PlainText::load(const QByteArray& data, QString* why)
{
    clear();
    held = data;
    bytes = reinterpret_cast<const uchar*>(held.constData());
    byteCount = held.size();
    return decode(why);
}

// Works out the encoding and line breaks of the bytes just taken; forgets them when they are not
// text this program edits.
LoadOutcome PlainText::decode(QString* why)
{
    auto fail = [this, why](LoadOutcome outcome, const char* reason) {
        clear();
        if (why)
            *why = QString::fromLatin1(reason);
        return outcome;
    };
    const uchar* p = bytes;
    const qsizetype n = byteCount;
    auto starts = [&](std::initializer_list<uchar> head) {
        return n >= qsizetype(head.size()) && std::equal(head.begin(), head.end(), p);
    };

    bool utf16 = false;
    if (starts({ 0xFF, 0xFE, 0x00, 0x00 }) || starts({ 0x00, 0x00, 0xFE, 0xFF }))
        return fail(LoadOutcome::Unsupported, "UTF-32 text");
    if (starts({ 0xEF, 0xBB, 0xBF })) {
        enc = TextEncoding::Utf8;
        bom = 3;
    } else if (starts({ 0xFF, 0xFE }) || starts({ 0xFE, 0xFF })) {
        enc = p[0] == 0xFF ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
        bom = 2;
        utf16 = true;
    } else if (std::memchr(p, 0, size_t(std::min(n, kBinaryProbe)))) {
        const auto sniffed = sniffUtf16(p, n);
        if (!sniffed)
            return fail(LoadOutcome::Binary, "binary file");
        enc = *sniffed;
        utf16 = true;
    }

    const uchar* body = p + bom;
    const qsizetype bodySize = n - bom;

    if (utf16) {
        if (bodySize % 2 != 0)
            return fail(LoadOutcome::Unsupported, "UTF-16 text of an odd number of bytes");
        const qsizetype units = bodySize / 2;
        const bool swap = (enc == TextEncoding::Utf16BE) == (QSysInfo::ByteOrder == QSysInfo::LittleEndian);
        const bool aligned = quintptr(body) % alignof(char16_t) == 0;
        if (!swap && aligned) {
            const QStringView raw(reinterpret_cast<const char16_t*>(body), units);
            const qsizetype firstCR = raw.indexOf(u'\r');
            const qsizetype firstLF = raw.indexOf(u'\n');
            hasCR = firstCR >= 0;
            ending = firstCR >= 0 && (firstLF < 0 || firstCR < firstLF)
                ? (firstCR + 1 == firstLF ? LineEnding::CRLF : LineEnding::CR)
                : LineEnding::LF;
            if (!hasCR) {
                visible.utf16 = raw.utf16();
                visible.size = units;
                return LoadOutcome::Loaded;
            }
        }
        makeRoom(wideBuffer, units);
        char16_t* out = reinterpret_cast<char16_t*>(wideBuffer.data());
        for (qsizetype i = 0; i < units; ++i) {
            const uchar a = body[2 * i], b = body[2 * i + 1];
            out[i] = enc == TextEncoding::Utf16LE ? char16_t(a | b << 8) : char16_t(a << 8 | b);
        }
        const QStringView units16(out, units);
        const qsizetype firstCR = units16.indexOf(u'\r');
        const qsizetype firstLF = units16.indexOf(u'\n');
        hasCR = firstCR >= 0;
        ending = firstCR >= 0 && (firstLF < 0 || firstCR < firstLF)
            ? (firstCR + 1 == firstLF ? LineEnding::CRLF : LineEnding::CR)
            : LineEnding::LF;
        const qsizetype length = hasCR ? collapseLineBreaks(out, units) : units;
        wideBuffer.resize(length);
        visible.utf16 = reinterpret_cast<const char16_t*>(wideBuffer.constData());
        visible.size = length;
        return LoadOutcome::Loaded;
    }

    // Bytes: strict UTF-8, else Windows-1252.
    const void* crAt = std::memchr(body, '\r', size_t(bodySize));
    hasCR = crAt != nullptr;
    if (hasCR) {
        const qsizetype cr = static_cast<const uchar*>(crAt) - body;
        const void* lfAt = std::memchr(body, '\n', size_t(cr));
        ending = lfAt ? LineEnding::LF
                      : (cr + 1 < bodySize && body[cr + 1] == '\n' ? LineEnding::CRLF : LineEnding::CR);
    }
    bool ascii = false;
    const bool utf8 = isStrictUtf8(body, bodySize, &ascii);
    if (!utf8 && bom == 3)
        return fail(LoadOutcome::Unsupported, "invalid UTF-8 after a UTF-8 byte order mark");
    enc = utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    asciiOnly = utf8 && ascii;

    bool oneBytePerChar = asciiOnly;
    if (enc == TextEncoding::Windows1252) {
        oneBytePerChar = true;
        for (qsizetype i = 0; i < bodySize && oneBytePerChar; ++i)
            oneBytePerChar = body[i] < 0x80 || body[i] >= 0xA0;
    }

    if (oneBytePerChar) {
        if (!hasCR) {
            visible.latin1 = body;
            visible.size = bodySize;
            return LoadOutcome::Loaded;
        }
        makeRoom(narrowBuffer, bodySize);
        for (qsizetype at = 0; at < bodySize; at += kDecodeChunk) {
            const qsizetype chunk = std::min(kDecodeChunk, bodySize - at);
            std::memcpy(narrowBuffer.data() + at, body + at, size_t(chunk));
            if (mapped)
                releasePages(body + at, chunk);
        }
        const qsizetype length = collapseLineBreaks(narrowBuffer.data(), bodySize);
        narrowBuffer.resize(length);
        visible.latin1 = reinterpret_cast<const uchar*>(narrowBuffer.constData());
        visible.size = length;
        return LoadOutcome::Loaded;
    }

    makeRoom(wideBuffer, bodySize + 1);
    QChar* out = wideBuffer.data();
    if (enc == TextEncoding::Utf8) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        for (qsizetype at = 0; at < bodySize; at += kDecodeChunk) {
            const qsizetype chunk = std::min(kDecodeChunk, bodySize - at);
            out = decoder.appendToBuffer(out, QByteArrayView(body + at, chunk));
            if (mapped)
                releasePages(body + at, chunk);
        }
    } else {
        char16_t* wide = reinterpret_cast<char16_t*>(out);
        for (qsizetype i = 0; i < bodySize; ++i)
            wide[i] = kWindows1252[body[i]];
        out += bodySize;
    }
    qsizetype length = out - wideBuffer.data();
    if (hasCR)
        length = collapseLineBreaks(reinterpret_cast<char16_t*>(wideBuffer.data()), length);
    wideBuffer.resize(length);
    visible.utf16 = reinterpret_cast<const char16_t*>(wideBuffer.constData());
    visible.size = length;
    return LoadOutcome::Loaded;
}

// Moves the cursor (visPos, bytePos) forward to the visible position `target` and returns the byte
// offset there. A target inside a surrogate pair ends up after the pair.
qsizetype PlainText::byteOffset(qsizetype& visPos, qsizetype& bytePos, qsizetype target) const
{
    const bool wide = enc == TextEncoding::Utf16LE || enc == TextEncoding::Utf16BE;
    const bool oneByte = enc == TextEncoding::Windows1252 || asciiOnly;
    if (!hasCR && (oneByte || wide)) {
        visPos = std::max(visPos, target);
        bytePos = bom + (wide ? 2 : 1) * visPos;
        return bytePos;
    }
    if (oneByte) {
        while (visPos < target) {
            const qsizetype span = std::min(target - visPos, byteCount - bytePos);
            if (span <= 0)
                break;
            const void* cr = std::memchr(bytes + bytePos, '\r', size_t(span));
            if (!cr) {
                bytePos += span;
                visPos += span;
                break;
            }
            const qsizetype skip = static_cast<const uchar*>(cr) - (bytes + bytePos);
            bytePos += skip + ((bytePos + skip + 1 < byteCount && bytes[bytePos + skip + 1] == '\n') ? 2 : 1);
            visPos += skip + 1;
        }
        return bytePos;
    }
    if (wide) {
        const bool little = enc == TextEncoding::Utf16LE;
        auto unit = [&](qsizetype at) {
            return little ? char16_t(bytes[at] | bytes[at + 1] << 8)
                          : char16_t(bytes[at] << 8 | bytes[at + 1]);
        };
        while (visPos < target && bytePos + 1 < byteCount) {
            const bool crlf = unit(bytePos) == '\r' && bytePos + 3 < byteCount && unit(bytePos + 2) == '\n';
            bytePos += crlf ? 4 : 2;
            ++visPos;
        }
        return bytePos;
    }
    // UTF-8 with multi-byte characters or CRs: eight bytes at a time while far from the target, then
    // character by character. Eight bytes count at most nine units (seven ASCII bytes and the lead
    // of a surrogate pair), so the word steps never reach the target; they may stop inside a
    // character or a CRLF pair, already counted.
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        while (target - visPos > 9 && bytePos + 8 <= byteCount) {
            quint64 word;
            std::memcpy(&word, bytes + bytePos, 8);
            visPos += utf8Units(word, bytePos > 0 ? bytes[bytePos - 1] : 0);
            bytePos += 8;
        }
    }
    while (visPos < target && bytePos < byteCount) {
        const uchar b = bytes[bytePos];
        if ((b & 0xC0) == 0x80 || (b == '\n' && bytePos > 0 && bytes[bytePos - 1] == '\r')) {
            ++bytePos;
            continue;
        }
        if (b < 0x80) {
            bytePos += (b == '\r' && bytePos + 1 < byteCount && bytes[bytePos + 1] == '\n') ? 2 : 1;
            visPos += 1;
        } else if (b < 0xE0) {
            bytePos += 2;
            visPos += 1;
        } else if (b < 0xF0) {
            bytePos += 3;
            visPos += 1;
        } else {
            bytePos += 4;
            visPos += 2;
        }
    }
    return std::min(bytePos, byteCount);
}

QByteArray PlainText::encodeInserted(const QString& text) const
{
    const QString breakText = ending == LineEnding::CRLF ? QStringLiteral("\r\n")
        : ending == LineEnding::CR                       ? QStringLiteral("\r")
                                                         : QStringLiteral("\n");
    QString converted;
    converted.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            converted += breakText;
        } else {
            converted += c;
        }
    }
    QByteArray out;
    switch (enc) {
    case TextEncoding::Utf8:
        return converted.toUtf8();
    case TextEncoding::Windows1252:
        out.reserve(converted.size());
        for (QChar c : converted)
            out.append(char(unicodeToWindows1252(c.unicode())));
        return out;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        out.reserve(converted.size() * 2);
        for (QChar c : converted) {
            const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
            if (enc == TextEncoding::Utf16LE)
                out.append(lo).append(hi);
            else
                out.append(hi).append(lo);
        }
        return out;
    }
    return out;
}

bool PlainText::canEncode(const EditList& edits) const
{
    const QChar* checked = nullptr;
    for (const Edit& edit : edits) {
        if (edit.text.isEmpty() || edit.text.constData() == checked)
            continue;
        checked = edit.text.constData();
        const QString& t = edit.text;
        for (qsizetype i = 0; i < t.size(); ++i) {
            const char16_t c = t.at(i).unicode();
            if (enc == TextEncoding::Windows1252) {
                if (unicodeToWindows1252(c) < 0)
                    return false;
            } else if (enc == TextEncoding::Utf8 && QChar::isSurrogate(c)) {
                // UTF-8 holds only whole code points: a lone surrogate has no encoding.
                if (!QChar::isHighSurrogate(c) || i + 1 >= t.size() || !t.at(i + 1).isLowSurrogate())
                    return false;
                ++i;
            }
        }
    }
    return true;
}

bool PlainText::write(const EditList& edits, QIODevice& out) const
{
    outBuffer.resize(0);
    outBuffer.reserve(kOutBufferSize);
    bool ok = true;
    const char* raw = reinterpret_cast<const char*>(bytes);
    qsizetype visPos = 0, bytePos = bom, copied = 0, released = 0;
    auto flush = [&] {
        if (!outBuffer.isEmpty())
            ok = ok && out.write(outBuffer) == outBuffer.size();
        outBuffer.resize(0);
        // The document does not need the copied source pages in memory any more (it maps them
        // back from the page cache if it does).
        if (mapped && copied - released >= kDecodeChunk) {
            releasePages(bytes + released, copied - released);
            released = copied;
        }
    };
    auto put = [&](const char* data, qsizetype length) {
        if (length <= 0)
            return;
        if (length >= kOutBufferSize / 4) {
            flush();
            ok = ok && out.write(data, length) == length;
            return;
        }
        if (outBuffer.size() + length > kOutBufferSize)
            flush();
        const qsizetype used = outBuffer.size();
        outBuffer.resize(used + length);
        std::memcpy(outBuffer.data() + used, data, size_t(length));
    };

    // Kept and inserted pieces meet where the edits are. A CR that ends one piece and an LF that
    // begins the next would read as one CR LF line break: a CR written before the LF keeps them two.
    const bool wide = enc == TextEncoding::Utf16LE || enc == TextEncoding::Utf16BE;
    const qsizetype unit = wide ? 2 : 1;
    const char* cr = enc == TextEncoding::Utf16BE ? "\0\r" : "\r\0";
    auto unitAt = [&](const char* at) {
        return !wide                       ? char16_t(uchar(at[0]))
            : enc == TextEncoding::Utf16LE ? char16_t(uchar(at[0]) | uchar(at[1]) << 8)
                                           : char16_t(uchar(at[0]) << 8 | uchar(at[1]));
    };
    bool afterCR = false;
    auto piece = [&](const char* data, qsizetype length) {
        if (length < unit)
            return;
        if (afterCR && unitAt(data) == u'\n')
            put(cr, unit);
        put(data, length);
        afterCR = unitAt(data + length - unit) == u'\r';
    };

    const QChar* encodedFor = nullptr;
    qsizetype encodedLength = -1;
    QByteArray encoded;
    for (const Edit& edit : edits) {
        const qsizetype start = byteOffset(visPos, bytePos, edit.start);
        piece(raw + copied, start - copied);
        if (edit.text.constData() != encodedFor || edit.text.size() != encodedLength) {
            encoded = encodeInserted(edit.text);
            encodedFor = edit.text.constData();
            encodedLength = edit.text.size();
        }
        piece(encoded.constData(), encoded.size());
        copied = byteOffset(visPos, bytePos, edit.start + edit.length);
        if (!ok)
            return false;
    }
    piece(raw + copied, byteCount - copied);
    flush();
    return ok;
}

} // namespace richtext
