#pragma once

#include <QByteArray>
#include <QString>

// Pattern files written by older versions, and on Windows machines, are single-byte text in the
// Windows-1252 code page.
namespace filetypes
{

QString fromWindows1252(const QByteArray& bytes);

} // namespace filetypes
