#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <vector>

namespace platform
{

// The items of a CheckList: names with a tick each, kept in name order without regard to case.
class CheckListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void clear();
    // Adds unticked items in their places; returns the position of the last one added.
    int add(const QStringList& names);
    const QString& name(int row) const { return m_items[row].name; }
    bool ticked(int row) const { return m_items[row].ticked; }
    void setTicked(int row, bool ticked);
    void setAllTicked(bool ticked);
    int tickedCount() const { return m_tickedCount; }

signals:
    void tickToggled(int row);

private:
    struct Item {
        QString name;
        QString key; // the name case-folded, for the order
        bool ticked = false;
    };
    std::vector<Item> m_items;
    int m_tickedCount = 0;
};

// A list with a check box per entry, kept in name order without regard to case. Click is raised
// whenever the current entry is set, by the user (mouse, keys, a click on a check box) or by the
// program, and on every click on an entry, also on the one already current. Space ticks or unticks
// the current entry. With the focus and no current entry, the first entry (or an empty list's inside)
// wears the focus outline.
class CheckList : public QListView
{
    Q_OBJECT
public:
    explicit CheckList(QWidget* parent = nullptr);

    void Clear();
    void AddItem(const QString& name);
    void addItems(const QStringList& names);
    int ListCount() const;
    QString List(int index) const;

    // The tick of entry `index`.
    bool Selected(int index) const;
    void setSelected(int index, bool ticked);
    void setAllSelected(bool ticked);
    // The number of ticked entries.
    int SelCount() const;

    // The current entry, -1 when none.
    int ListIndex() const;
    // Makes entry `index` current (-1: none). False for an index outside the list.
    bool setListIndex(int index);

signals:
    void Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    CheckListModel m_model;
    bool m_quiet = false;
};

} // namespace platform
