#include "engine/text/utf8.h"

#include "engine/text/simd.h"

#include <algorithm>
#include <cstring>
#include <QChar>

namespace engine
{

int utf8SequenceLength(const uchar* p, qsizetype n, qsizetype i)
{
    const uchar b = p[i];
    if (b < 0x80)
        return 1;
    auto cont = [&](qsizetype k) {
        return i + k < n && (p[i + k] & 0xC0) == 0x80;
    };
    auto within = [&](qsizetype k, uchar lo, uchar hi) {
        return i + k < n && p[i + k] >= lo && p[i + k] <= hi;
    };
    if (b >= 0xC2 && b <= 0xDF)
        return cont(1) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        const bool second = b == 0xE0 ? within(1, 0xA0, 0xBF) : b == 0xED ? within(1, 0x80, 0x9F) : cont(1);
        return second && cont(2) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        const bool second = b == 0xF0 ? within(1, 0x90, 0xBF) : b == 0xF4 ? within(1, 0x80, 0x8F) : cont(1);
        return second && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

namespace
{
    // Where the first byte that is not ASCII is, or `n`: sixty-four bytes at a time.
    qsizetype firstNonAscii(const uchar* p, qsizetype n)
    {
        qsizetype i = 0;
#ifdef TEXTMEND_SSE2
        for (; i + 64 <= n; i += 64) {
            const auto* block = reinterpret_cast<const __m128i*>(p + i);
            const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(block), _mm_loadu_si128(block + 1)),
                _mm_or_si128(_mm_loadu_si128(block + 2), _mm_loadu_si128(block + 3)));
            if (_mm_movemask_epi8(any))
                break;
        }
#endif
        while (i < n && p[i] < 0x80)
            ++i;
        return i;
    }

    qsizetype crlfPairsIn(const uchar* p, qsizetype n, qsizetype end)
    {
        qsizetype pairs = 0;
        for (const void* cr = std::memchr(p, '\r', size_t(end)); cr;) {
            const qsizetype at = static_cast<const uchar*>(cr) - p;
            pairs += at + 1 < n && p[at + 1] == '\n';
            cr = at + 1 < end ? std::memchr(p + at + 1, '\r', size_t(end - at - 1)) : nullptr;
        }
        return pairs;
    }
} // namespace

Utf8Census countUtf8(const uchar* p, qsizetype n, qsizetype firstCR)
{
    Utf8Census census;
    // Most text is ASCII: up to the first byte that is not, only the CRLF pairs need counting.
    qsizetype i = firstNonAscii(p, n);
    auto pairsBefore = [&](qsizetype end) {
        return firstCR < end ? crlfPairsIn(p + firstCR, n - firstCR, end - firstCR) : 0;
    };
    if (i == n) {
        census.utf16Units = n - pairsBefore(n);
        return census;
    }
    qsizetype multibyteBytes = 0, fourByteCharacters = 0, crlfPairs = 0;
    auto character = [&](qsizetype& at) { // p[at] is not ASCII
        census.ascii = false;
        const int length = utf8SequenceLength(p, n, at);
        if (length == 0) {
            ++census.invalidBytes;
            ++at;
            return;
        }
        ++census.characters;
        multibyteBytes += length;
        fourByteCharacters += length == 4;
        at += length;
    };
    auto pairAt = [&](qsizetype at) { // p[at] is a CR
        return at + 1 < n && p[at + 1] == '\n';
    };
    crlfPairs += pairsBefore(i);
#ifdef TEXTMEND_SSE2
    // Sixteen bytes at a time up to the next byte that is not ASCII, counting the CRLF pairs on the way.
    const __m128i cr = _mm_set1_epi8('\r');
    while (i + 16 <= n) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned high = unsigned(_mm_movemask_epi8(bytes));
        unsigned crs = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
        if (high)
            crs &= (1u << __builtin_ctz(high)) - 1;
        for (; crs; crs &= crs - 1)
            crlfPairs += pairAt(i + __builtin_ctz(crs));
        if (!high) {
            i += 16;
            continue;
        }
        i += __builtin_ctz(high);
        character(i);
    }
#endif
    while (i < n) {
        if (p[i] >= 0x80) {
            character(i);
            continue;
        }
        crlfPairs += p[i] == '\r' && pairAt(i);
        ++i;
    }
    census.utf16Units = n - multibyteBytes + census.characters + fourByteCharacters - crlfPairs;
    return census;
}

char16_t* decodeUtf8KeepingInvalid(const uchar* p, qsizetype n, char16_t* out)
{
    for (qsizetype i = 0; i < n;) {
        const int length = utf8SequenceLength(p, n, i);
        char32_t c = p[i];
        switch (length) {
        case 0:
            c = 0xFFFD;
            break;
        case 2:
            c = (c & 0x1F) << 6 | (p[i + 1] & 0x3F);
            break;
        case 3:
            c = (c & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F);
            break;
        case 4:
            c = (c & 0x07) << 18 | (p[i + 1] & 0x3F) << 12 | (p[i + 2] & 0x3F) << 6 | (p[i + 3] & 0x3F);
            break;
        }
        if (c > 0xFFFF) {
            *out++ = QChar::highSurrogate(c);
            *out++ = QChar::lowSurrogate(c);
        } else {
            *out++ = char16_t(c);
        }
        i += std::max(length, 1);
    }
    return out;
}

#ifdef TEXTMEND_AVX2
namespace
{
    // utf16Length's loop, thirty-two bytes at a time from byte `i` (not the first) while at least
    // thirty-two are left.
    TEXTMEND_AVX2 qsizetype utf16LengthAvx2(const uchar* p, qsizetype& i, qsizetype end)
    {
        qsizetype units = 0;
        const __m256i lowestLead = _mm256_set1_epi8(char(0xC0)), fourByteLead = _mm256_set1_epi8(char(0xEF));
        const __m256i zero = _mm256_setzero_si256(), lf = _mm256_set1_epi8('\n'), cr = _mm256_set1_epi8('\r');
        while (end - i >= 32) {
            const qsizetype blocks = std::min<qsizetype>((end - i) / 32, 255);
            __m256i uncounted = zero, extra = zero;
            for (qsizetype k = 0; k < blocks; ++k, i += 32) {
                const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
                const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i - 1));
                const __m256i continuation = _mm256_cmpgt_epi8(lowestLead, bytes);
                const __m256i lfAfterCR =
                    _mm256_and_si256(_mm256_cmpeq_epi8(bytes, lf), _mm256_cmpeq_epi8(before, cr));
                const __m256i four =
                    _mm256_and_si256(_mm256_cmpgt_epi8(bytes, fourByteLead), _mm256_cmpgt_epi8(zero, bytes));
                uncounted = _mm256_sub_epi8(uncounted, _mm256_or_si256(continuation, lfAfterCR));
                extra = _mm256_sub_epi8(extra, four);
            }
            const __m256i sums =
                _mm256_sub_epi64(_mm256_sad_epu8(extra, zero), _mm256_sad_epu8(uncounted, zero));
            const __m128i half =
                _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
            units +=
                32 * blocks + _mm_cvtsi128_si64(half) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(half, half));
        }
        return units;
    }
} // namespace
#endif

qsizetype utf16Length(const uchar* p, qsizetype begin, qsizetype end)
{
    qsizetype units = 0;
    qsizetype i = begin;
    auto countByte = [&](qsizetype at) {
        const uchar b = p[at];
        if ((b & 0xC0) == 0x80 || (b == '\n' && at > 0 && p[at - 1] == '\r'))
            return 0;
        return b >= 0xF0 ? 2 : 1;
    };
#ifdef TEXTMEND_SSE2
    if (i == 0 && end > 0)
        units += countByte(i++);
#ifdef TEXTMEND_AVX2
    if (cpuHasAvx2())
        units += utf16LengthAvx2(p, i, end);
#endif
    // Sixteen bytes at a time: per byte lane, one count for each byte that begins no character (a
    // continuation byte, the LF of a CRLF pair) and one for each four-byte lead, added up in bytes for
    // at most 255 blocks before the lanes are summed.
    const __m128i lowestLead = _mm_set1_epi8(char(0xC0)), fourByteLead = _mm_set1_epi8(char(0xEF));
    const __m128i zero = _mm_setzero_si128(), lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    while (end - i >= 16) {
        const qsizetype blocks = std::min<qsizetype>((end - i) / 16, 255);
        __m128i uncounted = zero, extra = zero;
        for (qsizetype k = 0; k < blocks; ++k, i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 1));
            const __m128i continuation = _mm_cmplt_epi8(bytes, lowestLead);
            const __m128i lfAfterCR = _mm_and_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(before, cr));
            const __m128i four =
                _mm_and_si128(_mm_cmpgt_epi8(bytes, fourByteLead), _mm_cmplt_epi8(bytes, zero));
            uncounted = _mm_sub_epi8(uncounted, _mm_or_si128(continuation, lfAfterCR));
            extra = _mm_sub_epi8(extra, four);
        }
        const __m128i sums = _mm_sub_epi64(_mm_sad_epu8(extra, zero), _mm_sad_epu8(uncounted, zero));
        units += 16 * blocks + _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
    }
#endif
    for (; i < end; ++i)
        units += countByte(i);
    return units;
}

qsizetype decodeUtf8Units(
    const uchar* p, qsizetype n, qsizetype at, char16_t* out, qsizetype units, qsizetype& end)
{
    qsizetype written = 0;
    while (written < units && at < n) {
        const uchar b = p[at];
        if (b == '\r' || b == '\n') {
            out[written++] = u'\n';
            at += (b == '\r' && at + 1 < n && p[at + 1] == '\n') ? 2 : 1;
            continue;
        }
        const int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        if (at + length > n)
            break;
        char32_t c = b;
        if (length == 2)
            c = (c & 0x1F) << 6 | (p[at + 1] & 0x3F);
        else if (length == 3)
            c = (c & 0x0F) << 12 | (p[at + 1] & 0x3F) << 6 | (p[at + 2] & 0x3F);
        else if (length == 4)
            c = (c & 0x07) << 18 | (p[at + 1] & 0x3F) << 12 | (p[at + 2] & 0x3F) << 6 | (p[at + 3] & 0x3F);
        if (c > 0xFFFF) {
            out[written++] = QChar::highSurrogate(c);
            out[written++] = QChar::lowSurrogate(c);
        } else {
            out[written++] = char16_t(c);
        }
        at += length;
    }
    end = at;
    return written;
}

char32_t utf8CodePointBefore(const uchar* p, qsizetype begin, qsizetype at)
{
    if (at <= begin)
        return 0;
    qsizetype lead = at - 1;
    while (lead > begin && at - lead < 4 && (p[lead] & 0xC0) == 0x80)
        --lead;
    char16_t units[2];
    qsizetype end = 0;
    const qsizetype got = decodeUtf8Units(p, at, lead, units, 1, end);
    return got == 2 ? QChar::surrogateToUcs4(units[0], units[1]) : got == 1 ? char32_t(units[0]) : 0;
}

char32_t utf8CodePointAt(const uchar* p, qsizetype n, qsizetype at)
{
    char16_t units[2];
    qsizetype end = 0;
    const qsizetype got = decodeUtf8Units(p, n, at, units, 1, end);
    return got == 2 ? QChar::surrogateToUcs4(units[0], units[1]) : got == 1 ? char32_t(units[0]) : 0;
}

} // namespace engine
