#pragma once

#include <QString>

#include <optional>

namespace richtext {

// File types of LoadFile and SaveFile.
enum FileType { rtfRTF = 0, rtfText = 1 };

// Options of Find; never combined by the program.
enum FindOptions { rtfNoOptions = 0, rtfWholeWord = 2, rtfMatchCase = 4 };

enum class LoadOutcome {
    Loaded,
    Missing,      // no such file
    Unreadable,   // it exists but cannot be read (permissions, a folder, I/O error)
    Binary,       // plain text was asked for, but the file holds NUL bytes in its first 8 KB
    NotRichText,  // rich text was required and the file is not RTF
    Malformed,    // RTF that cannot be edited safely
    Unsupported,  // an encoding the program does not write back (UTF-32)
};

enum class SaveOutcome {
    Written,
    Unencodable,  // the replacement holds characters the file's encoding cannot hold
    ReadOnly,     // the user may not write the file
    Failed,       // the file could not be written (disk full, folder gone...)
};

// A short, user-facing reason, e.g. "read-only file", "binary file".
QString describe(LoadOutcome outcome);
QString describe(SaveOutcome outcome);

} // namespace richtext
