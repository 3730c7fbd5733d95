#pragma once

#include <QString>

namespace engine
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

// A short, user-facing reason, e.g. "read-only file", "binary file".
QString describe(LoadOutcome outcome);
QString describe(SaveOutcome outcome);

} // namespace engine
