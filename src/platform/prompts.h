#pragma once

#include <optional>
#include <QString>

class QDialog;

namespace platform
{

enum class Icon { None, Information, Exclamation, Critical };

// Every modal message box, input box and modal dialog of the program goes through here, so that
// tests can read what would be shown and answer it without a person.
class Prompts
{
public:
    virtual ~Prompts() = default;
    // A message box with an OK button.
    virtual void message(const QString& text, const QString& title, Icon icon) = 0;
    // An input box; nothing when the user cancels.
    virtual std::optional<QString> input(
        const QString& prompt, const QString& title, const QString& initial) = 0;
    // Shows `dialog` modally and returns when it has closed; true when it was accepted.
    virtual bool runModal(QDialog& dialog) = 0;
};

// The prompts in force: the real boxes unless a test installed its own.
Prompts& prompts();
// Installs `replacement` (nullptr restores the real boxes). The caller keeps ownership.
void setPrompts(Prompts* replacement);

// The boxes a person sees.
class QtPrompts : public Prompts
{
public:
    void message(const QString& text, const QString& title, Icon icon) override;
    std::optional<QString> input(
        const QString& prompt, const QString& title, const QString& initial) override;
    bool runModal(QDialog& dialog) override;
};

// Shortcut for the common case.
inline void MsgBox(const QString& text, const QString& title, Icon icon)
{
    prompts().message(text, title, icon);
}

} // namespace platform
