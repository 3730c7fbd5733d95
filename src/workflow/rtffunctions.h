#pragma once

#include <QString>

class MainForm;
namespace richtext
{
class RichTextBox;
}

// The per-file replacement engine of a replace run.
namespace RtfFunctions
{

// Replaces `find` by `replacement` in every ticked file of the window's file list, in list order,
// through `document`: loads each file, replaces the matches one by one, counts them in lblTotal and
// lblTotal2, adds a result line per changed file and writes the file back in place, as rich text when
// the pattern is exactly "*.doc" or "*.rtf" and as plain text otherwise.
//
// A file that cannot be read ends the engine there, with a result line giving the reason; so does a
// file that cannot be written because its folder cannot be written, the disk is full or the system
// failed. A file that is binary, not rich text under a rich pattern, or otherwise not safe to edit is
// skipped with a result line, and so is a file that is read-only, was changed by another program
// since it was read, or cannot hold the replacement in its encoding or code page; the engine then
// goes on. A close of the window asked for during the run ends the engine after the current file.
void ReplaceInFiles(
    MainForm& w, richtext::RichTextBox& document, const QString& find, const QString& replacement);

} // namespace RtfFunctions
