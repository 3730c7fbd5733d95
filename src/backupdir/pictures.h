#pragma once

#include <QPixmap>

namespace backupdir
{

// The chooser's two 16 x 16 button pictures.
QPixmap folderUpPicture(); // a folder with an arrow pointing up
QPixmap newFolderPicture(); // a folder with a spark
} // namespace backupdir
