#pragma once

// A main window offscreen on a sandbox's work folder, for the replace run's tests.
#include "platform/combobox.h"
#include "support/windowtest.h"
#include "workflow/filelist.h"
#include "workflow/replacerun.h"

#include <functional>
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>

struct ReplaceFixture {
    testing::Sandbox sandbox;
    std::unique_ptr<MainWindow> w;

    // Lists the work folder's files for `pattern`, ticks `ticked`, and runs with `options` holding 'w'
    // for Whole Word Only and 'c' for Match Case.
    void run(const QStringList& ticked, const QString& find, const QString& with, const QString& options = "",
        const QString& pattern = "*.txt")
    {
        w = std::make_unique<MainWindow>();
        w->show();
        w->Combo1->setText(pattern);
        w->Dir1->setPath(sandbox.workFolder());
        workflow::Dir1_Change(*w);
        for (int i = 0; i < w->lstFiles->ListCount(); ++i)
            w->lstFiles->setSelected(i, ticked.contains(w->lstFiles->List(i)));
        w->chkWhlWrd->setChecked(options.contains('w'));
        w->chkCase->setChecked(options.contains('c'));
        w->Findme->setPlainText(find);
        w->Replaceme->setPlainText(with);
        if (before)
            before();
        workflow::cmdReplace_Click(*w);
    }
    std::function<void()> before; // runs just before the run starts, with the file list made

    QStringList results() const
    {
        QStringList lines;
        for (int i = 0; i < w->lstResults->count(); ++i)
            lines << w->lstResults->item(i)->text();
        return lines;
    }
    QString path(const QString& name) const { return QDir(sandbox.workFolder()).filePath(name); }
};
