#pragma once

#include "engine/text/textref.h"

#include <QString>
#include <vector>

namespace engine
{

// A word character: a letter, a combining mark, a decimal digit (any script) or an underscore.
bool isWordChar(char32_t c);

// The first place at or after `from` where the `m` bytes of `needle` stand in the `n` bytes of
// `haystack`, or -1.
qsizetype findBytes(const uchar* haystack, qsizetype n, qsizetype from, const uchar* needle, qsizetype m);

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

    // Whether indexInUtf8 can search for this needle: it holds no line break and no lone surrogate,
    // and its first character has few enough forms.
    bool searchesUtf8() const { return utf8Ready; }
    // The same search in the `n` bytes of valid UTF-8 text whose line breaks read as one "\n" each: the
    // first match that starts at byte `from` or later, with its length in bytes in `length`; -1 when
    // there is none. It finds exactly what indexIn finds in the decoded text.
    qsizetype indexInUtf8(const uchar* bytes, qsizetype n, qsizetype from, qsizetype& length) const;

private:
    bool equalsAt(const TextRef& text, qsizetype at) const;
    void prepareUtf8(QStringView needle);
    qsizetype slowScan(const TextRef& text, qsizetype from, qsizetype last) const;

    QString pattern; // the needle, or its folded form when case is ignored
    bool exact;
    QByteArray latin1Pattern; // the exact needle as bytes, when it fits one byte per character
    std::vector<char16_t> leads; // code units a match can begin with
    std::vector<uchar> latin1Leads; // the same, for text of one byte per character
    bool utf8Ready = false;
    QByteArray utf8Pattern; // the exact needle in UTF-8
    std::vector<uchar> utf8Leads; // the first bytes of the UTF-8 forms of `leads`
    mutable std::vector<char16_t> window; // a candidate match, decoded
};

} // namespace engine
