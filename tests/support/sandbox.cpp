#include "support/sandbox.h"

#include "fileops/files.h"
#include "platform/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace testing
{

void ScriptedPrompts::message(const QString& text, const QString& title, platform::Icon icon)
{
    messages.push_back({ text, title, icon });
}

std::optional<QString> ScriptedPrompts::input(
    const QString& prompt, const QString& title, const QString& initial)
{
    inputs.push_back({ prompt, title, initial });
    if (m_inputs.empty()) {
        unexpected << "input: " + prompt;
        return std::nullopt;
    }
    const Answer answer = m_inputs.front();
    m_inputs.pop_front();
    if (!answer.given)
        return std::nullopt;
    return answer.text;
}

bool ScriptedPrompts::runModal(QDialog& dialog)
{
    dialogs << dialog.windowTitle();
    if (m_modals.empty()) {
        unexpected << "dialog: " + dialog.windowTitle();
        dialog.reject();
        return false;
    }
    auto handler = std::move(m_modals.front());
    m_modals.pop_front();
    dialog.show();
    handler(dialog);
    if (dialog.isVisible())
        dialog.close();
    return dialog.result() == QDialog::Accepted;
}

bool RecordingDesktop::open(const QString& fileOrAddress)
{
    opened << fileOrAddress;
    return succeed;
}

bool RecordingDesktop::start(const QString& program, const QStringList& arguments)
{
    started << (QStringList { program } + arguments).join(' ');
    return succeed;
}

Sandbox::Sandbox()
{
    QDir(m_root.path()).mkpath("settings");
    QDir(m_root.path()).mkpath("program");
    QDir(m_root.path()).mkpath("work");
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_root.filePath("state"))); // journals of writes in place
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_root.filePath("settings"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_root.filePath("settings"));
    platform::setProgramFolder(programFolder());
    platform::setPrompts(&prompts);
    platform::setDesktop(&desktop);
}

Sandbox::~Sandbox()
{
    platform::setPrompts(nullptr);
    platform::setDesktop(nullptr);
    platform::setProgramFolder(QString());
}

QString Sandbox::programFolder() const
{
    return m_root.filePath("program");
}

QString Sandbox::workFolder() const
{
    return m_root.filePath("work");
}

QString Sandbox::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString path = QDir(workFolder()).filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

QByteArray Sandbox::readFile(const QString& name) const
{
    QFile file(QDir(workFolder()).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Sandbox::setting(const QString& key) const
{
    return platform::GetSetting("Textmend", "Presets", key, "<absent>");
}

void Sandbox::setSetting(const QString& key, const QString& value) const
{
    platform::SaveSetting("Textmend", "Presets", key, value);
}

} // namespace testing
