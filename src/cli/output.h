#pragma once

#include <cstdio>
#include <QElapsedTimer>
#include <QString>

namespace cli
{

struct Options;

// What a visited file came to.
enum class FileOutcome { Replaced, WouldReplace, NoMatch, Skipped, NotRead, NotWritten };

struct FileReport {
    QString name; // as shown
    qint64 count = 0; // replacements made, or that would be made
    FileOutcome outcome = FileOutcome::NoMatch;
    QString reason; // a refusal's reason, in the window's words
    QString diff;
};

// Everything the program prints: result lines on standard output, refusals on standard error (or
// every file as a JSON object on standard output), the summary, and a progress line on standard error
// while it works when that is a terminal.
class Output
{
public:
    Output(const Options& options, std::FILE* out, std::FILE* err);

    void file(const FileReport& report);
    void summary(qint64 total, qsizetype files, qsizetype changed, qsizetype refused, bool stopped);
    void error(const QString& text); // on standard error whatever the options
    void progress(qsizetype done, qsizetype count, const QString& name);
    // True once standard output cannot be written any more (its reader went away).
    bool outputGone() const;

private:
    void clearProgress();
    void print(std::FILE* stream, const QString& text);

    bool m_json, m_quiet, m_dryRun;
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_showProgress;
    bool m_progressShown = false;
    QElapsedTimer m_sinceProgress;
};

// A name as a line of text shows it: control characters (a line break in a name) written as escapes.
QString printable(const QString& name);

} // namespace cli
