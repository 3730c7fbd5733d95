#pragma once

#include <QString>
#include <string>
#include <vector>

// File name patterns as the window's pattern box and the command line take them. Qt Core only.
namespace wildcard
{

// Matches file names against a pattern: "*" any run of characters (also none), "?" any one
// character, every other character itself, without regard to case. As on Windows, a pattern ending
// in ".*" also matches the name without an extension ("*.*" matches "README", "notes.*" matches
// "notes"), and one ending in "." matches names without an extension ("*." matches "README").
// Several wildcards separated by ";" ("*.txt;*.md") match a name that any of them matches; blanks
// around each are ignored, and so are empty ones.
class WildcardMatcher
{
public:
    explicit WildcardMatcher(const QString& pattern);
    bool matches(QStringView name) const;

private:
    struct Wildcard {
        std::u16string folded;
        // The wildcard without its final ".*" or ".", matched against names without an extension.
        std::u16string bare;
        bool hasBare = false;
        bool bareNeedsNoDot = false;
    };
    std::vector<Wildcard> m_wildcards;
};

} // namespace wildcard
