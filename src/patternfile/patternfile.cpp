#include "patternfile/patternfile.h"

#include "patternfile/codepage1252.h"

#include <QStringDecoder>

namespace filetypes
{

namespace
{
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
} // namespace

QStringList readPatternFields(const QByteArray& bytes)
{
    QStringList fields;
    for (FieldReader reader(decodePatterns(bytes)); !reader.atEnd();)
        fields.append(reader.next());
    return fields;
}

QByteArray patternFileBytes(const QStringList& entries)
{
    QByteArray bytes;
    for (const QString& entry : entries)
        bytes += entry.toUtf8() + "\r\n";
    return bytes;
}

} // namespace filetypes
