#pragma once

#include <QChar>
#include <QString>

namespace backupdir
{

// The parent folder of `filepath`: everything up to and including its last separator, with that
// separator dropped again unless what is left is a root ("/", "C:\"). A root gives itself, a path
// without a separator gives "".
QString PathOnly(const QString& filepath, QChar separator = QLatin1Char('/'));

// The part to append to `folder` to name a new folder `name` inside it: the bare name at a root,
// which already ends in a separator, otherwise a separator and the name.
QString NewFolderPart(const QString& folder, const QString& name, QChar separator = QLatin1Char('/'));

// True when `path` is written as a root: the separator alone, or a drive letter, ':' and the separator.
bool isRootText(const QString& path, QChar separator = QLatin1Char('/'));

} // namespace backupdir
