#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace engine::packages
{

// An element's name as the scanner reports it: its namespace, local name and the prefix written.
struct XmlName {
    QByteArrayView uri;
    QByteArrayView local;
    QByteArrayView prefix;
    bool is(QByteArrayView u, QByteArrayView l) const { return local == l && uri == u; }
};

// Events of an XML document with the byte range of the source that each comes from.
class XmlHandler
{
public:
    virtual ~XmlHandler() = default;
    // A start tag [begin, end) (the whole tag of an empty element); `attributes` holds name/value
    // pairs, names as "uri|local", terminated by a null pointer.
    virtual void start(const XmlName& name, const char** attributes, qsizetype begin, qsizetype end) = 0;
    // An end tag [begin, end); empty (begin == end) after an empty element.
    virtual void end(const XmlName& name, qsizetype begin, qsizetype end) = 0;
    // Character data: `decoded` as the parser reads it, from source bytes [begin, end). A stretch of
    // plain characters comes with the very bytes it reads; a reference (&amp;, &#x1F600;) or a line
    // end (CR LF read as one LF) comes alone. `cdata` inside a CDATA section.
    virtual void text(QByteArrayView decoded, qsizetype begin, qsizetype end, bool cdata) = 0;
};

// The value of attribute "uri|local" in a start tag's attributes, or an empty view.
QByteArrayView xmlAttribute(const char** attributes, QByteArrayView name);

enum class XmlScan { Read, Malformed, NotUtf8 };

// Reads the whole document, reporting its events to `handler`. A document that is not well formed,
// has a document type declaration (none of the formats read here uses one) or is not in UTF-8 is
// refused; the parser's reason goes to `why`.
XmlScan scanXml(const QByteArray& bytes, XmlHandler& handler, QString* why = nullptr);

// True for a character XML 1.0 allows in a document: tab, line feed, carriage return, U+0020 up to
// U+D7FF, U+E000 up to U+FFFD and beyond U+FFFF (a paired surrogate).
bool allowedInXml(QStringView text);

// `text` as character data: & < > escaped, everything else in UTF-8.
QByteArray escapedXml(QStringView text);

} // namespace engine::packages
