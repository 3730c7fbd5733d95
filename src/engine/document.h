#pragma once

#include "engine/files/fileread.h"
#include "engine/files/outcomes.h"
#include "engine/plain/plainstream.h"
#include "engine/text/edit.h"

#include <functional>
#include <memory>
#include <optional>
#include <QString>

namespace engine
{

class ByteChanges;
class PackageSource;
class RtfSource;

// A document: the visible text of a plain, RTF or word-processing (.docx, .odt, .fodt) file, a selection,
// search and replacement through the selection, and writing back. Positions are UTF-16 code units of the
// visible text, with every line break one "\n". Qt Core only; the RichTextBox control shows it.
class Document
{
public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Replaces the document by the file. On failure the document is empty. A plain file larger than
    // the stream limits is not held: the document holds the start of its text (what a preview shows)
    // and isStreamed() says so. A rich document too large for the memory the system has free is
    // refused (TooLarge).
    LoadOutcome load(const QString& path, LoadMode mode);
    void setStreamLimits(const StreamLimits& limits);
    bool isStreamed() const;
    // Replaces every match in the whole file of a streamed document, as find and setSelText would
    // one after the other, and writes it (see PlainStream::replace); the document then holds the
    // start of the new text.
    StreamResult replaceStreamed(const QString& find, const QString& replacement, int options,
        const std::function<void(qint64)>& progress = {}, ByteChanges* changes = nullptr);
    // What replaceStreamed would do, writing nothing (see PlainStream::count); ReadOnly for a file
    // this user may not write.
    StreamResult countStreamed(const QString& find, const QString& replacement, int options,
        const std::function<void(qint64)>& progress = {}) const;
    // Writes the whole document over the file, keeping the file's names, owner, mode and attributes
    // (see writeFile). The file the document was loaded from must still be the one that was read: a
    // file another program changed, replaced, deleted or turned into a link meanwhile is refused. A
    // symbolic link that was one when loaded is written through and kept. rtfText writes plain text:
    // a plain file keeps its bytes, encoding, byte order mark and line endings outside the replaced
    // text. A plain document that reads its bytes from the file takes its own copy before the file
    // is overwritten in place. docPackage writes a word-processing document as its package, with
    // only the changed text differing.
    // The bytes that changed, and the file as it is after the write, go to `changes` when given.
    SaveOutcome save(const QString& path, FileType type, ByteChanges* changes = nullptr);
    // What save would refuse without writing a byte: a replacement the file's encoding or code page
    // cannot hold, a read-only file. Written when save would go ahead.
    SaveOutcome check(const QString& path, FileType type) const;
    // What the file was when it was loaded.
    const FileIdentity& loadedIdentity() const;
    // Lets go of the file the document was read from, which it keeps open until it is saved or
    // another file is loaded (an open file keeps its disk from being unmounted). A later save opens
    // the file again by its path, and still refuses one that changed since it was read.
    void closeFile();
    // The reason of the last failed load or save, for messages and tests.
    QString errorString() const;

    // Makes the document this plain text, no file behind it ("" empties it).
    void setText(const QString& text);
    QString text() const;
    qsizetype length() const;
    QString mid(qsizetype position, qsizetype count) const;
    bool isRich() const; // read from an RTF document
    bool isPackage() const; // read from a word-processing document
    // The type that writes the document back as what it was read from.
    FileType fileType() const;
    const RtfSource* rtf() const; // the rich text source, or null; edits() apply to its text()
    const PackageSource* package() const; // the same for a word-processing document
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
    // Opens the file of a streamed document again; the outcome is Written when it could be.
    StreamResult reopen(PlainStream& stream) const;

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace engine
