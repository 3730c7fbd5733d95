#pragma once

#include "richtext/document.h"

#include <QWidget>

#include <optional>

class QTextEdit;

namespace richtext {

class Document;

// The rich text control of the main window: the preview pane and the working document of every
// replacement. The members mirror what the window relies on; positions are 0-based character counts
// of the visible text, and a line break is one character.
class RichTextBox : public QWidget {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);
    ~RichTextBox() override;

    // Text: reading gives the visible text; writing "" empties the document.
    QString Text() const;
    void setText(const QString& text);

    // Replaces the whole document by the file. rtfRTF reads an RTF file as rich text and any other
    // file as its text; rtfText reads the file's characters as plain text. On failure the document is
    // empty and the outcome says why.
    LoadOutcome LoadFile(const QString& path, FileType type = rtfRTF);
    // Overwrites the file with the whole document: rtfRTF writes rich text, rtfText plain text.
    SaveOutcome SaveFile(const QString& path, FileType type = rtfRTF);

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

signals:
    // The user released a mouse button over the control.
    void MouseUp();
};

} // namespace richtext
