#include "filetypes/filetypes.h"

#include "app/mainwindow.h"
#include "platform/combobox.h"

#include <QFile>

namespace filetypes
{

void Load_Combo(const QString& Path, platform::ComboBox& Combo)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd())
        Combo.AddItem(QString::fromLatin1(file.readLine()).trimmed());
}

void Save_Combo(const QString& Path, const platform::ComboBox& Combo)
{
    Q_UNUSED(Path);
    Q_UNUSED(Combo);
}

void ClearBlanks2(platform::ComboBox& Combo)
{
    Q_UNUSED(Combo);
}

void ClearDoubles2(platform::ComboBox& Combo)
{
    Q_UNUSED(Combo);
}

void cmdCmbAdd_Click(MainWindow& w)
{
    Q_UNUSED(w);
}

void cmdCmbDel_Click(MainWindow& w)
{
    Q_UNUSED(w);
}

void mnuNewExt_Click(MainWindow& w)
{
    Q_UNUSED(w);
}

} // namespace filetypes
