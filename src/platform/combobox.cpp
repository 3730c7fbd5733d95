#include "platform/combobox.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace platform
{

ComboBox::ComboBox(QWidget* parent)
    : QComboBox(parent)
{
    // Qt picks the entry equal to a typed text when Return is pressed or the focus leaves; here
    // typing never picks an entry, so those picks are recognised by bracketing the line edit's
    // signals: the first pair of connections runs before the combo's own, the second after it.
    auto* edit = new QLineEdit(this);
    const auto commitStarts = [this] {
        m_committingText = true;
    };
    const auto commitEnds = [this] {
        m_committingText = false;
    };
    connect(edit, &QLineEdit::returnPressed, this, commitStarts);
    connect(edit, &QLineEdit::editingFinished, this, commitStarts);
    setEditable(true);
    setLineEdit(edit);
    connect(edit, &QLineEdit::returnPressed, this, commitEnds);
    connect(edit, &QLineEdit::editingFinished, this, commitEnds);
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
    if (m_committingText)
        return;
    m_listIndex = index;
    emit Click();
}

} // namespace platform
