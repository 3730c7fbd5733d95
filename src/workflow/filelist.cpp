#include "workflow/filelist.h"

#include "engine/files/filenames.h"
#include "fileops/files.h"
#include "mainform/mainform.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/drivelist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "platform/paintfreeze.h"
#include "platform/prompts.h"
#include "richtext/rtftext.h"
#include "wildcard/wildcardmatcher.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#else
#include <QDirIterator>
#endif

namespace workflow
{

namespace
{
    const QString selectAllCaption = QStringLiteral("&Select All Files");
    const QString deselectAllCaption = QStringLiteral("&Deselect All Files");

    void clearPreview(MainForm& w)
    {
        w.rtftext->setText(QString());
        w.Label7->setCaption(QStringLiteral("Preview"));
    }

    void rebuild(MainForm& w)
    {
        w.lstFiles->Clear();
        FillFileList(w, *w.lstFiles, w.Dir1->Path());
        if (w.lstFiles->ListCount() > 0)
            w.lstFiles->setListIndex(-1);
    }

} // namespace

QString searchPath(const QString& folder, const QString& pattern)
{
    if (folder.endsWith(platform::separator()))
        return folder + pattern;
    return folder + platform::separator() + pattern;
}

QStringList listMatchingFiles(const QString& searchPath)
{
    const qsizetype cut = searchPath.lastIndexOf(platform::separator());
    if (cut < 0)
        return {};
    const QString folder = cut == 0 ? platform::separator() : searchPath.left(cut);
    const QString pattern = searchPath.mid(cut + 1);
    if (folder.isEmpty() || pattern.isEmpty() || pattern.contains(QChar(0)))
        return {};
    const wildcard::WildcardMatcher matcher(pattern);
    QStringList names;

#ifdef Q_OS_UNIX
    DIR* dir = opendir(engine::encodeFileName(folder).constData());
    if (!dir)
        return {};
    const int dirFd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        // A leading dot hides a file here; it also skips "." and "..".
        if (entry->d_name[0] == '.')
            continue;
        // The name keeps its bytes, also where they are not UTF-8.
        QString name = engine::decodeFileName(entry->d_name);
        if (!matcher.matches(name))
            continue;
        bool plainFile = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // Only a link or a file system that does not say the type costs a look at the file.
            struct stat info;
            plainFile = fstatat(dirFd, entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (plainFile)
            names << std::move(name);
    }
    closedir(dir);
#else
    // Without QDir::Hidden and QDir::System, hidden and system files stay out of the listing.
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext()) {
        QString name = QFileInfo(it.next()).fileName();
        if (matcher.matches(name))
            names << std::move(name);
    }
#endif
    return names;
}

void FillFileList(MainForm& w, platform::CheckList& list, const QString& folder)
{
    const QString pattern = w.Combo1->Text();
    // A separator inside the pattern would point the listing at another folder, whose names the
    // list could not open: such a pattern is refused.
    if (folder.isEmpty() || pattern.contains(platform::separator()))
        return;
    list.addItems(listMatchingFiles(searchPath(folder, pattern)));
}

bool openPath(MainForm& w, const QString& path)
{
    const QFileInfo target(path);
    if (w.runInProgress || !target.exists())
        return false;
    if (target.isDir())
        return w.Dir1->setPath(target.absoluteFilePath());
    if (!w.Dir1->setPath(target.absolutePath()))
        return false;
    for (int i = 0; i < w.lstFiles->ListCount(); ++i) {
        if (w.lstFiles->List(i) == target.fileName()) {
            w.lstFiles->setListIndex(i);
            break;
        }
    }
    return true;
}

void Dir1_Change(MainForm& w)
{
    w.Drive1->rememberFolder(w.Dir1->Path());
    rebuild(w);
    clearPreview(w);
}

// Moves the folder list to the chosen drive's current folder. A drive that cannot be read leaves the
// folder list where it was, and the drive list goes back to the drive of that folder.
void Drive1_Change(MainForm& w)
{
    const QString drive = w.Drive1->Drive();
    if (w.Dir1->setPath(w.Drive1->CurrentFolder()))
        return;
    w.Drive1->showDriveOf(w.Dir1->Path());
    platform::MsgBox(QStringLiteral("Drive %1 cannot be read.").arg(drive), MainForm::appTitle(),
        platform::Icon::Exclamation);
}

void Combo1_Change(MainForm& w)
{
    clearPreview(w);
    rebuild(w);
}

void Combo1_Click(MainForm& w)
{
    Combo1_Change(w);
    if (w.isVisible())
        w.Command1->setFocus();
}

void chkAll_Click(MainForm& w)
{
    platform::LockWindowUpdate(w.lstFiles);
    if (w.chkAll->isChecked()) {
        w.lstFiles->setAllSelected(true);
        platform::LockWindowUpdate(nullptr);
        if (w.lstFiles->ListCount() > 0)
            w.lstFiles->setListIndex(-1);
        w.mnuSelectAll->setText(deselectAllCaption);
    } else {
        w.lstFiles->setAllSelected(false);
        // Unticking clears the preview, so only a list with entries clears it.
        if (w.lstFiles->ListCount() > 0)
            clearPreview(w);
        platform::LockWindowUpdate(nullptr);
        if (w.lstFiles->ListCount() > 0)
            w.lstFiles->setListIndex(-1);
        w.mnuSelectAll->setText(selectAllCaption);
    }
}

void mnuSelectAll_Click(MainForm& w)
{
    if (w.mnuSelectAll->text() == selectAllCaption) {
        w.chkAll->setChecked(true);
        w.mnuSelectAll->setText(deselectAllCaption);
    } else {
        w.mnuSelectAll->setText(selectAllCaption);
        w.chkAll->setChecked(false);
    }
}

} // namespace workflow
