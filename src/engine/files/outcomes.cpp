#include "engine/files/outcomes.h"

namespace engine
{

QString describe(LoadOutcome outcome)
{
    switch (outcome) {
    case LoadOutcome::Loaded:
        return QStringLiteral("loaded");
    case LoadOutcome::Missing:
        return QStringLiteral("file not found");
    case LoadOutcome::Unreadable:
        return QStringLiteral("unreadable file");
    case LoadOutcome::Binary:
        return QStringLiteral("binary file");
    case LoadOutcome::Malformed:
        return QStringLiteral("malformed rich text");
    case LoadOutcome::Unsupported:
        return QStringLiteral("unsupported encoding");
    case LoadOutcome::TooLarge:
        return QStringLiteral("too large for the memory of this computer");
    }
    return {};
}

QString describe(SaveOutcome outcome)
{
    switch (outcome) {
    case SaveOutcome::Written:
        return QStringLiteral("written");
    case SaveOutcome::Unencodable:
        return QStringLiteral("replacement not representable in the file's encoding");
    case SaveOutcome::UnsupportedCodePage:
        return QStringLiteral("unsupported code page");
    case SaveOutcome::ChangedByAnotherProgram:
        return QStringLiteral("changed by another program");
    case SaveOutcome::ReadOnly:
        return QStringLiteral("read-only file");
    case SaveOutcome::FolderNotWritable:
        return QStringLiteral("cannot write in this folder");
    case SaveOutcome::DiskFull:
        return QStringLiteral("disk full");
    case SaveOutcome::TooLargeToHold:
        return QStringLiteral("too large to rewrite in place");
    case SaveOutcome::Failed:
        return QStringLiteral("write failed");
    case SaveOutcome::NotRestored:
        return QStringLiteral("write failed, and the old content could not be restored");
    }
    return {};
}

} // namespace engine
