#pragma once

#include "engine/document.h"
#include "platform/paintfreeze.h"

#include <optional>
#include <QWidget>

class QTextEdit;

namespace richtext
{

// The control speaks in the document engine's terms.
using engine::Document;
using engine::FileType;
using engine::LoadOutcome;
using engine::rtfRTF;
using engine::rtfText;
using engine::SaveOutcome;

// The rich text control of the main window: the preview pane and the working document of every
// replacement. The members mirror what the window relies on; positions are 0-based character counts
// of the visible text, and a line break is one character.
class RichTextBox : public QWidget, public platform::PaintFreezeAware
{
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);
    ~RichTextBox() override;

    // Text: reading gives the visible text; writing "" empties the document.
    QString Text() const;
    void setText(const QString& text);

    // Replaces the whole document by the file. rtfRTF reads an RTF file as rich text, a Word or
    // OpenDocument document as its package (shown as its text) and any other file as its text; rtfText reads
    // the file's characters as plain text. On failure the document is empty and the outcome says why.
    LoadOutcome LoadFile(const QString& path, FileType type = rtfRTF);
    // Files too large to hold: the document holds the start of a plain one, which ReplaceStreamed
    // replaces as a whole file (see Document::replaceStreamed).
    void setStreamLimits(const engine::StreamLimits& limits);
    engine::StreamResult ReplaceStreamed(const QString& find, const QString& replacement, int options,
        const std::function<void(qint64)>& progress, engine::ByteChanges* changes = nullptr);
    // True when the document was read from an RTF file.
    bool isRich() const;
    // Overwrites the file with the whole document: rtfRTF writes rich text, rtfText plain text,
    // docPackage the Word or OpenDocument document it was read from (document().fileType()).
    // The bytes that changed go to `changes`, when given.
    SaveOutcome SaveFile(const QString& path, FileType type = rtfRTF, engine::ByteChanges* changes = nullptr);
    // Lets go of the file read, which stays open for the check before a save (see Document).
    void closeFile() { doc.closeFile(); }

    // Searches for `text`; on success selects the match and returns its position, on failure leaves
    // the selection alone and returns -1. A start searches from there to the end; with start and end
    // omitted the search covers the selection when there is one, otherwise the whole text.
    qsizetype Find(const QString& text, std::optional<qsizetype> start = {},
        std::optional<qsizetype> end = {}, int options = 0);

    qsizetype SelStart() const;
    void setSelStart(qsizetype position); // moves the caret there, nothing selected
    qsizetype SelLength() const;
    void setSelLength(qsizetype length);
    QString SelText() const;
    void setSelText(const QString& text); // replaces the selection, caret after, nothing selected

    // The document behind the control, for tests and for reasons the workflow reports.
    const Document& document() const;
    // The view that shows the document (read-only, selectable). It holds at most the first
    // kMaxShownChars characters of a large document; of plain text it first holds kShownStep
    // characters, more than fill the pane, and another step whenever it is scrolled near the end of
    // what it holds or the selection lies beyond it.
    QTextEdit* view() const { return edit; }
    static constexpr qsizetype kMaxShownChars = 1'000'000;
    static constexpr qsizetype kShownStep = 65'536;

    // While painting is frozen the view is left alone; here it catches up with the document.
    void paintingResumed() override;

signals:
    // The user released a mouse button over the control.
    void MouseUp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool frozen() const { return !updatesEnabled(); }
    bool viewCurrent() const { return shownRevision == doc.revision(); }
    void documentChanged();
    void refreshView();
    qsizetype shownLimit() const;
    void showUpTo(qsizetype position);
    void selectionToView();
    void selectionFromView();

    Document doc;
    QTextEdit* edit = nullptr;
    quint64 shownRevision = ~quint64(0);
    qsizetype shownLength = 0;
    bool updatingView = false;
    bool refreshQueued = false;
};

} // namespace richtext
