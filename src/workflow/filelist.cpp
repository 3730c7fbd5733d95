#include "workflow/filelist.h"

#include "app/mainwindow.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/drivelist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "platform/paintfreeze.h"
#include "richtext/rtftext.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QRegularExpression>

namespace workflow
{

namespace
{

    void clearPreview(MainWindow& w)
    {
        w.rtftext->setText(QString());
        w.Label7->setCaption(QStringLiteral("Preview"));
    }

    void rebuild(MainWindow& w)
    {
        w.lstFiles->Clear();
        FillFileList(w, *w.lstFiles, w.Dir1->Path());
        if (w.lstFiles->ListCount() > 0)
            w.lstFiles->setListIndex(-1);
    }

} // namespace

namespace
{
    // Only "*" and "?" are wildcards; every other character stands for itself.
    QRegularExpression wildcardExpression(const QString& pattern)
    {
        QString expression;
        expression.reserve(pattern.size() * 2);
        for (const QChar c : pattern) {
            if (c == '*')
                expression += QLatin1String(".*");
            else if (c == '?')
                expression += '.';
            else
                expression += QRegularExpression::escape(QString(c));
        }
        return QRegularExpression(QRegularExpression::anchoredPattern(expression),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    }
} // namespace

bool matchesPattern(const QString& name, const QString& pattern)
{
    const QRegularExpression wildcard = wildcardExpression(pattern);
    return wildcard.isValid() && wildcard.match(name).hasMatch();
}

void FillFileList(MainWindow& w, platform::CheckList& list, const QString& folder)
{
    const QString pattern = w.Combo1->Text();
    const QDir dir(folder);
    const QRegularExpression wildcard = wildcardExpression(pattern);
    if (folder.isEmpty() || !dir.exists() || !wildcard.isValid())
        return;
    // Hidden files (a leading dot here) and folders are never listed; read-only files are.
    const QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList matching;
    matching.reserve(names.size());
    for (const QString& name : names) {
        if (wildcard.match(name).hasMatch())
            matching << name;
    }
    list.addItems(matching);
}

void Dir1_Change(MainWindow& w)
{
    rebuild(w);
    clearPreview(w);
}

void Drive1_Change(MainWindow& w)
{
    w.Dir1->setPath(w.Drive1->Drive());
}

void Combo1_Change(MainWindow& w)
{
    clearPreview(w);
    rebuild(w);
}

void Combo1_Click(MainWindow& w)
{
    Combo1_Change(w);
    if (w.isVisible())
        w.Command1->setFocus();
}

void chkAll_Click(MainWindow& w)
{
    platform::LockWindowUpdate(w.lstFiles);
    if (w.chkAll->isChecked()) {
        w.lstFiles->setAllSelected(true);
        platform::LockWindowUpdate(nullptr);
        if (w.lstFiles->ListCount() > 0)
            w.lstFiles->setListIndex(-1);
        w.mnuSelectAll->setText(QStringLiteral("&Deselect All Files"));
    } else {
        w.lstFiles->setAllSelected(false);
        if (w.lstFiles->ListCount() > 0)
            clearPreview(w);
        platform::LockWindowUpdate(nullptr);
        if (w.lstFiles->ListCount() > 0)
            w.lstFiles->setListIndex(-1);
        w.mnuSelectAll->setText(QStringLiteral("&Select All Files"));
    }
}

void mnuSelectAll_Click(MainWindow& w)
{
    if (w.mnuSelectAll->text() == QLatin1String("&Select All Files")) {
        w.chkAll->setChecked(true);
        w.mnuSelectAll->setText(QStringLiteral("&Deselect All Files"));
    } else {
        w.mnuSelectAll->setText(QStringLiteral("&Select All Files"));
        w.chkAll->setChecked(false);
    }
}

} // namespace workflow
