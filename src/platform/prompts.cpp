#include "platform/prompts.h"

#include "platform/appicon.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace platform
{

namespace
{
    Prompts* installed = nullptr;

    QWidget* owner()
    {
        return QApplication::activeWindow();
    }
} // namespace

Prompts& prompts()
{
    static QtPrompts real;
    return installed ? *installed : real;
}

void setPrompts(Prompts* replacement)
{
    installed = replacement;
}

void QtPrompts::message(const QString& text, const QString& title, Icon icon)
{
    QMessageBox box(owner());
    box.setWindowTitle(title);
    box.setText(text);
    box.setWindowIcon(applicationIcon());
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

std::optional<QString> QtPrompts::input(const QString& prompt, const QString& title, const QString& initial)
{
    QInputDialog box(owner());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(initial);
    box.setWindowIcon(applicationIcon());
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

bool QtPrompts::runModal(QDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

} // namespace platform
