#include "filetypes/filetypes.h"

#include "fileops/files.h"
#include "mainform/mainform.h"
#include "patternfile/patternfile.h"
#include "platform/combobox.h"
#include "platform/yield.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>

namespace filetypes
{

namespace
{
    const QString fileName = QStringLiteral("cmb.ftl");

    // Every step goes on past a failure, as a user would expect of a list box.
    void cleanAndSave(MainForm& w)
    {
        ClearBlanks2(*w.Combo1);
        ClearDoubles2(*w.Combo1);
        Save_Combo(patternFilePath(), *w.Combo1);
    }
} // namespace

QString patternFilePath()
{
    const QString folder = platform::programFolder();
    if (platform::installedDataFolder().isEmpty() && QFileInfo(folder).isWritable())
        return platform::joinPath(folder, fileName);
    return platform::joinPath(platform::userDataFolder(), fileName);
}

QString patternFileToLoad()
{
    const QString kept = patternFilePath();
    if (QFileInfo::exists(kept))
        return kept;
    for (const QString& folder : { platform::programFolder(), platform::installedDataFolder() }) {
        const QString shipped = platform::joinPath(folder, fileName);
        if (!folder.isEmpty() && QFileInfo(shipped).isFile())
            return shipped;
    }
    return kept;
}

void Load_Combo(const QString& Path, platform::ComboBox& Combo)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QStringList fields = readPatternFields(file.readAll());
    file.close();
    for (const QString& field : fields) {
        platform::DoEvents();
        // An empty field (a blank line, a stray comma) is no pattern.
        if (!field.isEmpty())
            Combo.AddItem(field);
    }
}

void Save_Combo(const QString& Path, const platform::ComboBox& Combo)
{
    QStringList entries;
    for (int i = 0; i < Combo.ListCount(); ++i)
        entries.append(Combo.List(i));
    QDir().mkpath(QFileInfo(Path).path());
    QSaveFile file(Path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(patternFileBytes(entries));
    file.commit();
}

void ClearBlanks2(platform::ComboBox& Combo)
{
    for (int i = Combo.ListCount() - 1; i >= 0; --i) {
        if (Combo.List(i).isEmpty())
            Combo.RemoveItem(i);
    }
}

void ClearDoubles2(platform::ComboBox& Combo)
{
    QSet<QString> seen;
    for (int i = 0; i < Combo.ListCount();) {
        const QString entry = Combo.List(i);
        if (seen.contains(entry)) {
            Combo.RemoveItem(i);
        } else {
            seen.insert(entry);
            ++i;
        }
    }
}

void cmdCmbAdd_Click(MainForm& w)
{
    w.Combo1->AddItem(w.Combo1->Text());
    cleanAndSave(w);
    w.Combo1->setListIndex(w.Combo1->ListCount() - 1);
}

void cmdCmbDel_Click(MainForm& w)
{
    w.Combo1->RemoveItem(w.Combo1->ListIndex());
    cleanAndSave(w);
    if (w.Combo1->ListCount() > 0)
        w.Combo1->setListIndex(0);
}

void mnuNewExt_Click(MainForm& w)
{
    w.Combo1->setText(QStringLiteral("*."));
    w.Combo1->setFocus();
    w.Combo1->moveCaretToEnd();
}

} // namespace filetypes
