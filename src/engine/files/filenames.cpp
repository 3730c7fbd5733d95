#include "engine/files/filenames.h"

#include "engine/text/utf8.h"

namespace engine
{

namespace
{
    constexpr char16_t standInBase = 0xDC00;

    bool isStandIn(char16_t unit)
    {
        return unit >= standInBase + 0x80 && unit <= standInBase + 0xFF;
    }
} // namespace

QString decodeFileName(QByteArrayView native)
{
    const auto* p = reinterpret_cast<const uchar*>(native.data());
    const qsizetype n = native.size();
    QString name;
    name.reserve(n);
    qsizetype valid = 0; // where the run of valid characters not yet appended begins
    for (qsizetype i = 0; i < n;) {
        const int length = utf8SequenceLength(p, n, i);
        if (length > 0) {
            i += length;
            continue;
        }
        name.append(QString::fromUtf8(native.sliced(valid, i - valid)));
        name.append(QChar(char16_t(standInBase + p[i])));
        valid = ++i;
    }
    name.append(QString::fromUtf8(native.sliced(valid)));
    return name;
}

QByteArray encodeFileName(QStringView name)
{
    QByteArray native;
    native.reserve(name.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isStandIn(name[i].unicode()))
            continue;
        native.append(name.sliced(from, i - from).toUtf8());
        if (i < name.size())
            native.append(char(name[i].unicode() - standInBase));
        from = i + 1;
    }
    return native;
}

QString shownFileName(QStringView name)
{
    QString shown = name.toString();
    for (QChar& c : shown) {
        if (isStandIn(c.unicode()))
            c = QChar::ReplacementCharacter;
    }
    return shown;
}

} // namespace engine
