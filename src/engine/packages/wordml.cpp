#include "engine/packages/readers.h"

namespace engine::packages
{

namespace
{

    constexpr QByteArrayView kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
    constexpr QByteArrayView kMc = "http://schemas.openxmlformats.org/markup-compatibility/2006";
    constexpr QByteArrayView kXmlSpace = "http://www.w3.org/XML/1998/namespace|space";

    bool isTrue(QByteArrayView value)
    {
        return value.isEmpty() || (value != "0" && value != "false" && value != "off");
    }

    // A WordprocessingML part (document, header, footer, notes): the text a reader sees. Deleted
    // text, field codes, the fallback copy of alternate content and text hidden by its run's own
    // formatting are not seen; a text box is an aside shown after the part's text.
    class WordMLReader : public XmlHandler
    {
    public:
        WordMLReader(TextBuilder& builder, Part& part)
            : b(builder)
            , part(part)
        {
        }

        void start(const XmlName& n, const char** attributes, qsizetype begin, qsizetype end) override
        {
            stack.push_back(Open {});
            Open& self = stack.back();
            const bool inW = n.uri == kW;
            if (hidden > 0 || (n.uri == kMc && n.local == "Fallback")) {
                self.hides = true;
                ++hidden;
                return;
            }
            if (!inW)
                return;
            const QByteArrayView l = n.local;
            const Tag parent = stack.size() >= 2 ? stack[stack.size() - 2].tag : Tag::Other;
            self.tag = tagOf(l);
            if (part.prefix.isEmpty() && !n.prefix.isEmpty())
                part.prefix = n.prefix.toByteArray();
            // Deleted text, field codes, and the separator lines that stand among the notes.
            const bool separator = (l == "footnote" || l == "endnote")
                && !xmlAttribute(attributes, QByteArray(kW.toByteArray() + "|type")).isEmpty();
            if (separator || l == "del" || l == "moveFrom" || l == "delText" || l == "instrText"
                || l == "delInstrText") {
                self.hides = true;
                ++hidden;
            } else if (l == "r") {
                runHidden = false;
            } else if (l == "vanish" && parent == Tag::RPr && stack.size() >= 3
                && stack[stack.size() - 3].tag == Tag::R) {
                runHidden = isTrue(xmlAttribute(attributes, QByteArray(kW.toByteArray() + "|val")));
            } else if (l == "t" && parent == Tag::R && visible()) {
                const qsizetype nameEnd =
                    begin + 1 + (n.prefix.isEmpty() ? 0 : n.prefix.size() + 1) + n.local.size();
                self.element = b.beginElement(nameEnd, xmlAttribute(attributes, kXmlSpace) == "preserve");
                element = self.element;
            } else if ((l == "tab" || l == "br" || l == "cr") && parent == Tag::R && visible()) {
                b.piece(l == "tab" ? u"\t" : u"\n", begin, end, Piece::Element);
            } else if (l == "noBreakHyphen" && parent == Tag::R && visible()) {
                b.piece(u"\u2011", begin, end, Piece::Element);
            } else if (l == "softHyphen" && parent == Tag::R && visible()) {
                b.piece(u"\u00AD", begin, end, Piece::Element);
            } else if (l == "fldChar") {
                const QByteArrayView type =
                    xmlAttribute(attributes, QByteArray(kW.toByteArray() + "|fldCharType"));
                if (type == "begin") {
                    fields.push_back(true);
                } else if (type == "separate" && !fields.empty()) {
                    fields.back() = false;
                } else if (type == "end" && !fields.empty()) {
                    fields.pop_back();
                }
                b.boundary();
            } else if (l == "fldSimple" || l == "footnote" || l == "endnote" || l == "tc") {
                b.boundary();
            } else if (l == "txbxContent") {
                b.beginStory(1);
            }
        }

        void end(const XmlName&, qsizetype begin, qsizetype) override
        {
            const Open self = stack.back();
            stack.pop_back();
            if (self.hides) {
                --hidden;
                return;
            }
            if (self.element >= 0) {
                b.endElement(self.element);
                element = -1;
            } else if (self.tag == Tag::P) {
                b.mark(begin);
            } else if (self.tag == Tag::Edge) {
                b.boundary();
            } else if (self.tag == Tag::TextBox) {
                b.endStory();
            }
        }

        void text(QByteArrayView decoded, qsizetype begin, qsizetype end, bool cdata) override
        {
            if (element >= 0 && hidden == 0)
                b.text(decoded, begin, end, cdata, element);
        }

    private:
        bool visible() const { return hidden == 0 && !runHidden && (fields.empty() || !fields.back()); }

        // What the reader remembers of an open element (its name lives only as long as the event).
        enum class Tag { Other, P, R, RPr, Edge, TextBox };
        static Tag tagOf(QByteArrayView l)
        {
            if (l == "p")
                return Tag::P;
            if (l == "r")
                return Tag::R;
            if (l == "rPr")
                return Tag::RPr;
            if (l == "fldSimple" || l == "footnote" || l == "endnote" || l == "tc")
                return Tag::Edge;
            return l == "txbxContent" ? Tag::TextBox : Tag::Other;
        }
        struct Open {
            Tag tag = Tag::Other;
            bool hides = false;
            int element = -1;
        };
        TextBuilder& b;
        Part& part;
        std::vector<Open> stack;
        std::vector<bool> fields; // open fields, true while in their code
        int hidden = 0;
        bool runHidden = false;
        int element = -1;
    };

} // namespace

XmlScan readWordML(TextBuilder& builder, Part& part, int rank, QString* why)
{
    WordMLReader reader(builder, part);
    builder.beginStory(rank);
    const XmlScan scan = scanXml(part.bytes, reader, why);
    builder.endStory();
    return scan;
}

} // namespace engine::packages
