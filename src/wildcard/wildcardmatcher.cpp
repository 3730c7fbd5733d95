#include "wildcard/wildcardmatcher.h"

#include <QList>

namespace wildcard
{

namespace
{
    char16_t foldedChar(char16_t c)
    {
        return c < 0x80 ? (c >= 'A' && c <= 'Z' ? char16_t(c + ('a' - 'A')) : c) : QChar::toCaseFolded(c);
    }
    std::u16string foldedPattern(QStringView pattern)
    {
        std::u16string folded;
        folded.reserve(std::size_t(pattern.size()));
        for (const QChar c : pattern)
            folded.push_back(foldedChar(c.unicode()));
        return folded;
    }

    // Walks name and pattern once; on a mismatch after a "*", that star swallows one more character.
    bool wildcardMatch(const std::u16string& pattern, QStringView name)
    {
        const std::size_t n = std::size_t(name.size());
        const std::size_t p = pattern.size();
        std::size_t i = 0, j = 0;
        std::size_t starAt = std::u16string::npos, resumeAt = 0;
        while (i < n) {
            if (j < p && pattern[j] == u'*') {
                starAt = j++;
                resumeAt = i;
            } else if (j < p
                && (pattern[j] == u'?' || pattern[j] == foldedChar(name[qsizetype(i)].unicode()))) {
                ++i;
                ++j;
            } else if (starAt != std::u16string::npos) {
                j = starAt + 1;
                i = ++resumeAt;
            } else {
                return false;
            }
        }
        while (j < p && pattern[j] == u'*')
            ++j;
        return j == p;
    }
} // namespace

WildcardMatcher::WildcardMatcher(const QString& pattern)
{
    for (QStringView piece : QStringView(pattern).split(u';', Qt::SkipEmptyParts)) {
        piece = piece.trimmed();
        if (piece.isEmpty())
            continue;
        Wildcard w { foldedPattern(piece), {}, false, false };
        if (piece.endsWith(QStringLiteral(".*"))) {
            w.bare = foldedPattern(piece.chopped(2));
            w.hasBare = true;
        } else if (piece.endsWith('.')) {
            w.bare = foldedPattern(piece.chopped(1));
            w.hasBare = w.bareNeedsNoDot = true;
        }
        m_wildcards.push_back(std::move(w));
    }
}

bool WildcardMatcher::matches(QStringView name) const
{
    for (const Wildcard& w : m_wildcards) {
        if (wildcardMatch(w.folded, name)
            || (w.hasBare && !(w.bareNeedsNoDot && name.contains('.')) && wildcardMatch(w.bare, name)))
            return true;
    }
    return false;
}

} // namespace wildcard
