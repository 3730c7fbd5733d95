#pragma once

#include "engine/document.h"
#include "engine/rtf/rtfsource.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

namespace doctest
{

// Replaces every match the way the replace run drives the control: one Find per replacement, each
// after the text just inserted. Returns the number of replacements.
inline int replaceAll(engine::Document& doc, const QString& find, const QString& with, int options)
{
    doc.setSelStart(0);
    doc.find(find, {}, {}, options);
    int count = 0;
    while (!doc.selText().isEmpty()) {
        doc.setSelText(with);
        ++count;
        doc.find(find, doc.selStart(), {}, options);
    }
    return count;
}

// Writes `bytes` as `name` in `dir` and returns the file's path.
// `text` as UTF-16 bytes, little- or big-endian, without a byte order mark.
inline QByteArray utf16(QStringView text, bool little)
{
    QByteArray out;
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out.append(little ? lo : hi).append(little ? hi : lo);
    }
    return out;
}

inline QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline QDateTime modified(const QString& path)
{
    return QFileInfo(path).lastModified();
}

// Sets a file's modification time three days back, so that any rewrite shows; returns the time set.
inline QDateTime backdate(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)
        || !file.setFileTime(QDateTime::currentDateTimeUtc().addDays(-3), QFileDevice::FileModificationTime))
        qFatal("cannot backdate %s", qPrintable(path));
    file.close();
    return modified(path);
}

inline engine::RtfSource parsed(const QByteArray& rtf)
{
    QString why;
    auto source = engine::RtfSource::parse(rtf, &why);
    if (!source)
        qFatal("document did not parse (%s): %s", qPrintable(why), rtf.constData());
    return *source;
}

// Every occurrence of `find` in the visible text, left to right, becomes `with`.
inline engine::EditList editsFor(const QString& text, const QString& find, const QString& with)
{
    engine::EditList edits;
    for (qsizetype at = text.indexOf(find); at >= 0; at = text.indexOf(find, at + find.size()))
        edits.push_back({ at, find.size(), with });
    return edits;
}

// The document written with `edits`; empty when the writer refuses them, the reason in `why`.
inline QByteArray written(
    const engine::RtfSource& source, const engine::EditList& edits, QString* why = nullptr)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return source.write(edits, buffer, why) == engine::RtfSource::WriteOutcome::Written ? buffer.data()
                                                                                        : QByteArray();
}

} // namespace doctest
