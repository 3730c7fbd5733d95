#pragma once

#include <QByteArray>
#include <QString>

// A file's name is bytes, and not every name is UTF-8: an archive from an older system brings Latin-1
// or Shift-JIS names. Such a name is held as a string that gives back its very bytes: each byte that
// begins no valid UTF-8 character stands as one code unit U+DC80-U+DCFF, a lone surrogate that no
// decoded text holds.
namespace engine
{

// The name (or path) that the bytes `native` stand for.
QString decodeFileName(QByteArrayView native);
// The bytes of a name or path made by decodeFileName (or typed: UTF-8), for the system's calls.
QByteArray encodeFileName(QStringView name);
// The name as a person reads it: each byte that is not UTF-8 shows as U+FFFD.
QString shownFileName(QStringView name);

} // namespace engine
