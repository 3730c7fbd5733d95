#pragma once

#include <QByteArray>
#include <QStringList>

// The format of the pattern file, cmb.ftl: Windows-1252 text, written one entry per line and read
// back field by field.
namespace filetypes
{

// The fields of the file's bytes, in file order. A field ends at a comma or at the end of a line;
// blanks before it are skipped; a field in double quotes keeps its commas and loses its quotes; an
// empty line is one empty field.
QStringList readPatternFields(const QByteArray& bytes);

// The file's bytes for `entries`: each entry as it is, followed by CR LF. Characters the code page
// has no byte for become "?".
QByteArray patternFileBytes(const QStringList& entries);

} // namespace filetypes
