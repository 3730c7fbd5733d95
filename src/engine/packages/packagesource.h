#pragma once

#include "engine/packages/zip.h"
#include "engine/text/edit.h"

#include <memory>
#include <optional>
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <vector>

namespace engine
{

// A word-processing document kept as the bytes it was read from: an Office Open XML package (.docx,
// .docm, .dotx, .dotm), an OpenDocument text package (.odt, .ott) or a flat OpenDocument text
// (.fodt). Every visible character is mapped to the bytes of the XML part that produce it, so that a
// replacement rewrites exactly the matched characters, and only the parts it changes.
class PackageSource
{
public:
    enum class Problem {
        None,
        NotAPackage, // some other file: read it as anything else is read
        Damaged, // a ZIP archive or XML part that cannot be read whole
        Encrypted,
        OldWord, // a Word 97-2003 document (an OLE compound file)
        NotUtf8, // a part in an encoding the program does not write
    };

    // Whether the first bytes of a file may begin a document of this kind (a ZIP archive, a compound
    // file, or XML naming OpenDocument text); open() tells for sure.
    static bool mayBe(QByteArrayView head);

    // Reads the document; nothing, with the problem and a reason, when it is not one or cannot be
    // edited safely.
    static std::optional<PackageSource> open(QByteArray bytes, Problem* problem, QString* why = nullptr);

    // The visible text: paragraphs end with "\n", tabs and line breaks are characters; the body comes
    // first, then notes and text boxes, then headers and footers.
    const QString& text() const;
    // True when [start, start + length) would span a paragraph, cell, note, field or story edge.
    bool crossesBarrier(qsizetype start, qsizetype length) const;
    bool isSigned() const;

    enum class WriteOutcome {
        Written,
        Signed, // a change would break the document's digital signature
        ForbiddenCharacter, // a replacement holds a character XML does not allow
        InvalidEdits, // out of order, outside the text, across an edge, or where text cannot go
        DeviceFailed,
    };
    struct Rewrite {
        WriteOutcome outcome = WriteOutcome::Written;
        QByteArray bytes; // the whole new file
        QString why;
        // The spans of the new file that differ from the old one (none when nothing changed).
        std::vector<packages::ChangedSpan> changes;
    };
    // The document with `edits` (in the coordinates of text()) applied. Every ZIP entry that holds no
    // changed text keeps its bytes; inside a changed part only the changed text and what XML needs
    // for it differ. Edits that put back the text they replace change nothing.
    Rewrite rewrite(const EditList& edits) const;
    WriteOutcome write(const EditList& edits, QIODevice& out, QString* why = nullptr) const;

    struct Data;

private:
    explicit PackageSource(std::shared_ptr<const Data> data);
    std::shared_ptr<const Data> d;
};

} // namespace engine
