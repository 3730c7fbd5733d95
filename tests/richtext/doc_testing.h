#pragma once

#include "richtext/document.h"

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
inline int replaceAll(richtext::Document& doc, const QString& find, const QString& with, int options)
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

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Sets a file's modification time into the past, so that any rewrite shows.
inline void backdate(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addDays(-3), QFileDevice::FileModificationTime));
}

inline QDateTime modified(const QString& path)
{
    return QFileInfo(path).lastModified();
}

} // namespace doctest
