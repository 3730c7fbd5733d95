#pragma once

#include "engine/text/edit.h"

#include <memory>
#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <vector>

namespace engine
{

class ByteChanges;

// How a run of visible characters looks in the preview. Only what the preview can show.
struct FormatRun {
    qsizetype start = 0;
    qsizetype length = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    QString fontFamily; // empty: the view's default
    double pointSize = 0; // 0: the view's default
    std::optional<unsigned> color; // 0xRRGGBB
    std::optional<unsigned> background;
    bool aside = false; // a note, header or footer, shown set off from the body
};

// Paragraph alignment of the paragraph that contains position `start`.
struct ParagraphRun {
    qsizetype start = 0;
    enum class Align { Left, Right, Center, Justify } align = Align::Left;
};

// A picture the document holds, placed before the visible character at `position`. Pictures are not
// visible characters: positions in the text do not count them.
struct Picture {
    qsizetype position = 0;
    QByteArray data; // the decoded image bytes (PNG, JPEG...), as the document stores them
    int widthTwips = 0;
    int heightTwips = 0;
};

// A rich text (RTF) document kept as its source bytes, with every visible character mapped back to
// the bytes that produced it, so that a replacement rewrites exactly the matched characters.
class RtfSource
{
public:
    // Where the document's first group ("{\rtf") begins: after a UTF-8 byte order mark and blanks
    // that some programs put first, which are kept as they are. -1 when the bytes do not begin like
    // an RTF document.
    static qsizetype headerAt(QByteArrayView head);
    static bool isRtf(QByteArrayView head) { return headerAt(head) >= 0; }

    // Parses the document. Returns nothing, with the reason in `why`, when the bytes are not an RTF
    // document that can be edited safely.
    static std::optional<RtfSource> parse(QByteArray bytes, QString* why = nullptr);

    // The visible characters: what a reader sees, with \par as "\n", \tab as "\t" and so on.
    const QString& text() const;

    // True when the `length` characters from `start` would span a table cell or row mark, or the
    // edge of a note, header or footer; a match never does.
    bool crossesBarrier(qsizetype start, qsizetype length) const;

    enum class WriteOutcome {
        Written,
        UnsupportedCodePage, // an edit touches text whose bytes the program cannot decode
        InvalidEdits, // edits out of order, outside the text, or across a cell, note or header edge
        DeviceFailed, // `out` did not take the bytes
    };
    // Writes the document with `edits` applied (in the coordinates of text()) to `out`. Every byte
    // that no edit touches is written as it was read, and so are the bytes of an edit that puts back
    // the very text it replaces. The reason of a failure goes to `why`, the bytes that changed to
    // `changes`.
    WriteOutcome write(
        const EditList& edits, QIODevice& out, QString* why = nullptr, ByteChanges* changes = nullptr) const;

    std::vector<FormatRun> formatRuns() const;
    std::vector<ParagraphRun> paragraphRuns() const;
    std::vector<Picture> pictures() const;

    struct Data;

private:
    explicit RtfSource(std::shared_ptr<const Data> data);
    std::shared_ptr<const Data> d;
};

} // namespace engine
