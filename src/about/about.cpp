#include "about/about.h"

#include "about/frmabout.h"
#include "fileops/files.h"
#include "mainform/mainform.h"
#include "platform/desktop.h"

#include <QFileInfo>

namespace about
{

void mnuAbout_Click(MainForm& w)
{
    if (!w.aboutBox) {
        // A child of the main window, so that it closes and goes with it.
        w.aboutBox = new frmAbout(&w);
        QObject::connect(w.aboutBox, &QDialog::finished, &w, [&w] {
            w.aboutBox = nullptr;
        });
    }
    w.aboutBox->show();
    w.aboutBox->raise();
    w.aboutBox->activateWindow();
}

void mnuContent_Click(MainForm& w)
{
    Q_UNUSED(w);
    // The page beside the program, or where an installed program keeps it. A missing page is not
    // opened at all, so that no viewer comes up with an error of its own.
    const QString name = QStringLiteral("Textmend_Help.htm");
    for (const QString& folder : { platform::programFolder(), platform::installedDataFolder() }) {
        const QString page = platform::joinPath(folder, name);
        if (!folder.isEmpty() && QFileInfo(page).isFile()) {
            platform::desktop().open(page);
            return;
        }
    }
}

} // namespace about
