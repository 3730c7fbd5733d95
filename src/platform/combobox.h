#pragma once

#include <QComboBox>

namespace platform
{

// An editable drop-down list with the notifications the window relies on: Change when its text is
// edited (typed, or set by the program to a different text), Click when an entry is picked (by the
// user, or selected by the program). Typing leaves no entry selected.
class ComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);

    QString Text() const;
    void setText(const QString& text);

    int ListCount() const { return count(); }
    QString List(int index) const { return itemText(index); }
    void AddItem(const QString& item);
    // False when `index` is not an entry.
    bool RemoveItem(int index);
    void Clear();

    // The selected entry, -1 when none.
    int ListIndex() const { return m_listIndex; }
    // Selects entry `index`: it becomes the text and Click is raised. -1 selects nothing. False (and
    // nothing changes) for any other index outside the list.
    bool setListIndex(int index);

    // Puts the caret at the end of the text with nothing selected.
    void moveCaretToEnd();

signals:
    void Change();
    void Click();

private:
    void userEdited();
    void userPicked(int index);

    int m_listIndex = -1;
    bool m_committingText = false;
};

} // namespace platform
