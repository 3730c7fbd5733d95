#include "engine/packages/xmlscan.h"

#include <cstring>
#include <expat.h>

namespace engine::packages
{

namespace
{

    constexpr char kSeparator = '|';

    struct Scanner {
        XML_Parser parser;
        XmlHandler& handler;
        bool cdata = false;
        bool refused = false;
        bool notUtf8 = false;

        // "uri|local|prefix", or just "local" for an element without namespace.
        static XmlName split(const char* name)
        {
            XmlName n;
            const QByteArrayView all(name, qsizetype(std::strlen(name)));
            const qsizetype first = all.indexOf(kSeparator);
            if (first < 0) {
                n.local = all;
                return n;
            }
            n.uri = all.first(first);
            const QByteArrayView rest = all.sliced(first + 1);
            const qsizetype second = rest.indexOf(kSeparator);
            n.local = second < 0 ? rest : rest.first(second);
            if (second >= 0)
                n.prefix = rest.sliced(second + 1);
            return n;
        }
        qsizetype begin() const { return qsizetype(XML_GetCurrentByteIndex(parser)); }
        qsizetype count() const { return qsizetype(XML_GetCurrentByteCount(parser)); }
        void refuse(bool encoding)
        {
            refused = true;
            notUtf8 = notUtf8 || encoding;
            XML_StopParser(parser, XML_FALSE);
        }
    };

    void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes)
    {
        auto* s = static_cast<Scanner*>(data);
        const qsizetype at = s->begin();
        s->handler.start(Scanner::split(name), attributes, at, at + s->count());
    }
    void XMLCALL onEnd(void* data, const XML_Char* name)
    {
        auto* s = static_cast<Scanner*>(data);
        const qsizetype at = s->begin();
        s->handler.end(Scanner::split(name), at, at + s->count());
    }
    void XMLCALL onText(void* data, const XML_Char* text, int length)
    {
        auto* s = static_cast<Scanner*>(data);
        const qsizetype at = s->begin();
        s->handler.text(QByteArrayView(text, length), at, at + s->count(), s->cdata);
    }
    void XMLCALL onCdataStart(void* data)
    {
        static_cast<Scanner*>(data)->cdata = true;
    }
    void XMLCALL onCdataEnd(void* data)
    {
        static_cast<Scanner*>(data)->cdata = false;
    }
    void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        static_cast<Scanner*>(data)->refuse(false);
    }
    void XMLCALL onDeclaration(void* data, const XML_Char*, const XML_Char* encoding, int)
    {
        if (encoding && qstricmp(encoding, "UTF-8") != 0 && qstricmp(encoding, "UTF8") != 0)
            static_cast<Scanner*>(data)->refuse(true);
    }

} // namespace

QByteArrayView xmlAttribute(const char** attributes, QByteArrayView name)
{
    for (const char** a = attributes; a && *a; a += 2) {
        // Names come as "uri|local|prefix" when the attribute has a prefix.
        const QByteArrayView full(*a, qsizetype(std::strlen(*a)));
        if (full == name
            || (full.startsWith(name) && full.size() > name.size() && full[name.size()] == kSeparator))
            return QByteArrayView(a[1], qsizetype(std::strlen(a[1])));
    }
    return {};
}

XmlScan scanXml(const QByteArray& bytes, XmlHandler& handler, QString* why)
{
    // UTF-16 (with or without its byte order mark) is the other encoding a parser must read.
    if (bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE")
        || (bytes.size() >= 2 && (bytes[0] == 0 || bytes[1] == 0))) {
        if (why)
            *why = QStringLiteral("not UTF-8");
        return XmlScan::NotUtf8;
    }
    XML_Parser parser = XML_ParserCreateNS("UTF-8", kSeparator);
    if (!parser)
        return XmlScan::Malformed;
    Scanner scanner { parser, handler };
    XML_SetReturnNSTriplet(parser, 1);
    XML_SetUserData(parser, &scanner);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_SetCdataSectionHandler(parser, onCdataStart, onCdataEnd);
    XML_SetStartDoctypeDeclHandler(parser, onDoctype);
    XML_SetXmlDeclHandler(parser, onDeclaration);
    // One call for the whole document: the byte offsets are offsets in `bytes`. Larger documents
    // than an int can say are not read.
    const bool fitsInt = bytes.size() < qsizetype(1) << 31;
    const bool ok =
        fitsInt && XML_Parse(parser, bytes.constData(), int(bytes.size()), XML_TRUE) == XML_STATUS_OK;
    XmlScan result = XmlScan::Read;
    if (scanner.refused || !ok) {
        result = scanner.notUtf8 ? XmlScan::NotUtf8 : XmlScan::Malformed;
        if (why) {
            *why = scanner.notUtf8 ? QStringLiteral("not UTF-8")
                : scanner.refused  ? QStringLiteral("document type declaration")
                : !fitsInt         ? QStringLiteral("too large")
                                   : QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser)));
        }
    }
    XML_ParserFree(parser);
    return result;
}

bool allowedInXml(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20) {
            if (c != '\t' && c != '\n' && c != '\r')
                return false;
        } else if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate())
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            return false;
        }
    }
    return true;
}

QByteArray escapedXml(QStringView text)
{
    QByteArray out;
    const QByteArray utf8 = text.toUtf8();
    out.reserve(utf8.size() + 16);
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\r':
            out += "&#13;"; // kept as it is, not read as a line end
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace engine::packages
