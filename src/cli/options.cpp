#include "cli/options.h"

#include "engine/files/filenames.h"
#include "version.h"

namespace cli
{

namespace
{
    bool setFlag(Options& o, QByteArrayView name)
    {
        const struct {
            const char* name;
            bool Options::*field;
        } flags[] = {
            { "recursive", &Options::recursive },
            { "match-case", &Options::matchCase },
            { "whole-word", &Options::wholeWord },
            { "dry-run", &Options::dryRun },
            { "diff", &Options::diff },
            { "json", &Options::json },
            { "quiet", &Options::quiet },
            { "null", &Options::nulSeparated },
        };
        for (const auto& flag : flags) {
            if (name == flag.name) {
                o.*flag.field = true;
                return true;
            }
        }
        return false;
    }

    const char* flagOfLetter(char letter)
    {
        switch (letter) {
        case 'r':
            return "recursive";
        case 'n':
            return "dry-run";
        case 'q':
            return "quiet";
        case '0':
            return "null";
        }
        return nullptr;
    }

    Parsed wrong(const QString& error)
    {
        Parsed parsed;
        parsed.error = error;
        return parsed;
    }
} // namespace

Parsed parseArguments(const QByteArrayList& arguments)
{
    Parsed parsed;
    Options& o = parsed.options;
    QByteArrayList operands;
    QStringList patterns;
    bool help = false, version = false;

    // The value of an option that takes one: "--name=value", "--name value", "-pvalue" or "-p value".
    auto takeValue = [&](qsizetype& i, QByteArrayView inline_, bool hasInline, QByteArray& value) {
        if (hasInline) {
            value = inline_.toByteArray();
            return true;
        }
        if (i + 1 >= arguments.size())
            return false;
        value = arguments[++i];
        return true;
    };
    auto store = [&](QByteArrayView name, const QByteArray& value) {
        if (name == "pattern")
            patterns << QString::fromLocal8Bit(value);
        else if (name == "files-from")
            o.filesFrom = engine::decodeFileName(value);
        else if (name == "journal")
            o.journal = engine::decodeFileName(value);
        else if (name == "undo")
            o.undo = engine::decodeFileName(value);
        else
            o.backupDir = engine::decodeFileName(value);
    };
    auto takesValue = [](QByteArrayView name) {
        return name == "pattern" || name == "files-from" || name == "backup-dir" || name == "journal"
            || name == "undo";
    };

    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray& arg = arguments[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands << arg;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg.startsWith("--")) {
            const qsizetype equals = arg.indexOf('=');
            const QByteArray name = arg.mid(2, equals < 0 ? -1 : equals - 2);
            if (name == "help" && equals < 0) {
                help = true;
            } else if (name == "version" && equals < 0) {
                version = true;
            } else if (takesValue(name)) {
                QByteArray value;
                if (!takeValue(i, arg.mid(equals + 1), equals >= 0, value))
                    return wrong(QStringLiteral("option --%1 needs a value").arg(QString::fromLatin1(name)));
                store(name, value);
            } else if (equals >= 0 || !setFlag(o, name)) {
                return wrong(QStringLiteral("unknown option %1").arg(QString::fromLocal8Bit(arg)));
            }
        } else {
            // A cluster of short options: "-rn0", or "-p" followed by its value.
            for (qsizetype j = 1; j < arg.size(); ++j) {
                const char letter = arg[j];
                if (letter == 'h') {
                    help = true;
                } else if (letter == 'V') {
                    version = true;
                } else if (letter == 'p') {
                    QByteArray value;
                    if (!takeValue(i, arg.mid(j + 1), j + 1 < arg.size(), value))
                        return wrong(QStringLiteral("option -p needs a value"));
                    store("pattern", value);
                    break;
                } else if (const char* flag = flagOfLetter(letter)) {
                    setFlag(o, flag);
                } else {
                    return wrong(QStringLiteral("unknown option -%1").arg(QChar::fromLatin1(letter)));
                }
            }
        }
    }

    if (help || version) {
        parsed.request = help ? Request::Help : Request::Version;
        return parsed;
    }
    if (!o.undo.isEmpty()) {
        // Taking a run back needs its journal and nothing else.
        if (!operands.isEmpty())
            return wrong(QStringLiteral("--undo takes no FIND, REPLACE or PATH"));
        parsed.request = Request::Undo;
        return parsed;
    }
    if (operands.size() < 2)
        return wrong(operands.isEmpty() ? QStringLiteral("FIND and REPLACE are missing")
                                        : QStringLiteral("REPLACE is missing"));
    o.find = QString::fromLocal8Bit(operands[0]);
    o.replacement = QString::fromLocal8Bit(operands[1]);
    if (o.find.isEmpty())
        return wrong(QStringLiteral("FIND is empty: there is nothing to search for"));
    for (qsizetype i = 2; i < operands.size(); ++i)
        o.paths << operands[i];
    if (o.paths.isEmpty() && o.filesFrom.isEmpty())
        o.paths << QByteArray(".");
    if (o.nulSeparated && o.filesFrom.isEmpty())
        return wrong(QStringLiteral("-0 needs --files-from"));
    if (!o.journal.isEmpty() && o.dryRun)
        return wrong(QStringLiteral("--journal records what a run writes: a dry run writes nothing"));
    if (o.diff && o.json)
        return wrong(QStringLiteral("--diff and --json cannot be combined"));
    o.patterns = patterns.isEmpty() ? QStringList { QStringLiteral("*.txt") } : patterns;
    parsed.request = Request::Run;
    return parsed;
}

QString usageText()
{
    return QStringLiteral("Usage: textmend-cli [OPTIONS] FIND REPLACE [PATH...]\n"
                          "       textmend-cli --undo=JOURNAL\n"
                          "Try 'textmend-cli --help' for more information.\n");
}

QString helpText()
{
    return QStringLiteral(
        "Usage: textmend-cli [OPTIONS] FIND REPLACE [PATH...]\n"
        "       textmend-cli --undo=JOURNAL\n"
        "Replace FIND with REPLACE in files: plain text in any encoding, RTF, Word (.docx)\n"
        "and OpenDocument (.odt) documents, each read and written by what it holds, every\n"
        "byte outside the replaced text kept.\n"
        "Each PATH is a file or a folder (default: the current folder). Without --match-case\n"
        "the case of letters is ignored.\n"
        "\n"
        "Options:\n"
        "  -p, --pattern=GLOB     list the files of a folder whose names match GLOB, as the\n"
        "                         window's pattern: \"*\" and \"?\", \"*.txt;*.md\" for several;\n"
        "                         repeatable (default \"*.txt\")\n"
        "  -r, --recursive        descend into subfolders (not through links to folders, not\n"
        "                         into hidden folders, never into the backup folder)\n"
        "      --files-from=FILE  also the files named in FILE, one a line (\"-\": standard input)\n"
        "  -0, --null             the names in --files-from end with NUL bytes\n"
        "      --match-case       match the case of letters\n"
        "      --whole-word       match whole words only\n"
        "      --backup-dir=DIR   copy every file that will change into DIR before any file\n"
        "                         changes, keeping the folders below each PATH\n"
        "  -n, --dry-run          write nothing; report what would change\n"
        "      --journal=FILE     write to FILE which bytes the run changed in each file\n"
        "      --undo=FILE        take back exactly the run whose journal is FILE: every file\n"
        "                         gets its old bytes back, unless it changed since that run\n"
        "      --diff             print a unified diff of the visible text of each change\n"
        "      --json             print one JSON object per file and one for the summary\n"
        "  -q, --quiet            print nothing but errors\n"
        "  -h, --help             print this help and exit\n"
        "  -V, --version          print the version and exit\n"
        "\n"
        "Exit status:\n"
        "  0  something was replaced (or would be, with --dry-run)\n"
        "  1  nothing matched\n"
        "  2  a file was refused or failed, or the arguments are wrong\n"
        "  130, 143  stopped by Ctrl+C or SIGTERM after the file in hand\n"
        "\n"
        "Examples:\n"
        "  textmend-cli -n --diff cat dog docs/\n"
        "  textmend-cli -r --pattern '*.rtf;*.txt' --backup-dir ~/before colour color reports/\n"
        "  find . -name '*.md' -print0 | textmend-cli -0 --files-from - --whole-word teh the\n");
}

QString versionText()
{
    return QStringLiteral("textmend-cli %1.%2.%3\n")
        .arg(textmend::versionMajor)
        .arg(textmend::versionMinor)
        .arg(textmend::versionRevision);
}

} // namespace cli
