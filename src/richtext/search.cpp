#include "richtext/search.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <limits>
#include <QChar>

namespace richtext
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
        return;
    }
    pattern = foldedCopy(needle);
    const char16_t first = needle[0].unicode();
    if (QChar::isHighSurrogate(first) && needle.size() > 1 && needle[1].isLowSurrogate()) {
        // A match begins with the high surrogate of any case form of the first code point.
        const char32_t cp = QChar::surrogateToUcs4(first, needle[1].unicode());
        const char32_t folded = QChar::toCaseFolded(cp);
        for (char32_t form : { cp, QChar::toUpper(cp), QChar::toLower(cp), QChar::toTitleCase(cp), folded })
            if (QChar::requiresSurrogates(form) && QChar::toCaseFolded(form) == folded) {
                const char16_t high = QChar::highSurrogate(form);
                if (std::find(leads.begin(), leads.end(), high) == leads.end())
                    leads.push_back(high);
            }
        return;
    }
    const FoldTables& tables = foldTables();
    char16_t unit = first;
    do {
        leads.push_back(unit);
        if (unit < 256)
            latin1Leads.push_back(uchar(unit));
        unit = tables.nextAlike[unit];
    } while (unit != first);
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

// Scans for each possible first unit with a vectorised single-unit search, always verifying the
// nearest candidate: the scan of a unit restarts only after its own candidate was used.
template <typename Scan>
qsizetype Matcher::leapfrog(Scan scan, const TextRef& text, qsizetype from, qsizetype last) const
{
    const qsizetype count = text.latin1 ? qsizetype(latin1Leads.size()) : qsizetype(leads.size());
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
        if (equalsAt(text, at))
            return at;
        nextAt[best] = scan(best, at + 1);
    }
}

qsizetype Matcher::indexIn(const TextRef& text, qsizetype from, qsizetype to) const
{
    const qsizetype m = pattern.size();
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, text.size);
    if (m == 0 || to - from < m)
        return -1;
    const qsizetype last = to - m; // the last position a match can start at

    if (text.latin1) {
        if (exact && latin1Pattern.isEmpty())
            return -1;
        if (latin1Leads.empty())
            return -1;
        if (exact) {
#ifdef __GLIBC__
            const void* hit =
                memmem(text.latin1 + from, size_t(to - from), latin1Pattern.constData(), size_t(m));
            return hit ? static_cast<const uchar*>(hit) - text.latin1 : -1;
#else
            const auto* begin = text.latin1 + from;
            const auto* hit = std::search(begin, text.latin1 + to, latin1Pattern.constData(),
                latin1Pattern.constData() + m, [](uchar a, char b) {
                    return a == uchar(b);
                });
            return hit == text.latin1 + to ? -1 : hit - text.latin1;
#endif
        }
        if (latin1Leads.size() > 8)
            return slowScan(text, from, last);
        auto scan = [&](qsizetype k, qsizetype at) -> qsizetype {
            if (at > last)
                return kNone;
            const void* hit = std::memchr(text.latin1 + at, latin1Leads[size_t(k)], size_t(last + 1 - at));
            return hit ? static_cast<const uchar*>(hit) - text.latin1 : kNone;
        };
        return leapfrog(scan, text, from, last);
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
    return leapfrog(scan, text, from, last);
}

// For a first character with more case forms than the scan keeps apart: test every position.
qsizetype Matcher::slowScan(const TextRef& text, qsizetype from, qsizetype last) const
{
    for (qsizetype at = from; at <= last; ++at)
        if (equalsAt(text, at))
            return at;
    return -1;
}

} // namespace richtext
