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
// A file that cannot be read or written ends the engine there, with a result line giving the reason;
// a file that is binary, not rich text under a rich pattern, or otherwise not safe to edit is skipped
// with a result line and the engine goes on. A close of the window asked for during the run ends the
// engine after the current file.
void ReplaceInFiles(
    MainForm& w, richtext::RichTextBox& document, const QString& find, const QString& replacement);

} // namespace RtfFunctions
