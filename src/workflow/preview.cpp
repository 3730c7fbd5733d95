#include "workflow/preview.h"

#include "fileops/files.h"
#include "mainform/mainform.h"
#include "platform/checklist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "richtext/rtftext.h"

#include <QPlainTextEdit>

namespace workflow
{

void lstFiles_Click(MainForm& w)
{
    const int current = w.lstFiles->ListIndex();
    if (w.lstFiles->ListCount() == 0 || current < 0)
        return;
    w.rtftext->setText(QString());
    w.rtftext->LoadFile(platform::joinPath(w.Dir1->Path(), w.lstFiles->List(current)));
    w.rtftext->closeFile(); // shown, not written: its disk may be unmounted meanwhile
    w.Label7->setCaption(QStringLiteral("Highlight the String to find"));
}

void rtftext_MouseUp(MainForm& w)
{
    if (w.rtftext->SelLength() > 0)
        w.Findme->setPlainText(w.rtftext->SelText());
}

} // namespace workflow
