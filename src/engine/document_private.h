#pragma once

// What a document holds, shared by its reading and writing (document.cpp) and its search
// (document_find.cpp).

#include "engine/document.h"
#include "engine/files/bytechanges.h"
#include "engine/files/filewrite.h"
#include "engine/packages/packagesource.h"
#include "engine/plain/plaintext.h"
#include "engine/rtf/rtfsource.h"
#include "engine/text/linebreaks.h"
#include "engine/text/search.h"
#include "engine/text/textmodel.h"

#include <QFileInfo>

namespace engine
{

enum class Origin { None, Plain, Rich, Package, Streamed };

struct Document::Private {
    StreamLimits limits;
    Origin origin = Origin::None;
    PlainText plain;
    std::optional<RtfSource> rich;
    std::optional<PackageSource> package;
    QString ownText; // the text of a document made with setText
    TextModel model;
    qsizetype selStart = 0;
    qsizetype selLength = 0;
    quint64 revision = 0;
    QString loadedPath; // the file the document was read from, and what that file was then
    FileIdentity loadedAs;
    FileHandle loadedFile; // open from the reading on: the write checks that very file
    mutable QString error;
    std::optional<Matcher> matcher; // the last search's, kept for the next one
    QString matcherNeedle;
    bool matcherCase = false;
    QString scratch; // the whole current text, while a search has to look inside earlier edits
    quint64 scratchRevision = ~quint64(0);

    void reset()
    {
        origin = Origin::None;
        plain.clear();
        rich.reset();
        package.reset();
        ownText.clear();
        model.reset({});
        selStart = selLength = 0;
        scratch.clear();
        loadedPath.clear();
        loadedAs = {};
        loadedFile.reset();
        ++revision;
    }
    SaveOutcome fail(SaveOutcome outcome, const QString& why) const
    {
        error = why;
        return outcome;
    }
    bool acceptable(qsizetype at, qsizetype size, bool wholeWord) const;
    bool acceptableInBytes(const PlainText::ByteMatch& match, bool wholeWord);
    // Makes the characters of a plain file's text readable, decoding them if they are not yet.
    void ensureText()
    {
        if (origin == Origin::Plain && plain.textPending()) {
            plain.decodeText();
            model.setOriginal(plain.text());
        }
    }
};

} // namespace engine
