#pragma once

// The visible text of a word-processing document kept as XML parts, each character mapped to the
// bytes of the part that produce it; shared by the Office Open XML and OpenDocument readers and by
// the writer. Internal to the package format.

#include "engine/packages/xmlscan.h"
#include "engine/packages/zip.h"
#include "engine/text/edit.h"

#include <map>
#include <QByteArray>
#include <QString>
#include <vector>

namespace engine::packages
{

enum class Dialect { WordML, Odf };

// A stretch of visible characters and the source bytes behind it.
struct Piece {
    enum Kind : quint8 {
        Literal, // the characters are exactly the bytes [begin, end) in UTF-8, one by one
        Reference, // one or two units read from [begin, end) as a whole: &amp;, &#x1F600;, CR LF
        Element, // characters an element stands for: <w:tab/>, <text:s text:c="3"/>
        Mark, // a paragraph's end: "\n" without bytes, which a match never includes
    };
    qsizetype unit = 0; // its first character
    int part = 0;
    qsizetype begin = 0;
    qsizetype end = 0;
    Kind kind = Literal;
    bool collapsible = false; // OpenDocument white space read as one space
    bool cdata = false;
    int element = -1; // the text element (w:t) whose content it is, or -1
};

// A WordprocessingML text element (w:t): where xml:space="preserve" would go, and its characters.
struct TextElement {
    int part = 0;
    qsizetype nameEnd = 0; // just after the element's name in its start tag
    bool preserve = false;
    int story = 0;
    qsizetype firstUnit = 0;
    qsizetype endUnit = 0;
};

struct Part {
    QString name; // the entry's name in the archive, empty for a flat file
    int entry = -1;
    QByteArray bytes;
    QByteArray prefix; // the prefix the part writes its text elements with ("w", "text")
};

struct VisibleText {
    Dialect dialect = Dialect::WordML;
    QString text;
    std::vector<Piece> pieces; // sorted by unit; every unit lies in one piece
    std::vector<qsizetype> marks; // units of paragraph marks, sorted
    std::vector<qsizetype> boundaries; // units no match spans (fields, notes, stories), sorted
    std::vector<TextElement> elements;
    std::vector<Part> parts;

    // True when [start, start + length) holds a paragraph mark or spans a boundary.
    bool crossesBarrier(qsizetype start, qsizetype length) const;
    std::size_t pieceOf(qsizetype unit) const;
    qsizetype pieceEnd(std::size_t piece) const;
};

// Collects visible text in stories: each part's main text, and asides (notes, text boxes, headers,
// footers) that the reader meets inside other text and that are shown after it, by rank.
class TextBuilder
{
public:
    explicit TextBuilder(VisibleText& out)
        : v(out)
    {
    }

    void beginStory(int rank);
    void endStory();
    bool inStory() const { return !open.empty(); }

    // Character data of the part, from the scanner: plain characters or a reference.
    void text(QByteArrayView decoded, qsizetype begin, qsizetype end, bool cdata, int element = -1);
    // Characters that stand for an element, or for collapsed white space.
    void piece(QStringView chars, qsizetype begin, qsizetype end, Piece::Kind kind, bool collapsible = false);
    // Lengthens the last piece of the story when it ends at `begin` (white space read with it).
    bool extendCollapsed(qsizetype begin, qsizetype end);
    void mark(qsizetype at);
    void boundary();
    int beginElement(qsizetype nameEnd, bool preserve);
    void endElement(int element);

    int part = 0;

    // Puts the stories together, by rank and then in the order they began.
    void finish();

private:
    struct Story {
        int rank = 0;
        QString text;
        std::vector<Piece> pieces;
        std::vector<qsizetype> marks;
        std::vector<qsizetype> boundaries;
    };
    Story& current() { return stories[std::size_t(open.back())]; }

    VisibleText& v;
    std::vector<Story> stories;
    std::vector<int> open;
};

enum class WriteProblem { None, InvalidEdits, ForbiddenCharacter };

// The parts changed by `edits` (in the coordinates of the visible text), by part index. Edits that
// put back the very text they replace change nothing. `changes` receives, per part, the spans that
// differ from the part's old bytes.
std::map<int, QByteArray> editedParts(const VisibleText& v, const EditList& edits, WriteProblem* problem,
    QString* why, std::map<int, std::vector<ChangedSpan>>* changes = nullptr);

} // namespace engine::packages
