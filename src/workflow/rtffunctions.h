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
// lblTotal2, adds a result line per changed file and writes the file back in place, by what it holds:
// an RTF document as rich text, whatever its name or the pattern, any other file as plain text.
//
// A file that cannot be read ends the engine there, with a result line giving the reason; so does a
// file that cannot be written because its folder cannot be written, the disk is full or the system
// failed. A file that is binary, malformed rich text, or otherwise not safe to edit is
// skipped with a result line, and so is a file that is read-only, was changed by another program
// since it was read, or cannot hold the replacement in its encoding or code page; the engine then
// goes on. A close of the window asked for during the run ends the engine after the current file.
// At the end every file system a file was written to is flushed to the disk, once.
void ReplaceInFiles(
    MainForm& w, richtext::RichTextBox& document, const QString& find, const QString& replacement);

} // namespace RtfFunctions
