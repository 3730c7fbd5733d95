#pragma once

#include "platform/desktop.h"
#include "platform/prompts.h"

#include <deque>
#include <functional>
#include <optional>
#include <QDialog>
#include <QStringList>
#include <QTemporaryDir>

namespace testing
{

// Answers the program's message boxes, input boxes and modal dialogs without a person, and keeps a
// record of everything that would have been shown.
class ScriptedPrompts : public platform::Prompts
{
public:
    struct Message {
        QString text;
        QString title;
        platform::Icon icon;
    };
    struct Input {
        QString prompt;
        QString title;
        QString initial;
    };

    std::vector<Message> messages;
    std::vector<Input> inputs;
    QStringList dialogs; // window titles of the modal dialogs shown
    QStringList unexpected; // prompts nobody queued an answer for

    // The next input box is answered with `answer` (nothing: the user cancels).
    void answerInput(std::optional<QString> answer)
    {
        m_inputs.push_back({ answer.has_value(), answer.value_or(QString()) });
    }
    // The next modal dialog is handed to `handler`, which works it like a user and closes it.
    void onModal(std::function<void(QDialog&)> handler) { m_modals.push_back(std::move(handler)); }

    void message(const QString& text, const QString& title, platform::Icon icon) override;
    std::optional<QString> input(
        const QString& prompt, const QString& title, const QString& initial) override;
    bool runModal(QDialog& dialog) override;

private:
    struct Answer {
        bool given;
        QString text;
    };
    std::deque<Answer> m_inputs;
    std::deque<std::function<void(QDialog&)>> m_modals;
};

// Records what the program asks the desktop to open or start, and answers with `succeed`.
class RecordingDesktop : public platform::Desktop
{
public:
    QStringList opened;
    QStringList started; // program, then its arguments, joined by blanks
    bool succeed = true;

    bool open(const QString& fileOrAddress) override;
    bool start(const QString& program, const QStringList& arguments) override;
};

// A test's own world: a temporary settings store, a temporary program folder, a temporary work folder,
// scripted prompts and a recording desktop. Everything goes back when it is destroyed.
class Sandbox
{
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    QString programFolder() const;
    QString workFolder() const; // an empty folder for the test's files
    // Writes `bytes` to `name` in the work folder (or a path below it) and returns its full path.
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;

    // The settings the program stored, as the program reads them.
    QString setting(const QString& key) const;
    void setSetting(const QString& key, const QString& value) const;

    ScriptedPrompts prompts;
    RecordingDesktop desktop;

private:
    QTemporaryDir m_root;
};

} // namespace testing
