#include "platform/files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace platform
{

namespace
{
    QString& folderOverride()
    {
        static QString folder;
        return folder;
    }
} // namespace

QString programFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder)
{
    folderOverride() = folder;
}

QString installedDataFolder()
{
    const QString folder = QDir::cleanPath(programFolder() + QStringLiteral("/" TEXTMEND_DATA_FROM_BIN));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Textmend");
}

QString joinPath(const QString& folder, const QString& name)
{
    return folder + separator() + name;
}

bool isRoot(const QString& path)
{
    return !path.isEmpty() && QDir(path).isRoot();
}

bool copyFileReplacing(const QString& source, const QString& destination)
{
    QFile in(QDir::cleanPath(source));
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // Through a temporary file and a rename, so an older copy is never left half-overwritten.
    QSaveFile out(QDir::cleanPath(destination));
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) {
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n) {
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit())
        return false;
    QFile copy(QDir::cleanPath(destination));
    if (copy.open(QIODevice::ReadWrite)) {
        copy.setFileTime(in.fileTime(QFileDevice::FileModificationTime), QFileDevice::FileModificationTime);
        copy.setPermissions(in.permissions());
    }
    return true;
}

MakeFolderOutcome makeFolder(const QString& path)
{
    const QFileInfo target(QDir::cleanPath(path));
    if (target.exists())
        return MakeFolderOutcome::AlreadyExists;
    if (!target.dir().exists())
        return MakeFolderOutcome::ParentMissing;
    const QString name = target.fileName();
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/') || name.contains(QChar(0)))
        return MakeFolderOutcome::NameRefused;
    return QDir().mkdir(target.filePath()) ? MakeFolderOutcome::Made : MakeFolderOutcome::Failed;
}

} // namespace platform
