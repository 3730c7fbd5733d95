#pragma once

#include <optional>
#include <QString>

namespace platform
{

// The per-user settings store, addressed by application, section and key.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
    const QString& defaultValue = QString());
// False when the value could not be stored.
bool SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value);

// A stored value read as a signed 16-bit whole number, the way numeric settings are kept. Nothing when
// the text is not such a number (blanks around it are allowed).
std::optional<int> toWholeNumber(const QString& text);

} // namespace platform
