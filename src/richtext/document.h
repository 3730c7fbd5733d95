#pragma once

#include "richtext/edit.h"

#include <memory>
#include <optional>
#include <QString>

namespace richtext
{

// File types of LoadFile and SaveFile.
enum FileType { rtfRTF = 0, rtfText = 1 };

// Options of Find; never combined by the program.
enum FindOptions { rtfNoOptions = 0, rtfWholeWord = 2, rtfMatchCase = 4 };

enum class LoadOutcome {
    Loaded,
    Missing, // no such file
    Unreadable, // it exists but cannot be read (permissions, a folder, I/O error)
    Binary, // plain text was asked for, but the file holds NUL bytes in its first 8 KB
    NotRichText, // rich text was required and the file is not RTF
    Malformed, // RTF that cannot be edited safely
    Unsupported, // an encoding the program does not write back (UTF-32)
};

enum class SaveOutcome {
    Written,
    Unencodable, // the replacement holds characters the file's encoding cannot hold
    UnsupportedCodePage, // a replacement touches rich text in a code page the program cannot write
    ChangedByAnotherProgram, // since it was read the file was changed, replaced, deleted or made a link
    ReadOnly, // the user may not write the file, or its permissions let nobody write it
    FolderNotWritable, // neither the file nor its folder can be written (a read-only file system)
    DiskFull, // no room left on the disk or in the user's quota
    Failed, // any other failure to write
};

// How a file is read. `RichOrText` is LoadFile's rtfRTF: an RTF file as rich text, any other file as
// plain text. `RichOnly` reads RTF files only and refuses anything else with NotRichText, without
// reading it as text: the replace run uses it for files under the rich text patterns, which are
// written back as RTF.
enum class LoadMode { RichOrText, Text, RichOnly };

class RtfSource;

// A document: the visible text of a plain or RTF file, a selection, search and replacement through
// the selection, and writing back. Positions are UTF-16 code units of the visible text, with every
// line break one "\n". Qt Core only; the RichTextBox control shows it.
class Document
{
public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Replaces the document by the file. On failure the document is empty.
    LoadOutcome load(const QString& path, LoadMode mode);
    // Writes the whole document over the file, keeping the file's names, owner, mode and attributes
    // (see writeFile). The file the document was loaded from must still be the one that was read: a
    // file another program changed, replaced, deleted or turned into a link meanwhile is refused. A
    // symbolic link that was one when loaded is written through and kept. rtfText writes plain text:
    // a plain file keeps its bytes, encoding, byte order mark and line endings outside the replaced
    // text. A plain document that reads its bytes from the file takes its own copy before the file
    // is overwritten in place.
    SaveOutcome save(const QString& path, FileType type);
    // The reason of the last failed load or save, for messages and tests.
    QString errorString() const;

    // Makes the document this plain text, no file behind it ("" empties it).
    void setText(const QString& text);
    QString text() const;
    qsizetype length() const;
    QString mid(qsizetype position, qsizetype count) const;
    bool isRich() const;
    const RtfSource* rtf() const; // the rich text source, or null; edits() apply to its text()
    const EditList& edits() const;
    // Changes with every load and every change of the text.
    quint64 revision() const;

    // Find: `options` combines rtfWholeWord and rtfMatchCase. A start searches from there to the end
    // (or to `end`); without both, the selection when there is one, else the whole text. A match
    // never crosses a table cell or row. Success selects the match and returns its position; failure
    // returns -1 and keeps the selection.
    qsizetype find(QStringView needle, std::optional<qsizetype> start = {}, std::optional<qsizetype> end = {},
        int options = rtfNoOptions);

    qsizetype selStart() const;
    qsizetype selLength() const;
    QString selText() const;
    void setSelStart(qsizetype position); // caret there, nothing selected
    void setSelLength(qsizetype length); // clamped to the text
    void setSelText(const QString& text); // replaces the selection; caret after it, nothing selected
    void select(qsizetype start, qsizetype length);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// A short, user-facing reason, e.g. "read-only file", "binary file".
QString describe(LoadOutcome outcome);
QString describe(SaveOutcome outcome);

} // namespace richtext
