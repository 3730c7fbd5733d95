#include "platform/settings.h"

#include <limits>
#include <QSettings>

namespace platform
{

QString GetSetting(
    const QString& appName, const QString& section, const QString& key, const QString& defaultValue)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, appName, appName);
    const QVariant value = settings.value(section + '/' + key);
    if (!value.isValid())
        return defaultValue;
    return value.toString();
}

bool SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, appName, appName);
    settings.setValue(section + '/' + key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

std::optional<int> toWholeNumber(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < std::numeric_limits<short>::min() || value > std::numeric_limits<short>::max())
        return std::nullopt;
    return value;
}

} // namespace platform
