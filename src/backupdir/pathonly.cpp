#include "backupdir/pathonly.h"

namespace backupdir
{

bool isRootText(const QString& path, QChar separator)
{
    if (path == separator)
        return true;
    return path.size() == 3 && path[0].isLetter() && path[1] == QLatin1Char(':') && path[2] == separator;
}

QString PathOnly(const QString& filepath, QChar separator)
{
    const qsizetype last = filepath.lastIndexOf(separator);
    QString result = filepath.left(last + 1);
    if (result.endsWith(separator) && !isRootText(result, separator))
        result.chop(1);
    return result;
}

QString NewFolderPart(const QString& folder, const QString& name, QChar separator)
{
    if (isRootText(folder, separator))
        return name;
    return separator + name;
}

} // namespace backupdir
