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

const QStringList& DesktopRegistry::systemInformationPrograms()
{
    static const QStringList programs { QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"),
        QStringLiteral("kinfocenter"), QStringLiteral("cpu-x"), QStringLiteral("gnome-system-monitor") };
    return programs;
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
    for (const QString& program : systemInformationPrograms()) {
        const QString found = QStandardPaths::findExecutable(program);
        if (!found.isEmpty()) {
            // Stored as a registry string is: with its terminating zero byte.
            return Value { String, found.toLocal8Bit() + '\0' };
        }
    }
    return std::nullopt;
}

void DesktopRegistry::closeKey(Handle) { }

#endif

} // namespace platform
