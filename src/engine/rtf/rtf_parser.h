#pragma once

// Reads an RTF document into its visible text, remembering for every character the source bytes that
// produced it, plus what the preview needs (formatting runs, alignment, pictures). Internal to
// the RTF reader and writer.

#include "engine/rtf/rtf_codepage.h"
#include "engine/rtf/rtf_data.h"
#include "engine/rtf/rtf_keywords.h"
#include "engine/rtf/rtf_tokens.h"

namespace engine::rtf
{

// What the text of the current group is for.
enum class Dest : std::uint8_t {
    Text, // visible
    Hidden, // tables, fields' instructions, every {\*\...} group...
    FontTable,
    ColorTable,
    Picture,
    SkipPicture, // a picture's stand-in for older readers; not shown
};

// The part of the document visible text belongs to. Notes, headers and footers are set off from the
// body, and no match spans their edges.
enum class Story : std::uint8_t { Body, Note, HeaderFooter };

struct State {
    Dest dest = Dest::Text;
    Dest parentDest = Dest::Text; // what the enclosing group shows
    Dest outsideUpr = Dest::Text; // \upr: its \ud part is shown with the visibility of the \upr group
    bool inUpr = false;
    bool hiddenText = false; // \v
    Story story = Story::Body;
    bool opensStory = false; // this group is the note, header or footer
    qsizetype groupStart = 0; // where the group's opening brace is
    int uc = 1;
    CharFormat format;
    ParagraphRun::Align align = ParagraphRun::Align::Left;
};

class Parser
{
public:
    explicit Parser(RtfSource::Data& data);
    bool run(QString& why);

    // Deeper nesting is refused: each open group holds a copy of the formatting state.
    static constexpr std::size_t kMaxDepth = 4096;

private:
    bool controlAt(qsizetype& pos, QString& why);
    void keyword(const Keyword& k, const ControlWord& word, qsizetype begin, qsizetype& pos);
    void literalBytes(qsizetype& pos);
    void encodedByte(unsigned char byte, qsizetype begin, qsizetype& pos);
    bool openGroup(qsizetype bracePos);
    bool closeGroup(qsizetype bracePos);
    void openStory(Story story, qsizetype end);
    void closeStory(qsizetype bracePos);
    void storyBreak();
    void stateAfterMark();

    bool visible() const { return st.dest == Dest::Text && !st.hiddenText; }
    int codePageNumber();
    const CodePage* codePage();
    void put(char16_t ch, qsizetype begin, qsizetype end);
    void putBarrier(char16_t ch, qsizetype begin, qsizetype end);
    void closeParagraph(qsizetype next);
    void addSpan(qsizetype index, qsizetype begin, qsizetype end);
    void markFormatChanged() { formatChanged = true; }
    Font& tableFont();

    RtfSource::Data& d;
    const char* src;
    qsizetype n;
    std::vector<State> stack;
    State st;
    QString& text; // d.text
    int documentCodePage = 1252;
    int defaultFont = -1;
    int lastUc = -1;
    int lastCodePage = -1;
    int lastFallbackMissing = 0; // stand-ins the last character's \uN lacks (a brace came first)
    bool formatChanged = true;
    qsizetype paragraphStart = 0;
    ParagraphRun::Align paragraphAlign = ParagraphRun::Align::Left;

    // The code page of the last font asked for; the font table may still grow while it is read.
    struct {
        int font = -2;
        int documentPage = 0;
        std::size_t fonts = 0;
        int page = 0;
    } pageOfFont;
    // The code page last looked up, and what it was looked up for.
    const CodePage* page = nullptr;
    int pageNumber = -1;

    int fontNumber = -1; // the font table entry being read
    QString fontName;
    int red = 0, green = 0, blue = 0;
    bool colorGiven = false;
    std::size_t pictureDepth = 0;
    PictureSource picture;
    bool pictureShown = false; // a format the preview can decode
};

} // namespace engine::rtf
