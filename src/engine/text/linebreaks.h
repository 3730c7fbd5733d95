#pragma once

#include <QString>

namespace engine
{

// Line breaks as visible text has them: CR LF and a lone CR are one "\n" each.
inline QString normalizedBreaks(const QString& text)
{
    if (!text.contains(u'\r'))
        return text;
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    return out;
}

} // namespace engine
