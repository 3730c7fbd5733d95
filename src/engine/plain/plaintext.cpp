#include "engine/plain/plaintext.h"

#include "engine/text/growth.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <QStringDecoder>
#include <QSysInfo>

namespace engine
{

namespace
{

    // Where the next CR is, or `n`.
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

} // namespace

PlainText::PlainText() = default;
PlainText::~PlainText()
{
    clear();
}

void PlainText::clear()
{
    // Buffers are kept for the next file, but a huge file's are not kept for good.
    constexpr qsizetype kKeep = qsizetype(64) << 20;
    if (held.capacity() > kKeep)
        held = QByteArray();
    if (wideBuffer.capacity() > kKeep / 2)
        wideBuffer = QString();
    if (narrowBuffer.capacity() > kKeep)
        narrowBuffer = QByteArray();
    if (anchors.capacity() > std::size_t(kKeep) / sizeof(Anchor))
        anchors = {};
    held.resize(0);
    bytes = nullptr;
    byteCount = 0;
    visible = {};
    enc = TextEncoding::Utf8;
    ending = LineEnding::LF;
    bom = 0;
    hasCR = false;
    asciiOnly = false;
    invalidUtf8 = false;
    narrow = false;
    searchable = false;
    pending = false;
    anchors.clear();
    anchorHint = 0;
}

ReadResult PlainText::read(const QString& path)
{
    clear();
    ReadResult result = readWholeFile(path, held);
    bytes = reinterpret_cast<const uchar*>(held.constData());
    byteCount = held.size();
    return result;
}

LoadOutcome PlainText::load(const QByteArray& data, QString* why)
{
    clear();
    held = data;
    bytes = reinterpret_cast<const uchar*>(held.constData());
    byteCount = held.size();
    return decode(why);
}

QByteArray PlainText::takeBytes()
{
    QByteArray taken = std::move(held);
    clear();
    return taken;
}

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
    // UTF-8 unless most of what is not ASCII is not UTF-8; a few bytes that begin no UTF-8 character
    // are kept as they are.
    const Utf8Census census =
        countUtf8(body, bodySize, hasCR ? static_cast<const uchar*>(crAt) - body : bodySize);
    const bool utf8 = bom == 3 || census.invalidBytes <= census.characters;
    enc = utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    asciiOnly = utf8 && census.ascii;
    invalidUtf8 = utf8 && census.invalidBytes > 0;

    bool oneBytePerChar = asciiOnly;
    if (enc == TextEncoding::Windows1252) {
        oneBytePerChar = true;
        for (qsizetype i = 0; i < bodySize && oneBytePerChar; ++i)
            oneBytePerChar = body[i] < 0x80 || body[i] >= 0xA0;
    }

    narrow = oneBytePerChar;
    if (narrow && !hasCR) {
        visible.latin1 = body;
        visible.size = bodySize;
        return LoadOutcome::Loaded;
    }
    if (enc == TextEncoding::Utf8 && !invalidUtf8) {
        // Valid UTF-8 is searched in its own bytes and decoded only when its text is asked for: a file
        // without a match is never decoded, and a large one never held twice.
        searchable = true;
        pending = true;
        visible.size = census.utf16Units;
        return LoadOutcome::Loaded;
    }
    decodeBody();
    return LoadOutcome::Loaded;
}

void PlainText::decodeText()
{
    if (!pending)
        return;
    decodeBody();
    pending = false;
}

// Decodes the bytes after the byte order mark into the visible text.
void PlainText::decodeBody()
{
    const uchar* body = bytes + bom;
    const qsizetype bodySize = byteCount - bom;
    if (narrow) {
        makeRoom(narrowBuffer, bodySize);
        std::memcpy(narrowBuffer.data(), body, size_t(bodySize));
        const qsizetype length = collapseLineBreaks(narrowBuffer.data(), bodySize);
        narrowBuffer.resize(length);
        visible.latin1 = reinterpret_cast<const uchar*>(narrowBuffer.constData());
        visible.size = length;
        return;
    }

    makeRoom(wideBuffer, bodySize + 1);
    QChar* out = wideBuffer.data();
    if (invalidUtf8) {
        out = reinterpret_cast<QChar*>(
            decodeUtf8KeepingInvalid(body, bodySize, reinterpret_cast<char16_t*>(out)));
    } else if (enc == TextEncoding::Utf8) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        out = decoder.appendToBuffer(out, QByteArrayView(body, bodySize));
    } else {
        char16_t* wide = reinterpret_cast<char16_t*>(out);
        for (qsizetype i = 0; i < bodySize; ++i)
            wide[i] = windows1252ToUnicode(body[i]);
        out += bodySize;
    }
    qsizetype length = out - wideBuffer.data();
    if (hasCR)
        length = collapseLineBreaks(reinterpret_cast<char16_t*>(wideBuffer.data()), length);
    wideBuffer.resize(length);
    visible.utf16 = reinterpret_cast<const char16_t*>(wideBuffer.constData());
    visible.size = length;
}

QByteArray encodeInserted(const QString& text, TextEncoding enc, LineEnding ending)
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

} // namespace engine
