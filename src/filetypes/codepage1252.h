#pragma once

#include <QByteArray>
#include <QString>

// The pattern file is single-byte text in the Windows-1252 code page on every platform, so a file
// copied between machines reads the same.
namespace filetypes
{

QString fromWindows1252(const QByteArray& bytes);
// Characters the code page has no byte for become "?".
QByteArray toWindows1252(const QString& text);

} // namespace filetypes
