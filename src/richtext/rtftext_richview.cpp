#include "richtext/rtftext_richview.h"

#include <algorithm>
#include <QBrush>
#include <QColor>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace richtext
{

namespace
{

    // Notes, headers and footers are set off from the body: smaller, and grey unless coloured.
    constexpr double kAsideScale = 0.85;

    QTextCharFormat charFormat(const engine::FormatRun& run, double defaultPointSize)
    {
        QTextCharFormat format;
        if (run.bold)
            format.setFontWeight(QFont::Bold);
        format.setFontItalic(run.italic);
        format.setFontUnderline(run.underline);
        format.setFontStrikeOut(run.strike);
        if (!run.fontFamily.isEmpty())
            format.setFontFamilies(QStringList { run.fontFamily });
        const double size = run.pointSize > 0 ? run.pointSize : defaultPointSize;
        if (run.aside && size > 0)
            format.setFontPointSize(size * kAsideScale);
        else if (run.pointSize > 0)
            format.setFontPointSize(run.pointSize);
        if (run.color)
            format.setForeground(QColor::fromRgb(QRgb(*run.color)));
        else if (run.aside)
            format.setForeground(QColor(Qt::darkGray));
        if (run.background)
            format.setBackground(QColor::fromRgb(QRgb(*run.background)));
        return format;
    }

    Qt::Alignment alignment(engine::ParagraphRun::Align align)
    {
        switch (align) {
        case engine::ParagraphRun::Align::Right:
            return Qt::AlignRight;
        case engine::ParagraphRun::Align::Center:
            return Qt::AlignHCenter;
        case engine::ParagraphRun::Align::Justify:
            return Qt::AlignJustify;
        case engine::ParagraphRun::Align::Left:
            break;
        }
        return Qt::AlignLeft;
    }

} // namespace

// Pictures are left out: an image in a QTextDocument is a character of its own, and the view must
// hold the document's characters one for one.
void fillRichView(QTextDocument& view, const engine::RtfSource& source, qsizetype maxChars)
{
    view.clear();
    const QString& text = source.text();
    const qsizetype shown = std::clamp<qsizetype>(maxChars, 0, text.size());
    QTextCursor cursor(&view);
    cursor.beginEditBlock();
    qsizetype at = 0;
    for (const engine::FormatRun& run : source.formatRuns()) {
        if (run.start >= shown)
            break;
        if (at < run.start)
            cursor.insertText(text.mid(at, run.start - at), QTextCharFormat());
        const qsizetype end = std::min(run.start + run.length, shown);
        cursor.insertText(
            text.mid(run.start, end - run.start), charFormat(run, view.defaultFont().pointSizeF()));
        at = end;
    }
    if (at < shown)
        cursor.insertText(text.mid(at, shown - at), QTextCharFormat());

    const std::vector<engine::ParagraphRun> paragraphs = source.paragraphRuns();
    std::size_t next = 0;
    Qt::Alignment align = Qt::AlignLeft;
    for (QTextBlock block = view.begin(); block.isValid(); block = block.next()) {
        while (next < paragraphs.size() && paragraphs[next].start <= block.position())
            align = alignment(paragraphs[next++].align);
        if (align != Qt::AlignLeft) {
            QTextCursor blockCursor(block);
            QTextBlockFormat format = block.blockFormat();
            format.setAlignment(align);
            blockCursor.setBlockFormat(format);
        }
    }
    cursor.endEditBlock();
}

} // namespace richtext
