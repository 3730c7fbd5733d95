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
    Malformed, // RTF that cannot be edited safely
    Unsupported, // an encoding the program does not write back (UTF-32)
    TooLarge, // a rich document larger than the memory the system has free could hold
};

enum class SaveOutcome {
    Written,
    Unencodable, // the replacement holds characters the file's encoding cannot hold
    UnsupportedCodePage, // a replacement touches rich text in a code page the program cannot write
    ChangedByAnotherProgram, // since it was read the file was changed, replaced, deleted or made a link
    ReadOnly, // the user may not write the file, or its permissions let nobody write it
    FolderNotWritable, // neither the file nor its folder can be written (a read-only file system)
    DiskFull, // no room left on the disk or in the user's quota
    TooLargeToHold, // a file too large to hold must be overwritten in place, which would hold it
    Failed, // any other failure to write
    NotRestored, // the write failed halfway and the old content could not be put back either
};

// How a file is read. `RichOrText` reads a file by what it holds: an RTF document as rich text,
// whatever its name, and any other file as plain text. `Text` reads every file as plain text.
enum class LoadMode { RichOrText, Text };

// A short, user-facing reason, e.g. "read-only file", "binary file".
QString describe(LoadOutcome outcome);
QString describe(SaveOutcome outcome);

} // namespace engine
