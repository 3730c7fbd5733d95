#include "richtext/rtftext.h"

#include "engine/rtf/rtfsource.h"
#include "richtext/rtftext_richview.h"

#include <QBuffer>
#include <QEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace richtext
{

RichTextBox::RichTextBox(QWidget* parent)
    : QWidget(parent)
    , edit(new QTextEdit(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit);
    edit->setReadOnly(true);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit->setUndoRedoEnabled(false);
    edit->viewport()->installEventFilter(this);
    connect(edit, &QTextEdit::selectionChanged, this, &RichTextBox::selectionFromView);
    connect(edit, &QTextEdit::cursorPositionChanged, this, &RichTextBox::selectionFromView);
    connect(edit->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        const QScrollBar* bar = edit->verticalScrollBar();
        if (value >= bar->maximum() - bar->pageStep())
            showUpTo(shownLength + kShownStep);
    });
    refreshView();
}

RichTextBox::~RichTextBox() = default;

QString RichTextBox::Text() const
{
    return doc.text();
}

void RichTextBox::setText(const QString& text)
{
    doc.setText(text);
    documentChanged();
}

LoadOutcome RichTextBox::LoadFile(const QString& path, FileType type)
{
    const LoadOutcome outcome =
        doc.load(path, type == rtfText ? engine::LoadMode::Text : engine::LoadMode::RichOrText);
    documentChanged();
    return outcome;
}

void RichTextBox::setStreamLimits(const engine::StreamLimits& limits)
{
    doc.setStreamLimits(limits);
}

engine::StreamResult RichTextBox::ReplaceStreamed(const QString& find, const QString& replacement,
    int options, const std::function<void(qint64)>& progress, engine::ByteChanges* changes)
{
    const engine::StreamResult result = doc.replaceStreamed(find, replacement, options, progress, changes);
    documentChanged();
    return result;
}

bool RichTextBox::isRich() const
{
    return doc.isRich();
}

SaveOutcome RichTextBox::SaveFile(const QString& path, FileType type, engine::ByteChanges* changes)
{
    return doc.save(path, type, changes);
}

qsizetype RichTextBox::Find(
    const QString& text, std::optional<qsizetype> start, std::optional<qsizetype> end, int options)
{
    const qsizetype found = doc.find(text, start, end, options);
    if (found >= 0)
        selectionToView();
    return found;
}

qsizetype RichTextBox::SelStart() const
{
    return doc.selStart();
}
qsizetype RichTextBox::SelLength() const
{
    return doc.selLength();
}
QString RichTextBox::SelText() const
{
    return doc.selText();
}

void RichTextBox::setSelStart(qsizetype position)
{
    doc.setSelStart(position);
    selectionToView();
}

void RichTextBox::setSelLength(qsizetype length)
{
    doc.setSelLength(length);
    selectionToView();
}

void RichTextBox::setSelText(const QString& text)
{
    const bool wasCurrent = viewCurrent();
    const qsizetype start = doc.selStart();
    const qsizetype end = start + doc.selLength();
    const qsizetype lengthBefore = doc.length();
    doc.setSelText(text);
    if (frozen() || !wasCurrent)
        return;
    const qsizetype inserted = doc.selStart() - start;
    if (start >= shownLength && shownLength < lengthBefore) {
        // Beyond what the view shows: what it shows is unchanged.
        shownRevision = doc.revision();
    } else if (end <= shownLength) {
        // The same change in the view, so that it keeps its formatting and position.
        updatingView = true;
        QTextCursor cursor(edit->document());
        cursor.setPosition(int(start));
        cursor.setPosition(int(end), QTextCursor::KeepAnchor);
        cursor.insertText(doc.mid(start, inserted));
        updatingView = false;
        shownLength += inserted - (end - start);
        shownRevision = doc.revision();
    } else {
        refreshView();
        return;
    }
    selectionToView();
}

const Document& RichTextBox::document() const
{
    return doc;
}

void RichTextBox::paintingResumed()
{
    if (!viewCurrent())
        refreshView();
    else
        selectionToView();
}

bool RichTextBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            selectionFromView();
            emit MouseUp();
        } else if (event->type() == QEvent::Paint && !viewCurrent() && !frozen() && !refreshQueued) {
            // Painting came back without a resume call (a parent window was frozen): catch up, but
            // not from inside a paint event.
            refreshQueued = true;
            QTimer::singleShot(0, this, [this] {
                refreshQueued = false;
                if (!viewCurrent() && !frozen())
                    refreshView();
            });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RichTextBox::documentChanged()
{
    if (!frozen())
        refreshView();
}

// How much of the document the view may hold: kMaxShownChars, without cutting a surrogate pair.
qsizetype RichTextBox::shownLimit() const
{
    qsizetype shown = std::min(doc.length(), kMaxShownChars);
    if (shown < doc.length() && shown > 0 && QChar::isHighSurrogate(doc.mid(shown - 1, 1).at(0).unicode()))
        --shown;
    return shown;
}

// Plain text shown so far is followed by the document's next characters, up to `position` and at most
// the limit. Showing all of a large document at once costs far more than filling the pane.
void RichTextBox::showUpTo(qsizetype position)
{
    if (updatingView || frozen() || !viewCurrent() || doc.isRich() || position <= shownLength)
        return;
    const qsizetype limit = shownLimit();
    qsizetype to = std::min(limit, std::max(position, shownLength + kShownStep));
    if (to < limit && QChar::isHighSurrogate(doc.mid(to - 1, 1).at(0).unicode()))
        --to;
    if (to <= shownLength)
        return;
    updatingView = true;
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(doc.mid(shownLength, to - shownLength));
    shownLength = to;
    updatingView = false;
    selectionToView();
}

void RichTextBox::refreshView()
{
    updatingView = true;
    QTextDocument& view = *edit->document();
    qsizetype shown = shownLimit();
    bool filled = false;
    if (const engine::RtfSource* source = doc.rtf()) {
        if (doc.edits().empty()) {
            fillRichView(view, *source, shown);
            filled = true;
        } else {
            // Show the edited document with its formatting: write it and read it back.
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            if (source->write(doc.edits(), buffer) == engine::RtfSource::WriteOutcome::Written) {
                buffer.close();
                if (const auto edited = engine::RtfSource::parse(bytes);
                    edited && edited->text().size() == doc.length()) {
                    fillRichView(view, *edited, shown);
                    filled = true;
                }
            }
        }
    }
    if (!filled) {
        if (shown > kShownStep) {
            shown = kShownStep;
            if (QChar::isHighSurrogate(doc.mid(shown - 1, 1).at(0).unicode()))
                --shown;
        }
        // setPlainText would take the format of what was shown before (a large bold heading of
        // the last RTF document): plain text starts from no format at all.
        view.clear();
        QTextCursor cursor(&view);
        cursor.setBlockFormat(QTextBlockFormat());
        cursor.setCharFormat(QTextCharFormat());
        edit->setCurrentCharFormat(QTextCharFormat());
        cursor.insertText(doc.mid(0, shown));
    }
    shownLength = shown;
    shownRevision = doc.revision();
    updatingView = false;
    selectionToView();
}

void RichTextBox::selectionToView()
{
    if (frozen() || !viewCurrent())
        return;
    showUpTo(doc.selStart() + doc.selLength());
    const qsizetype start = std::min(doc.selStart(), shownLength);
    const qsizetype end = std::min(doc.selStart() + doc.selLength(), shownLength);
    QTextCursor cursor = edit->textCursor();
    if (cursor.anchor() == start && cursor.position() == end)
        return;
    cursor.setPosition(int(start));
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    updatingView = true;
    edit->setTextCursor(cursor);
    updatingView = false;
}

void RichTextBox::selectionFromView()
{
    if (updatingView || frozen() || !viewCurrent())
        return;
    const QTextCursor cursor = edit->textCursor();
    doc.select(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart());
}

} // namespace richtext
