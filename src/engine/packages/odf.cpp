#include "engine/packages/readers.h"

namespace engine::packages
{

namespace
{

    constexpr QByteArrayView kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
    constexpr QByteArrayView kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
    constexpr QByteArrayView kStyle = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
    constexpr QByteArrayView kDraw = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
    constexpr QByteArrayView kSvg = "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0";

    bool isBlank(char c)
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r';
    }

    // Elements of the text namespace inside a paragraph that are neither a field nor hidden: text
    // in them reads on with the paragraph's.
    bool flowsOn(QByteArrayView l)
    {
        static const QByteArrayView names[] = { "span", "a", "meta", "ruby", "ruby-base", "ruby-text",
            "soft-page-break", "bookmark", "bookmark-start", "bookmark-end", "reference-mark",
            "reference-mark-start", "reference-mark-end", "change", "change-start", "change-end", "toc-mark",
            "toc-mark-start", "toc-mark-end" };
        return std::find(std::begin(names), std::end(names), l) != std::end(names);
    }

    // OpenDocument text (content.xml, styles.xml or a flat document): the body's paragraphs and
    // headings, tables, lists, frames and notes, and the page styles' headers and footers. Blanks
    // read as the format says: a run of them is one space, none at the start of a paragraph.
    // Annotations, tracked deletions and the templates of indexes are not seen; notes, text boxes,
    // headers and footers are asides shown after the body.
    class OdfReader : public XmlHandler
    {
    public:
        OdfReader(TextBuilder& builder, Part& part)
            : b(builder)
            , part(part)
        {
        }

        void start(const XmlName& n, const char** attributes, qsizetype begin, qsizetype end) override
        {
            stack.push_back(Open {});
            Open& self = stack.back();
            self.holdsText = n.uri == kText;
            const QByteArrayView l = n.local;
            if (n.uri == kText && l == "changed-region") {
                region = xmlAttribute(attributes, QByteArray(kText.toByteArray() + "|id")).toByteArray();
            } else if (n.uri == kText && l == "deletion" && !region.isEmpty()) {
                deletions.push_back(region);
            } else if (n.uri == kText && (l == "change-start" || l == "change-end")) {
                // A tracked deletion may stand in the text between its start and end marks.
                const QByteArray id =
                    xmlAttribute(attributes, QByteArray(kText.toByteArray() + "|change-id")).toByteArray();
                if (std::find(deletions.begin(), deletions.end(), id) != deletions.end()) {
                    if (l == "change-start")
                        ++deleting;
                    else if (deleting > 0)
                        --deleting;
                }
                return;
            }
            if (hidden > 0 || (n.uri == kOffice && (l == "annotation" || l == "forms"))
                || (n.uri == kSvg && (l == "title" || l == "desc"))
                || (n.uri == kText
                    && (l == "tracked-changes" || l == "note-citation" || l.endsWith("-source")
                        || l == "sequence-decls" || l == "variable-decls" || l == "user-field-decls"))) {
                self.tag = Tag::Hidden;
                ++hidden;
                return;
            }
            if (n.uri == kOffice && l == "text") {
                self.tag = Tag::Story;
                b.beginStory(0);
            } else if (n.uri == kStyle && (l.startsWith("header") || l.startsWith("footer"))
                && !l.endsWith("-style")) {
                self.tag = Tag::Story;
                b.beginStory(2);
            } else if ((n.uri == kText && l == "note-body") || (n.uri == kDraw && l == "text-box")) {
                self.tag = Tag::Story;
                b.beginStory(1);
                paragraphs.push_back(Paragraph {});
            } else if (n.uri == kText && (l == "p" || l == "h")) {
                self.tag = Tag::Paragraph;
                if (part.prefix.isEmpty() && !n.prefix.isEmpty())
                    part.prefix = n.prefix.toByteArray();
                paragraphs.push_back(Paragraph { true, true });
            } else if (!inParagraph() || deleting > 0) {
                return;
            } else if (n.uri == kText && l == "s") {
                const int count = xmlAttribute(attributes, QByteArray(kText.toByteArray() + "|c")).toInt();
                b.piece(QString(std::max(count, 1), u' '), begin, end, Piece::Element);
                flow(false);
            } else if (n.uri == kText && (l == "tab" || l == "line-break")) {
                b.piece(l == "tab" ? u"\t" : u"\n", begin, end, Piece::Element);
                flow(false);
            } else if (n.uri == kText && l == "note") {
                self.tag = Tag::Edge;
                b.boundary();
            } else if (n.uri == kText && !flowsOn(l)) {
                // A field: its shown value is text, but no match runs into it or out of it.
                self.tag = Tag::Edge;
                b.boundary();
            }
        }

        void end(const XmlName&, qsizetype begin, qsizetype) override
        {
            const Tag tag = stack.back().tag;
            stack.pop_back();
            switch (tag) {
            case Tag::Hidden:
                --hidden;
                break;
            case Tag::Story:
                b.endStory();
                if (!paragraphs.empty() && !paragraphs.back().real)
                    paragraphs.pop_back();
                break;
            case Tag::Paragraph:
                b.mark(begin);
                paragraphs.pop_back();
                break;
            case Tag::Edge:
                b.boundary();
                break;
            case Tag::Other:
                break;
            }
        }

        void text(QByteArrayView decoded, qsizetype begin, qsizetype end, bool cdata) override
        {
            // Only the text elements hold text: blanks between a frame's parts are not the paragraph's.
            if (hidden > 0 || deleting > 0 || !inParagraph() || !paragraphs.back().real || stack.empty()
                || !stack.back().holdsText)
                return;
            const bool literal = decoded.size() == end - begin;
            qsizetype from = 0;
            while (from < decoded.size()) {
                qsizetype to = from;
                const bool blank = isBlank(decoded[from]);
                while (to < decoded.size() && isBlank(decoded[to]) == blank)
                    ++to;
                const qsizetype byteFrom = literal ? begin + from : begin;
                const qsizetype byteTo = literal ? begin + to : end;
                if (!blank) {
                    b.text(decoded.sliced(from, to - from), byteFrom, byteTo, cdata);
                    flow(false);
                } else if (!b.extendCollapsed(byteFrom, byteTo) && !paragraphs.back().atStart
                    && !paragraphs.back().afterBlank) {
                    b.piece(u" ", byteFrom, byteTo, Piece::Element, true);
                    flow(true);
                }
                from = to;
            }
        }

    private:
        bool inParagraph() const { return !paragraphs.empty(); }
        void flow(bool blank)
        {
            paragraphs.back().atStart = false;
            paragraphs.back().afterBlank = blank;
        }

        enum class Tag { Other, Hidden, Story, Paragraph, Edge };
        struct Open {
            Tag tag = Tag::Other;
            bool holdsText = false;
        };
        struct Paragraph {
            bool real = false; // false: a note body or text box inside a paragraph, holding its own
            bool atStart = true;
            bool afterBlank = false;
        };
        TextBuilder& b;
        Part& part;
        std::vector<Open> stack;
        std::vector<Paragraph> paragraphs;
        int hidden = 0;
        int deleting = 0; // open tracked deletions that stand in the text
        QByteArray region; // the tracked change being read
        std::vector<QByteArray> deletions; // the tracked changes that delete text
    };

} // namespace

XmlScan readOdf(TextBuilder& builder, Part& part, QString* why)
{
    OdfReader reader(builder, part);
    return scanXml(part.bytes, reader, why);
}

} // namespace engine::packages
