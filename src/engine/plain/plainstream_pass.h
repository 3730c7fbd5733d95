#pragma once

// One pass of a plain-text stream over its file: what is searched for, what replaces it, where the
// new content goes and what the pass has found.

#include "engine/files/bytechanges.h"
#include "engine/plain/plainstream.h"

#include <functional>
#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace engine
{

// True when `text` can be written in `encoding`.
bool canEncodeReplacement(TextEncoding encoding, const QString& text);

// The new content, written through a buffer: kept bytes of the file, copied as they are, and encoded
// replacements.
class StreamOutput
{
public:
    explicit StreamOutput(QIODevice* out);
    bool ok() const { return good; }
    void kept(const char* data, qsizetype length);
    void inserted(const QByteArray& bytes) { kept(bytes.constData(), bytes.size()); }
    bool finish();
    qint64 written() const { return total; } // bytes so far, those still in the buffer too

private:
    QIODevice* out;
    QByteArray pending;
    qint64 total = 0;
    bool good = true;
};

struct PlainStream::Pass {
    Pass(const Matcher& matcher, bool wholeWord, const QString& replacement)
        : matcher(matcher)
        , wholeWord(wholeWord)
        , replacement(replacement)
    {
    }
    const Matcher& matcher;
    bool wholeWord;
    QString replacement;
    QByteArray encoded;
    QIODevice* out = nullptr; // null: the pass only counts
    ByteChanges* changes = nullptr; // when not null, hears of every span the pass writes anew
    std::size_t spanLimit = 0; // the most spans `changes` may keep
    bool stopAtFirst = false;
    std::function<void(qint64)> progress;

    // A match's old bytes are about to be written over by the replacement.
    void replacing(const StreamOutput& output, const char* old, qsizetype length)
    {
        if (!changes)
            return;
        if (changes->spans().size() >= spanLimit) {
            // Too many to keep: none is kept, rather than the memory run out.
            changes->clear();
            changes->complete = false;
            changes = nullptr;
            return;
        }
        changes->add(output.written(), encoded.size(), QByteArrayView(old, length));
    }

    qint64 replaced = 0;
    QString error; // why the file could not be read
    // The last two UTF-16 units of the new text before the end of the last match (0 where there are
    // none): the whole-word rule looks at the character before a match, which may end a replacement.
    char16_t before[2] = { 0, 0 };

    // The units before a match once it is replaced.
    void replacedBy(const QString& text)
    {
        if (text.size() >= 2) {
            before[0] = text.at(text.size() - 2).unicode();
            before[1] = text.back().unicode();
        } else if (text.size() == 1) {
            before[0] = before[1];
            before[1] = text.back().unicode();
        }
    }
    char32_t codePointBefore() const
    {
        if (QChar::isLowSurrogate(before[1]) && QChar::isHighSurrogate(before[0]))
            return QChar::surrogateToUcs4(before[0], before[1]);
        return before[1];
    }
};

} // namespace engine
