#include "about/sysinfo.h"

#include "fileops/files.h"
#include "mainform/mainform.h"
#include "platform/desktop.h"
#include "platform/prompts.h"

#include <QFileInfo>
#include <QProcess>

namespace about
{

namespace
{
    using platform::Registry;

    constexpr qsizetype bufferSize = 1024;

    // Closes the key on every way out of the lookup.
    class OpenKey
    {
    public:
        OpenKey(Registry& registry, Registry::Handle handle)
            : m_registry(registry)
            , m_handle(handle)
        {
        }
        ~OpenKey() { m_registry.closeKey(m_handle); }
        OpenKey(const OpenKey&) = delete;
        OpenKey& operator=(const OpenKey&) = delete;

    private:
        Registry& m_registry;
        Registry::Handle m_handle;
    };

    // A command line that names nothing cannot be started. One that names a file is that program, blanks
    // and all, as Windows keeps the tool's path; otherwise its first word is the program and the rest its
    // arguments (a desktop's settings open on their system page), double quotes grouping words.
    bool startProgram(const QString& commandLine)
    {
        if (commandLine.trimmed().isEmpty())
            return false;
        if (QFileInfo(commandLine).isFile())
            return platform::desktop().start(commandLine, {});
        QStringList words = QProcess::splitCommand(commandLine);
        if (words.isEmpty())
            return false;
        const QString program = words.takeFirst();
        return platform::desktop().start(program, words);
    }
} // namespace

KeyLookup GetKeyValue(
    platform::Registry::Root KeyRoot, const QString& Keyname, const QString& SubKeyRef, QString& KeyVal)
{
    Registry& registry = platform::registry();
    const auto handle = registry.openKey(KeyRoot, Keyname, Registry::Access);
    if (!handle) {
        KeyVal.clear();
        return KeyLookup::Failed;
    }
    const OpenKey open(registry, *handle);

    const auto value = registry.queryValue(*handle, SubKeyRef);
    if (!value || value->data.size() > bufferSize) {
        KeyVal.clear();
        return KeyLookup::Failed;
    }
    QByteArray kept = value->data;
    if (kept.isEmpty())
        return KeyLookup::Empty;
    // Strings are stored with their terminating zero; only that one byte goes.
    if (kept.back() == '\0')
        kept.chop(1);

    switch (value->type) {
    case Registry::String:
        KeyVal = QString::fromLocal8Bit(kept);
        break;
    case Registry::Number: {
        QString digits = QStringLiteral("&h");
        for (qsizetype i = kept.size() - 1; i >= 0; --i)
            digits += QStringLiteral("%1")
                          .arg(static_cast<unsigned char>(kept[i]), 2, 16, QLatin1Char('0'))
                          .toUpper();
        KeyVal = digits;
        break;
    }
    default:
        break;
    }
    return KeyLookup::Read;
}

void StartSysInfo()
{
    const auto root = Registry::LocalMachine;
    QString SysInfoPath;
    switch (GetKeyValue(root, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
        QStringLiteral("PATH"), SysInfoPath)) {
    case KeyLookup::Read:
        // Started exactly as read: the value names the program itself.
        if (startProgram(SysInfoPath))
            return;
        break;
    case KeyLookup::Empty:
        break;
    case KeyLookup::Failed:
        if (GetKeyValue(root, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                QStringLiteral("MSINFO"), SysInfoPath)
            == KeyLookup::Read) {
            // This value names the tool's folder; the program in it must be there.
            const QString program = platform::joinPath(SysInfoPath, QStringLiteral("MSINFO32.EXE"));
            if (QFileInfo(program).isFile() && startProgram(program))
                return;
        }
        break;
    }
    platform::MsgBox(QStringLiteral("System Information Is Unavailable At This Time"), MainForm::appTitle(),
        platform::Icon::None);
}

} // namespace about
