#include "platform/combobox.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace platform
{

ComboBox::ComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    // Entries are matched exactly and case-sensitively; no completion should rewrite what is typed.
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, &ComboBox::userEdited);
    connect(this, qOverload<int>(&QComboBox::activated), this, &ComboBox::userPicked);
}

QString ComboBox::Text() const
{
    return lineEdit()->text();
}

void ComboBox::setText(const QString& text)
{
    if (text == Text())
        return;
    m_listIndex = -1;
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(-1);
        lineEdit()->setText(text);
    }
    emit Change();
}

void ComboBox::AddItem(const QString& item)
{
    const QString text = Text();
    const QSignalBlocker quiet(this);
    addItem(item);
    // Adding an entry never changes what the user sees in the text.
    setCurrentIndex(m_listIndex);
    lineEdit()->setText(text);
}

bool ComboBox::RemoveItem(int index)
{
    if (index < 0 || index >= count())
        return false;
    const QString text = Text();
    const QSignalBlocker quiet(this);
    removeItem(index);
    if (m_listIndex == index)
        m_listIndex = -1;
    else if (m_listIndex > index)
        --m_listIndex;
    setCurrentIndex(m_listIndex);
    lineEdit()->setText(text);
    return true;
}

void ComboBox::Clear()
{
    const QString text = Text();
    const QSignalBlocker quiet(this);
    clear();
    m_listIndex = -1;
    lineEdit()->setText(text);
}

bool ComboBox::setListIndex(int index)
{
    if (index < -1 || index >= count())
        return false;
    m_listIndex = index;
    {
        const QSignalBlocker quiet(this);
        const QString text = index >= 0 ? itemText(index) : Text();
        setCurrentIndex(index);
        lineEdit()->setText(text);
    }
    if (index >= 0)
        emit Click();
    return true;
}

void ComboBox::moveCaretToEnd()
{
    lineEdit()->deselect();
    lineEdit()->setCursorPosition(lineEdit()->text().size());
}

void ComboBox::userEdited()
{
    m_listIndex = -1;
    emit Change();
}

void ComboBox::userPicked(int index)
{
    m_listIndex = index;
    emit Click();
}

} // namespace platform
