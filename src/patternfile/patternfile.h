#pragma once

#include <QByteArray>
#include <QStringList>

// The format of the pattern file, cmb.ftl: UTF-8 text (older collections: Windows-1252), written one
// entry per line and read back field by field.
namespace filetypes
{

// The fields of the file's bytes, in file order, read as UTF-8 when they are valid UTF-8, else as
// Windows-1252. A field ends at a comma or at the end of a line;
// blanks before it are skipped; a field in double quotes keeps its commas and loses its quotes; an
// empty line is one empty field.
QStringList readPatternFields(const QByteArray& bytes);

// The file's bytes for `entries`: each entry in UTF-8, followed by CR LF.
QByteArray patternFileBytes(const QStringList& entries);

} // namespace filetypes
