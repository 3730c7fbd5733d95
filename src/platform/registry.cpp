#include "platform/registry.h"

#ifdef Q_OS_WIN
#include <windows.h>
#ifdef _MSC_VER
#pragma comment(lib, "advapi32.lib")
#endif
#else
#include <QStandardPaths>
#endif

namespace platform
{

namespace
{
#ifdef Q_OS_WIN
    class WindowsRegistry : public Registry
    {
    public:
        std::optional<Handle> openKey(Root root, const QString& path, std::uint32_t access) override
        {
            // The predefined keys are 32-bit values sign-extended to a handle.
            const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
            HKEY key = nullptr;
            if (RegOpenKeyExA(rootKey, path.toLocal8Bit().constData(), 0, access, &key) != ERROR_SUCCESS)
                return std::nullopt;
            return reinterpret_cast<Handle>(key);
        }

        std::optional<Value> queryValue(Handle key, const QString& name) override
        {
            const HKEY hkey = reinterpret_cast<HKEY>(key);
            const QByteArray valueName = name.toLocal8Bit();
            DWORD type = 0;
            DWORD size = 0;
            if (RegQueryValueExA(hkey, valueName.constData(), nullptr, &type, nullptr, &size)
                != ERROR_SUCCESS)
                return std::nullopt;
            Value value;
            value.type = type;
            value.data = QByteArray(static_cast<qsizetype>(size), '\0');
            if (size > 0
                && RegQueryValueExA(hkey, valueName.constData(), nullptr, &type,
                       reinterpret_cast<LPBYTE>(value.data.data()), &size)
                    != ERROR_SUCCESS)
                return std::nullopt;
            value.data.resize(static_cast<qsizetype>(size));
            return value;
        }

        void closeKey(Handle key) override { RegCloseKey(reinterpret_cast<HKEY>(key)); }
    };

    Registry& machineRegistry()
    {
        static WindowsRegistry real;
        return real;
    }
#else
    Registry& machineRegistry()
    {
        static DesktopRegistry real;
        return real;
    }
#endif

    Registry* installed = nullptr;
} // namespace

Registry& registry()
{
    return installed ? *installed : machineRegistry();
}

void setRegistry(Registry* replacement)
{
    installed = replacement;
}

#ifndef Q_OS_WIN

namespace
{
    constexpr Registry::Handle msinfoKey = 1;
}

namespace
{
    // A program found on PATH as a command line's first word, quoted when it holds blanks.
    QString commandFor(const QString& program, const QStringList& arguments = {})
    {
        const QString found = QStandardPaths::findExecutable(program);
        if (found.isEmpty())
            return {};
        QStringList words { found.contains(' ') ? '"' + found + '"' : found };
        return (words + arguments).join(' ');
    }

    // GNOME's settings show the machine on their "About" page; since GNOME 46 it lives in the
    // "System" panel. Each panel installs a launcher of its own, which tells which one there is.
    QString gnomeAbout()
    {
        const auto hasPanel = [](const char* name) {
            return !QStandardPaths::locate(QStandardPaths::ApplicationsLocation,
                QStringLiteral("gnome-%1-panel.desktop").arg(QLatin1String(name)))
                        .isEmpty();
        };
        const QString panel = !hasPanel("info-overview") && hasPanel("system")
            ? QStringLiteral("system")
            : QStringLiteral("info-overview");
        return commandFor(QStringLiteral("gnome-control-center"), { panel });
    }

    QString kdeInfoCenter()
    {
        return commandFor(QStringLiteral("kinfocenter"));
    }
} // namespace

QString DesktopRegistry::systemInformationCommand()
{
    // The running desktop's own tool first, so that a KDE session with GNOME's settings installed
    // still opens KDE's.
    const bool kde =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(QStringLiteral("KDE"), Qt::CaseInsensitive);
    QStringList candidates =
        kde ? QStringList { kdeInfoCenter(), gnomeAbout() } : QStringList { gnomeAbout(), kdeInfoCenter() };
    for (const char* other : { "hardinfo2", "hardinfo", "cpu-x", "gnome-system-monitor" })
        candidates << commandFor(QLatin1String(other));
    for (const QString& command : candidates) {
        if (!command.isEmpty())
            return command;
    }
    return {};
}

std::optional<Registry::Handle> DesktopRegistry::openKey(Root root, const QString& path, std::uint32_t)
{
    // Key names are not case-sensitive in a registry.
    if (root == LocalMachine
        && path.compare(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), Qt::CaseInsensitive)
            == 0)
        return msinfoKey;
    return std::nullopt;
}

std::optional<Registry::Value> DesktopRegistry::queryValue(Handle key, const QString& name)
{
    if (key != msinfoKey || name.compare(QStringLiteral("PATH"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QString command = systemInformationCommand();
    if (command.isEmpty())
        return std::nullopt;
    // Stored as a registry string is: with its terminating zero byte.
    return Value { String, command.toLocal8Bit() + '\0' };
}

void DesktopRegistry::closeKey(Handle) { }

#endif

} // namespace platform
