#pragma once

#include "platform/registry.h"

#include <map>
#include <QStringList>

namespace testing
{

// A registry of the test's making under HKEY_LOCAL_MACHINE. It records the keys asked for and the
// access wanted, and counts the handles still open.
class FakeRegistry : public platform::Registry
{
public:
    FakeRegistry() { platform::setRegistry(this); }
    ~FakeRegistry() override { platform::setRegistry(nullptr); }

    std::map<QString, std::map<QString, Value>> keys; // the values under each key, by name
    QStringList opened;
    std::vector<std::uint32_t> accessAsked;
    int openHandles = 0;

    std::optional<Handle> openKey(Root root, const QString& path, std::uint32_t access) override
    {
        opened << path;
        accessAsked.push_back(access);
        if (root != LocalMachine || !keys.count(path))
            return std::nullopt;
        m_handles.push_back(path);
        ++openHandles;
        return m_handles.size();
    }
    std::optional<Value> queryValue(Handle key, const QString& name) override
    {
        const auto& values = keys.at(m_handles.at(key - 1));
        const auto found = values.find(name);
        return found == values.end() ? std::nullopt : std::optional<Value>(found->second);
    }
    void closeKey(Handle) override { --openHandles; }

private:
    std::vector<QString> m_handles;
};

} // namespace testing
