#include "engine/plain/plain_encoding.h"

#include "engine/text/simd.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <QChar>

namespace engine
{

namespace
{

    // Windows-1252 characters of the bytes 0x80 to 0x9F; the other bytes are their own character.
    // clang-format off
    constexpr char16_t kHighControls[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    // clang-format on

    constexpr std::array<char16_t, 256> kWindows1252 = [] {
        std::array<char16_t, 256> table {};
        for (int b = 0; b < 256; ++b)
            table[b] = (b >= 0x80 && b < 0xA0) ? kHighControls[b - 0x80] : char16_t(b);
        return table;
    }();

    bool isAsciiLetter(uchar b)
    {
        return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
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

// NUL bytes only on one side of the code units, and every unit a character that text holds: no
// controls other than tab, line breaks and form feed, nothing unassigned, surrogates in pairs. Eight-bit
// text with NUL bytes between its characters passes that often enough; it gives itself away by
// units made of two ASCII letters (a CJK ideograph read as UTF-16), which real text seldom has.
std::optional<TextEncoding> sniffUtf16(const uchar* p, qsizetype n)
{
    if (n < 2 || n % 2 != 0)
        return {};
    const qsizetype probe = std::min(n, kBinaryProbe) & ~qsizetype(1);
    qsizetype evenZeros = 0, oddZeros = 0;
    for (qsizetype i = 0; i < probe; ++i)
        if (p[i] == 0)
            ++(i % 2 ? oddZeros : evenZeros);
    if ((evenZeros == 0) == (oddZeros == 0))
        return {};
    const bool little = evenZeros == 0;
    auto unitAt = [&](qsizetype i) {
        return little ? char16_t(p[i] | p[i + 1] << 8) : char16_t(p[i] << 8 | p[i + 1]);
    };
    qsizetype wide = 0, letterPairs = 0;
    for (qsizetype i = 0; i < probe; i += 2) {
        const char16_t unit = unitAt(i);
        if (QChar::isHighSurrogate(unit)) {
            if (i + 2 < probe && !QChar::isLowSurrogate(unitAt(i + 2)))
                return {};
            i += 2;
            continue;
        }
        if (QChar::isLowSurrogate(unit))
            return {};
        const bool control = unit < 0x20 || (unit >= 0x7F && unit < 0xA0);
        if ((control && unit != '\t' && unit != '\n' && unit != '\r' && unit != '\f')
            || QChar::category(char32_t(unit)) == QChar::Other_NotAssigned)
            return {};
        if (unit > 0xFF) {
            ++wide;
            if (isAsciiLetter(uchar(unit >> 8)) && isAsciiLetter(uchar(unit & 0xFF)))
                ++letterPairs;
        }
    }
    if (letterPairs * 3 > wide)
        return {};
    return little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
}

} // namespace engine
