#include "filetypes/filetypes.h"

#include "filetypes/codepage1252.h"
#include "mainform/mainform.h"
#include "platform/combobox.h"
#include "platform/files.h"
#include "platform/yield.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>

namespace filetypes
{

namespace
{
    const QString fileName = QStringLiteral("cmb.ftl");

    // Reads a text as a sequence of fields.
    class FieldReader
    {
    public:
        explicit FieldReader(QString text)
            : m_text(std::move(text))
        {
        }

        bool atEnd() const { return m_at >= m_text.size(); }

        QString next()
        {
            while (!atEnd() && (peek() == ' ' || peek() == '\t'))
                ++m_at;
            if (!atEnd() && peek() == '"') {
                const qsizetype start = ++m_at;
                qsizetype end = m_text.indexOf('"', start);
                if (end < 0)
                    end = m_text.size();
                m_at = end + 1;
                // Whatever stands between the closing quote and the end of the field is dropped.
                while (!atEnd() && !endsField())
                    ++m_at;
                skipEndOfField();
                return m_text.mid(start, end - start);
            }
            const qsizetype start = m_at;
            while (!atEnd() && !endsField())
                ++m_at;
            const QString field = m_text.mid(start, m_at - start);
            skipEndOfField();
            return field;
        }

    private:
        QChar peek() const { return m_text[m_at]; }
        bool endsField() const { return peek() == ',' || peek() == '\r' || peek() == '\n'; }

        void skipEndOfField()
        {
            if (atEnd())
                return;
            if (peek() == '\r' && m_at + 1 < m_text.size() && m_text[m_at + 1] == '\n')
                ++m_at;
            ++m_at;
        }

        QString m_text;
        qsizetype m_at = 0;
    };

    // UTF-8 when the bytes are valid UTF-8 (a byte order mark is dropped), else Windows-1252, in which
    // older collections were kept: a plain ASCII file reads the same either way.
    QString decodePatterns(const QByteArray& bytes)
    {
        QStringDecoder utf8(QStringConverter::Utf8);
        QString text = utf8(bytes);
        return utf8.hasError() ? fromWindows1252(bytes) : text;
    }

    // Every step goes on past a failure, as a user would expect of a list box.
    void cleanAndSave(MainForm& w)
    {
        ClearBlanks2(*w.Combo1);
        ClearDoubles2(*w.Combo1);
        Save_Combo(patternFilePath(), *w.Combo1);
    }
} // namespace

QString patternFilePath()
{
    const QString folder = platform::programFolder();
    if (platform::installedDataFolder().isEmpty() && QFileInfo(folder).isWritable())
        return platform::joinPath(folder, fileName);
    return platform::joinPath(platform::userDataFolder(), fileName);
}

QString patternFileToLoad()
{
    const QString kept = patternFilePath();
    if (QFileInfo::exists(kept))
        return kept;
    for (const QString& folder : { platform::programFolder(), platform::installedDataFolder() }) {
        const QString shipped = platform::joinPath(folder, fileName);
        if (!folder.isEmpty() && QFileInfo(shipped).isFile())
            return shipped;
    }
    return kept;
}

void Load_Combo(const QString& Path, platform::ComboBox& Combo)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    FieldReader reader(decodePatterns(file.readAll()));
    file.close();
    while (!reader.atEnd()) {
        const QString field = reader.next();
        platform::DoEvents();
        // An empty field (a blank line, a stray comma) is no pattern.
        if (!field.isEmpty())
            Combo.AddItem(field);
    }
}

void Save_Combo(const QString& Path, const platform::ComboBox& Combo)
{
    QByteArray bytes;
    for (int i = 0; i < Combo.ListCount(); ++i)
        bytes += Combo.List(i).toUtf8() + "\r\n";
    QDir().mkpath(QFileInfo(Path).path());
    QSaveFile file(Path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(bytes);
    file.commit();
}

void ClearBlanks2(platform::ComboBox& Combo)
{
    for (int i = Combo.ListCount() - 1; i >= 0; --i) {
        if (Combo.List(i).isEmpty())
            Combo.RemoveItem(i);
    }
}

void ClearDoubles2(platform::ComboBox& Combo)
{
    QSet<QString> seen;
    for (int i = 0; i < Combo.ListCount();) {
        const QString entry = Combo.List(i);
        if (seen.contains(entry)) {
            Combo.RemoveItem(i);
        } else {
            seen.insert(entry);
            ++i;
        }
    }
}

void cmdCmbAdd_Click(MainForm& w)
{
    w.Combo1->AddItem(w.Combo1->Text());
    cleanAndSave(w);
    w.Combo1->setListIndex(w.Combo1->ListCount() - 1);
}

void cmdCmbDel_Click(MainForm& w)
{
    w.Combo1->RemoveItem(w.Combo1->ListIndex());
    cleanAndSave(w);
    if (w.Combo1->ListCount() > 0)
        w.Combo1->setListIndex(0);
}

void mnuNewExt_Click(MainForm& w)
{
    w.Combo1->setText(QStringLiteral("*."));
    w.Combo1->setFocus();
    w.Combo1->moveCaretToEnd();
}

} // namespace filetypes
