#pragma once

#include <cstdint>
#include <optional>
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform
{

// Read access to the system registry, in the shape of the three advapi32 calls the program needs:
// open a key, read one value of it, close it. On Windows this is the real registry; elsewhere a
// small read-only store answers the few lookups the program makes from what this machine has.
// Tests install their own.
class Registry
{
public:
    using Root = std::uint32_t;
    using Handle = std::uintptr_t;

    static constexpr Root LocalMachine = 0x80000002u; // HKEY_LOCAL_MACHINE
    // Read control plus query value, set value, create sub-key, enumerate sub-keys, notify and
    // create link: the access the program has always asked for.
    static constexpr std::uint32_t Access = 0x2003Fu;

    // Value type codes.
    static constexpr std::uint32_t String = 1; // REG_SZ
    static constexpr std::uint32_t Number = 4; // REG_DWORD

    struct Value {
        std::uint32_t type = 0;
        QByteArray data; // the raw bytes as stored, a final zero byte included
    };

    virtual ~Registry() = default;
    // Nothing when the key does not exist or cannot be opened with `access`.
    virtual std::optional<Handle> openKey(Root root, const QString& path, std::uint32_t access) = 0;
    // The whole value, however long; nothing when it does not exist or cannot be read.
    virtual std::optional<Value> queryValue(Handle key, const QString& name) = 0;
    virtual void closeKey(Handle key) = 0;
};

// The registry in force: the machine's own unless a test installed another.
Registry& registry();
// Installs `replacement` (nullptr restores the machine's own). The caller keeps ownership.
void setRegistry(Registry* replacement);

#ifndef Q_OS_WIN
// Where there is no registry: the system information tool's key holds the command line of the
// desktop's own system information page (GNOME's "About" settings, KDE's Info Center), else of the
// first other system information program found on PATH; nothing else exists.
class DesktopRegistry : public Registry
{
public:
    std::optional<Handle> openKey(Root root, const QString& path, std::uint32_t access) override;
    std::optional<Value> queryValue(Handle key, const QString& name) override;
    void closeKey(Handle key) override;

    // The command line of the system information tool, empty when this machine has none.
    static QString systemInformationCommand();
};
#endif

} // namespace platform
