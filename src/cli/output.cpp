#include "cli/output.h"

#include "cli/options.h"
#include "engine/files/filenames.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <unistd.h>

namespace cli
{

namespace
{
    const char* outcomeKey(FileOutcome outcome)
    {
        switch (outcome) {
        case FileOutcome::Replaced:
            return "replaced";
        case FileOutcome::WouldReplace:
            return "would replace";
        case FileOutcome::NoMatch:
            return "no match";
        case FileOutcome::Skipped:
            return "skipped";
        case FileOutcome::NotRead:
            return "not read";
        case FileOutcome::NotWritten:
            return "not written";
        }
        return "";
    }

    QString strings(qint64 count)
    {
        return QString::number(count) + (count == 1 ? QStringLiteral(" String") : QStringLiteral(" Strings"));
    }

    QByteArray jsonLine(const QJsonObject& object)
    {
        return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    }
} // namespace

QString printable(const QString& name)
{
    QString shown;
    for (const QChar c : engine::shownFileName(name)) {
        if (c == u'\n')
            shown += QStringLiteral("\\n");
        else if (c == u'\t')
            shown += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

Output::Output(const Options& options, std::FILE* out, std::FILE* err)
    : m_json(options.json)
    , m_quiet(options.quiet)
    , m_dryRun(options.dryRun)
    , m_out(out)
    , m_err(err)
    , m_showProgress(!options.quiet && ::isatty(::fileno(err)))
{
    m_sinceProgress.start();
}

void Output::print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

void Output::clearProgress()
{
    if (m_progressShown) {
        std::fputs("\r\033[K", m_err);
        m_progressShown = false;
    }
}

void Output::file(const FileReport& report)
{
    if (m_json) {
        if (m_quiet && report.reason.isEmpty())
            return;
        clearProgress();
        const QJsonObject object { { "path", engine::shownFileName(report.name) }, { "count", report.count },
            { "outcome", QString::fromLatin1(outcomeKey(report.outcome)) }, { "reason", report.reason } };
        const QByteArray line = jsonLine(object);
        std::fwrite(line.constData(), 1, std::size_t(line.size()), m_out);
        return;
    }
    switch (report.outcome) {
    case FileOutcome::NoMatch:
        return;
    case FileOutcome::Replaced:
    case FileOutcome::WouldReplace:
        if (m_quiet)
            return;
        clearProgress();
        print(m_out, report.diff);
        print(m_out,
            printable(report.name) + QStringLiteral(" - ") + strings(report.count)
                + (report.outcome == FileOutcome::Replaced ? QStringLiteral(" replaced\n")
                                                           : QStringLiteral(" would be replaced\n")));
        return;
    case FileOutcome::Skipped:
    case FileOutcome::NotRead:
    case FileOutcome::NotWritten:
        clearProgress();
        std::fflush(m_out);
        print(m_err,
            printable(report.name) + QStringLiteral(" - ") + QString::fromLatin1(outcomeKey(report.outcome))
                + QStringLiteral(": ") + report.reason + u'\n');
        return;
    }
}

void Output::summary(qint64 total, qsizetype files, qsizetype changed, qsizetype refused, bool stopped)
{
    clearProgress();
    // The window's summary line.
    QString line = QString::number(total)
        + (total == 1 ? QStringLiteral(" String found scanning ")
                      : QStringLiteral(" Strings found scanning "))
        + QString::number(files) + (files == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
    if (m_dryRun)
        line += QStringLiteral(" (dry run: no file written)");
    if (m_json) {
        if (m_quiet)
            return;
        const QJsonObject object { { "summary", line }, { "count", total }, { "files", qint64(files) },
            { "changed", qint64(changed) }, { "refused", qint64(refused) }, { "dryRun", m_dryRun },
            { "stopped", stopped } };
        const QByteArray bytes = jsonLine(object);
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), m_out);
    } else if (!m_quiet) {
        print(m_out, line + u'\n');
    }
    std::fflush(m_out);
}

void Output::error(const QString& text)
{
    clearProgress();
    std::fflush(m_out);
    print(m_err, text + u'\n');
}

void Output::progress(qsizetype done, qsizetype count, const QString& name)
{
    if (!m_showProgress || m_sinceProgress.elapsed() < 100)
        return;
    m_sinceProgress.restart();
    print(m_err, QStringLiteral("\r\033[K[%1/%2] ").arg(done + 1).arg(count) + printable(name).left(60));
    std::fflush(m_err);
    m_progressShown = true;
}

bool Output::outputGone() const
{
    return std::ferror(m_out) != 0;
}

} // namespace cli
