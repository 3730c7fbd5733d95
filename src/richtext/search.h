#pragma once

#include "richtext/textref.h"

#include <QString>
#include <vector>

namespace richtext
{

// A word character: a letter, a combining mark, a decimal digit (any script) or an underscore.
bool isWordChar(char32_t c);

// Finds one needle in visible text, exactly or ignoring case by Unicode simple case folding. It
// only finds candidates: whole-word and other rules belong to the caller, who goes on after a
// rejected candidate.
class Matcher
{
public:
    Matcher(QStringView needle, bool matchCase);

    qsizetype size() const { return pattern.size(); }
    // The first match that starts at or after `from` and ends at or before `to`, or -1.
    qsizetype indexIn(const TextRef& text, qsizetype from, qsizetype to) const;

private:
    bool equalsAt(const TextRef& text, qsizetype at) const;
    qsizetype slowScan(const TextRef& text, qsizetype from, qsizetype last) const;
    template <typename Scan>
    qsizetype leapfrog(Scan scan, const TextRef& text, qsizetype from, qsizetype last) const;

    QString pattern; // the needle, or its folded form when case is ignored
    bool exact;
    QByteArray latin1Pattern; // the exact needle as bytes, when it fits one byte per character
    std::vector<char16_t> leads; // code units a match can begin with
    std::vector<uchar> latin1Leads; // the same, for text of one byte per character
};

} // namespace richtext
