#include "engine/text/search.h"

#include "engine/text/simd.h"
#include "engine/text/utf8.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <limits>
#include <QChar>

namespace engine
{

namespace
{

    // Simple case folding of every BMP code unit, and for each unit the next unit of the same folding
    // (a cycle through all the units that fold alike: k, K and the Kelvin sign; s, S and long s...).
    struct FoldTables {
        std::vector<char16_t> fold;
        std::vector<char16_t> nextAlike;

        FoldTables()
            : fold(0x10000)
            , nextAlike(0x10000)
        {
            std::vector<int> lastOfClass(0x10000, -1);
            std::vector<int> firstOfClass(0x10000, -1);
            for (char32_t c = 0; c < 0x10000; ++c) {
                const char32_t f = QChar::isSurrogate(c) ? c : QChar::toCaseFolded(c);
                fold[c] = f < 0x10000 ? char16_t(f) : char16_t(c);
                nextAlike[c] = char16_t(c);
            }
            for (int c = 0; c < 0x10000; ++c) {
                const int f = fold[c];
                if (lastOfClass[f] >= 0)
                    nextAlike[lastOfClass[f]] = char16_t(c);
                else
                    firstOfClass[f] = c;
                lastOfClass[f] = c;
            }
            for (int f = 0; f < 0x10000; ++f)
                if (lastOfClass[f] >= 0)
                    nextAlike[lastOfClass[f]] = char16_t(firstOfClass[f]);
        }
    };

    const FoldTables& foldTables()
    {
        static const FoldTables tables;
        return tables;
    }

    // Word characters among the first 256 code points, looked up without a call per character.
    const std::array<bool, 256>& latin1Words()
    {
        static const std::array<bool, 256> table = [] {
            std::array<bool, 256> words {};
            for (char32_t c = 0; c < 256; ++c) {
                const QChar::Category cat = QChar::category(c);
                words[c] = c == '_' || cat == QChar::Number_DecimalDigit
                    || (cat >= QChar::Mark_NonSpacing && cat <= QChar::Mark_Enclosing)
                    || (cat >= QChar::Letter_Uppercase && cat <= QChar::Letter_Other);
            }
            return words;
        }();
        return table;
    }

    QString foldedCopy(QStringView text)
    {
        const FoldTables& tables = foldTables();
        QString out;
        out.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t u = text[i].unicode();
            if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(u, text[i + 1].unicode()));
                out += QChar(QChar::highSurrogate(folded));
                out += QChar(QChar::lowSurrogate(folded));
                ++i;
            } else {
                out += QChar(tables.fold[u]);
            }
        }
        return out;
    }

    constexpr qsizetype kNone = std::numeric_limits<qsizetype>::max();

} // namespace

#ifdef TEXTMEND_SSE2
namespace
{
    // findBytes' vector loop: a tight scan, sixteen or thirty-two places at a time, for places whose
    // first and last bytes fit, then a look at each. Text that keeps fitting without matching hands over
    // to the general search after the loop, which stays linear. `at` and `compared` carry on from one
    // loop to the next.
#define TEXTMEND_FIND_LOOP(WIDTH, VECTOR, BROADCAST, LOAD, EQUAL, AND, MASK)                                 \
    const VECTOR first = BROADCAST(char(needle[0])), last = BROADCAST(char(needle[m - 1]));                  \
    const qsizetype lastBlock = n - m + 1 - WIDTH;                                                           \
    qsizetype block = at, work = compared, found = -1;                                                       \
    while (block <= lastBlock) {                                                                             \
        unsigned fits = 0;                                                                                   \
        for (; block <= lastBlock; block += WIDTH) {                                                         \
            const VECTOR heads = LOAD(reinterpret_cast<const VECTOR*>(haystack + block));                    \
            const VECTOR tails = LOAD(reinterpret_cast<const VECTOR*>(haystack + block + m - 1));            \
            fits = unsigned(MASK(AND(EQUAL(heads, first), EQUAL(tails, last))));                             \
            if (fits)                                                                                        \
                break;                                                                                       \
        }                                                                                                    \
        for (; fits && found < 0; fits &= fits - 1) {                                                        \
            const qsizetype place = block + __builtin_ctz(fits);                                             \
            if (std::memcmp(haystack + place + 1, needle + 1, size_t(m - 2)) == 0)                           \
                found = place;                                                                               \
            work += m;                                                                                       \
        }                                                                                                    \
        if (found >= 0 || block > lastBlock)                                                                 \
            break;                                                                                           \
        block += WIDTH;                                                                                      \
        if (work > block - from + 4096)                                                                      \
            break;                                                                                           \
    }                                                                                                        \
    at = block;                                                                                              \
    compared = work;                                                                                         \
    return found;

    qsizetype findBytesSse2(const uchar* haystack, qsizetype n, qsizetype from, qsizetype& at,
        const uchar* needle, qsizetype m, qsizetype& compared) { TEXTMEND_FIND_LOOP(
        16, __m128i, _mm_set1_epi8, _mm_loadu_si128, _mm_cmpeq_epi8, _mm_and_si128, _mm_movemask_epi8) }

#ifdef TEXTMEND_AVX2
    TEXTMEND_AVX2 qsizetype findBytesAvx2(const uchar* haystack, qsizetype n, qsizetype from, qsizetype& at,
        const uchar* needle, qsizetype m, qsizetype& compared)
    {
        TEXTMEND_FIND_LOOP(32, __m256i, _mm256_set1_epi8, _mm256_loadu_si256, _mm256_cmpeq_epi8,
            _mm256_and_si256, _mm256_movemask_epi8)
    }
#endif
#undef TEXTMEND_FIND_LOOP
} // namespace
#endif

qsizetype findBytes(const uchar* haystack, qsizetype n, qsizetype from, const uchar* needle, qsizetype m)
{
    from = std::max<qsizetype>(from, 0);
    if (m <= 0 || n - from < m)
        return -1;
    if (m == 1) {
        const void* hit = std::memchr(haystack + from, needle[0], size_t(n - from));
        return hit ? static_cast<const uchar*>(hit) - haystack : -1;
    }
    qsizetype at = from;
#ifdef TEXTMEND_SSE2
    qsizetype compared = 0;
#ifdef TEXTMEND_AVX2
    if (cpuHasAvx2()) {
        if (const qsizetype hit = findBytesAvx2(haystack, n, from, at, needle, m, compared); hit >= 0)
            return hit;
    }
#endif
    if (const qsizetype hit = findBytesSse2(haystack, n, from, at, needle, m, compared); hit >= 0)
        return hit;
#endif
#ifdef __GLIBC__
    const void* hit = memmem(haystack + at, size_t(n - at), needle, size_t(m));
    return hit ? static_cast<const uchar*>(hit) - haystack : -1;
#else
    const auto* end = haystack + n;
    const auto* hit = std::search(haystack + at, end, needle, needle + m);
    return hit == end ? -1 : hit - haystack;
#endif
}

bool isWordChar(char32_t c)
{
    if (c < 256)
        return latin1Words()[c];
    const QChar::Category cat = QChar::category(c);
    return cat == QChar::Number_DecimalDigit
        || (cat >= QChar::Mark_NonSpacing && cat <= QChar::Mark_Enclosing)
        || (cat >= QChar::Letter_Uppercase && cat <= QChar::Letter_Other);
}

Matcher::Matcher(QStringView needle, bool matchCase)
    : exact(matchCase)
{
    if (needle.isEmpty())
        return;
    if (exact) {
        pattern = needle.toString();
        bool narrow = std::all_of(needle.begin(), needle.end(), [](QChar c) {
            return c.unicode() < 256;
        });
        if (narrow)
            latin1Pattern = pattern.toLatin1();
        leads = { needle[0].unicode() };
        if (narrow)
            latin1Leads = { uchar(needle[0].unicode()) };
    } else {
        pattern = foldedCopy(needle);
        const char16_t first = needle[0].unicode();
        if (QChar::isHighSurrogate(first) && needle.size() > 1 && needle[1].isLowSurrogate()) {
            // A match begins with the high surrogate of any case form of the first code point.
            const char32_t cp = QChar::surrogateToUcs4(first, needle[1].unicode());
            const char32_t folded = QChar::toCaseFolded(cp);
            for (char32_t form :
                { cp, QChar::toUpper(cp), QChar::toLower(cp), QChar::toTitleCase(cp), folded })
                if (QChar::requiresSurrogates(form) && QChar::toCaseFolded(form) == folded) {
                    const char16_t high = QChar::highSurrogate(form);
                    if (std::find(leads.begin(), leads.end(), high) == leads.end())
                        leads.push_back(high);
                }
        } else {
            const FoldTables& tables = foldTables();
            char16_t unit = first;
            do {
                leads.push_back(unit);
                if (unit < 256)
                    latin1Leads.push_back(uchar(unit));
                unit = tables.nextAlike[unit];
            } while (unit != first);
        }
    }
    prepareUtf8(needle);
}

// A needle without line breaks and lone surrogates matches UTF-8 text where its own UTF-8 bytes stand
// (exactly), or where a character that one of `leads` begins stands (ignoring case: the candidate is
// decoded and compared like decoded text).
void Matcher::prepareUtf8(QStringView needle)
{
    for (qsizetype i = 0; i < needle.size(); ++i) {
        const char16_t u = needle[i].unicode();
        if (u == '\n' || u == '\r' || QChar::isLowSurrogate(u))
            return;
        if (QChar::isHighSurrogate(u)) {
            if (i + 1 == needle.size() || !needle[i + 1].isLowSurrogate())
                return;
            ++i;
        }
    }
    if (exact) {
        utf8Pattern = needle.toUtf8();
        utf8Ready = true;
        return;
    }
    for (char16_t unit : leads) {
        uchar lead = uchar(unit);
        if (QChar::isHighSurrogate(unit))
            lead = uchar(0xF0 | (QChar::surrogateToUcs4(unit, 0xDC00) >> 18));
        else if (unit >= 0x800)
            lead = uchar(0xE0 | (unit >> 12));
        else if (unit >= 0x80)
            lead = uchar(0xC0 | (unit >> 6));
        if (std::find(utf8Leads.begin(), utf8Leads.end(), lead) == utf8Leads.end())
            utf8Leads.push_back(lead);
    }
    utf8Ready = !utf8Leads.empty() && utf8Leads.size() <= 8;
}

bool Matcher::equalsAt(const TextRef& text, qsizetype at) const
{
    const qsizetype m = pattern.size();
    const char16_t* p = reinterpret_cast<const char16_t*>(pattern.constData());
    if (exact) {
        if (text.latin1)
            return std::memcmp(text.latin1 + at, latin1Pattern.constData(), size_t(m)) == 0;
        return std::memcmp(text.utf16 + at, p, size_t(m) * sizeof(char16_t)) == 0;
    }
    const std::vector<char16_t>& fold = foldTables().fold;
    if (text.latin1) {
        for (qsizetype i = 0; i < m; ++i)
            if (fold[text.latin1[at + i]] != p[i])
                return false;
        return true;
    }
    const char16_t* t = text.utf16 + at;
    for (qsizetype i = 0; i < m; ++i) {
        const char16_t u = t[i];
        if (QChar::isHighSurrogate(u) && i + 1 < m && QChar::isLowSurrogate(t[i + 1])) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(u, t[i + 1]));
            if (QChar::highSurrogate(folded) != p[i] || QChar::lowSurrogate(folded) != p[i + 1])
                return false;
            ++i;
        } else if (fold[u] != p[i]) {
            return false;
        }
    }
    return true;
}

namespace
{
    // Scans for each of `count` (at most 8) possible first units with a vectorised single-unit search,
    // `scan(k, at)` giving the next place of unit k at or after `at`, and always verifies the nearest
    // candidate with `matches(at)`: the scan of a unit restarts only after its own candidate was used.
    // The first place that matches, or -1 when the candidates pass `last`.
    template <typename Scan, typename Matches>
    qsizetype leapfrog(qsizetype count, Scan scan, Matches matches, qsizetype from, qsizetype last)
    {
        qsizetype nextAt[8];
        const qsizetype used = std::min<qsizetype>(count, 8);
        for (qsizetype k = 0; k < used; ++k)
            nextAt[k] = scan(k, from);
        for (;;) {
            qsizetype best = 0;
            for (qsizetype k = 1; k < used; ++k)
                if (nextAt[k] < nextAt[best])
                    best = k;
            const qsizetype at = nextAt[best];
            if (at > last)
                return -1;
            if (matches(at))
                return at;
            nextAt[best] = scan(best, at + 1);
        }
    }
} // namespace

qsizetype Matcher::indexIn(const TextRef& text, qsizetype from, qsizetype to) const
{
    const qsizetype m = pattern.size();
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, text.size);
    if (m == 0 || to - from < m)
        return -1;
    const qsizetype last = to - m; // the last position a match can start at
    auto verify = [&](qsizetype at) {
        return equalsAt(text, at);
    };

    if (text.latin1) {
        if (exact && latin1Pattern.isEmpty())
            return -1;
        if (latin1Leads.empty())
            return -1;
        if (exact)
            return findBytes(
                text.latin1, to, from, reinterpret_cast<const uchar*>(latin1Pattern.constData()), m);
        if (latin1Leads.size() > 8)
            return slowScan(text, from, last);
        auto scan = [&](qsizetype k, qsizetype at) -> qsizetype {
            if (at > last)
                return kNone;
            const void* hit = std::memchr(text.latin1 + at, latin1Leads[size_t(k)], size_t(last + 1 - at));
            return hit ? static_cast<const uchar*>(hit) - text.latin1 : kNone;
        };
        return leapfrog(qsizetype(latin1Leads.size()), scan, verify, from, last);
    }

    const QStringView hay(text.utf16, last + 1);
    auto scan = [&](qsizetype k, qsizetype at) -> qsizetype {
        if (at > last)
            return kNone;
        const qsizetype hit = hay.indexOf(QChar(leads[size_t(k)]), at);
        return hit < 0 ? kNone : hit;
    };
    if (leads.size() > 8)
        return slowScan(text, from, last);
    return leapfrog(qsizetype(leads.size()), scan, verify, from, last);
}

qsizetype Matcher::indexInUtf8(const uchar* bytes, qsizetype n, qsizetype from, qsizetype& length) const
{
    if (!utf8Ready)
        return -1;
    if (exact) {
        length = utf8Pattern.size();
        return findBytes(bytes, n, from, reinterpret_cast<const uchar*>(utf8Pattern.constData()), length);
    }
    const qsizetype m = pattern.size();
    window.resize(size_t(m) + 1);
    const TextRef decoded { nullptr, window.data(), m };
    auto scan = [&](qsizetype k, qsizetype at) -> qsizetype {
        if (at >= n)
            return kNone;
        const void* hit = std::memchr(bytes + at, utf8Leads[size_t(k)], size_t(n - at));
        return hit ? static_cast<const uchar*>(hit) - bytes : kNone;
    };
    auto matches = [&](qsizetype at) {
        qsizetype end = at;
        if (decodeUtf8Units(bytes, n, at, window.data(), m, end) < m || !equalsAt(decoded, 0))
            return false;
        length = end - at;
        return true;
    };
    return leapfrog(qsizetype(utf8Leads.size()), scan, matches, from, n - 1);
}

// For a first character with more case forms than the scan keeps apart: test every position.
qsizetype Matcher::slowScan(const TextRef& text, qsizetype from, qsizetype last) const
{
    for (qsizetype at = from; at <= last; ++at)
        if (equalsAt(text, at))
            return at;
    return -1;
}

} // namespace engine
