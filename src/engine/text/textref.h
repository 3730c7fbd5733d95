#pragma once

#include <QString>

namespace engine
{

// A read-only view of visible text, stored either one byte per character (characters U+0000 to
// U+00FF, as a pure ASCII or Latin-1 file is) or as UTF-16 code units. Plain files that need no
// decoding are searched straight in the bytes read, without a wide copy.
struct TextRef {
    const uchar* latin1 = nullptr;
    const char16_t* utf16 = nullptr;
    qsizetype size = 0;

    char16_t at(qsizetype i) const { return latin1 ? char16_t(latin1[i]) : utf16[i]; }
    void appendTo(QString& out, qsizetype from, qsizetype count) const
    {
        if (latin1)
            out.append(QLatin1StringView(reinterpret_cast<const char*>(latin1) + from, count));
        else
            out.append(QStringView(utf16 + from, count));
    }
};

} // namespace engine
