#include "platform/checklist.h"

#include "engine/files/filenames.h"

#include <algorithm>
#include <numeric>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace platform
{

namespace
{
    // Case-folded keys compare as plain code units, which is many times cheaper than comparing
    // without regard to case name by name; equal keys fall back to the names themselves.
    template <typename Item> bool itemLess(const Item& a, const Item& b)
    {
        const int order = a.key.compare(b.key);
        return order != 0 ? order < 0 : a.name < b.name;
    }
} // namespace

int CheckListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant CheckListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_items.size()))
        return {};
    const Item& item = m_items[index.row()];
    if (role == Qt::DisplayRole)
        return engine::shownFileName(item.name);
    if (role == Qt::CheckStateRole)
        return item.ticked ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool CheckListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid())
        return false;
    setTicked(index.row(), value.toInt() == Qt::Checked);
    emit tickToggled(index.row());
    return true;
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

void CheckListModel::clear()
{
    if (m_items.empty())
        return;
    beginResetModel();
    m_items.clear();
    m_tickedCount = 0;
    endResetModel();
}

int CheckListModel::add(const QStringList& names)
{
    if (names.isEmpty())
        return -1;
    std::vector<Item> unsorted;
    unsorted.reserve(names.size());
    for (const QString& name : names)
        unsorted.push_back({ name, name.toCaseFolded(), false });
    // Sorting positions moves four bytes per swap instead of a whole item.
    std::vector<int> order(unsorted.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&unsorted](int a, int b) {
        return itemLess(unsorted[a], unsorted[b]);
    });
    std::vector<Item> added;
    added.reserve(unsorted.size());
    for (const int i : order)
        added.push_back(std::move(unsorted[i]));
    if (m_items.empty() || !itemLess(added.front(), m_items.back())) {
        // The common case, a list filled from scratch: one insertion at the end.
        const int first = int(m_items.size());
        beginInsertRows({}, first, first + int(added.size()) - 1);
        if (m_items.empty())
            m_items = std::move(added);
        else
            m_items.insert(
                m_items.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
        endInsertRows();
        return int(m_items.size()) - 1;
    }
    int last = -1;
    for (Item& item : added) {
        const auto at = std::upper_bound(m_items.begin(), m_items.end(), item, itemLess<Item>);
        const int row = int(at - m_items.begin());
        beginInsertRows({}, row, row);
        m_items.insert(at, std::move(item));
        endInsertRows();
        last = row;
    }
    return last;
}

void CheckListModel::setTicked(int row, bool ticked)
{
    Item& item = m_items[row];
    if (item.ticked == ticked)
        return;
    item.ticked = ticked;
    m_tickedCount += ticked ? 1 : -1;
    const QModelIndex at = index(row);
    emit dataChanged(at, at, { Qt::CheckStateRole });
}

void CheckListModel::setAllTicked(bool ticked)
{
    if (m_items.empty())
        return;
    for (Item& item : m_items)
        item.ticked = ticked;
    m_tickedCount = ticked ? int(m_items.size()) : 0;
    emit dataChanged(index(0), index(int(m_items.size()) - 1), { Qt::CheckStateRole });
}

CheckList::CheckList(QWidget* parent)
    : QListView(parent)
{
    setModel(&m_model);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A click on a check box also makes its entry current, which reports a click.
    connect(&m_model, &CheckListModel::tickToggled, this, [this](int row) {
        if (ListIndex() != row)
            setListIndex(row);
    });
}

void CheckList::Clear()
{
    m_quiet = true;
    m_model.clear();
    setCurrentIndex({});
    m_quiet = false;
}

void CheckList::AddItem(const QString& name)
{
    addItems({ name });
}

void CheckList::addItems(const QStringList& names)
{
    m_quiet = true;
    m_model.add(names);
    m_quiet = false;
}

int CheckList::ListCount() const
{
    return m_model.rowCount();
}

QString CheckList::List(int index) const
{
    return index >= 0 && index < ListCount() ? m_model.name(index) : QString();
}

bool CheckList::Selected(int index) const
{
    return index >= 0 && index < ListCount() && m_model.ticked(index);
}

void CheckList::setSelected(int index, bool ticked)
{
    if (index >= 0 && index < ListCount())
        m_model.setTicked(index, ticked);
}

void CheckList::setAllSelected(bool ticked)
{
    m_model.setAllTicked(ticked);
}

int CheckList::SelCount() const
{
    return m_model.tickedCount();
}

int CheckList::ListIndex() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

bool CheckList::setListIndex(int index)
{
    if (index < -1 || index >= ListCount())
        return false;
    if (index < 0) {
        m_quiet = true;
        setCurrentIndex({});
        clearSelection();
        m_quiet = false;
        return true;
    }
    const bool same = index == ListIndex();
    setCurrentIndex(m_model.index(index));
    if (same)
        emit Click();
    return true;
}

void CheckList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && ListIndex() >= 0) {
        const int row = ListIndex();
        m_model.setTicked(row, !m_model.ticked(row));
        return;
    }
    QListView::keyPressEvent(event);
}

// A press on another entry makes it current, which reports a click; a press on the current entry
// changes nothing in the view, so it is reported here.
void CheckList::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex pressed = indexAt(event->position().toPoint());
    const bool onCurrent = pressed.isValid() && pressed == currentIndex();
    QListView::mousePressEvent(event);
    if (onCurrent && event->button() == Qt::LeftButton && currentIndex() == pressed)
        emit Click();
}

// Qt makes the first entry current when a list without one gains the focus; here the focus alone
// never picks a file, so no preview loads just because the user tabbed into the list.
void CheckList::focusInEvent(QFocusEvent* event)
{
    const bool hadCurrent = currentIndex().isValid();
    m_quiet = true;
    QListView::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid())
        setCurrentIndex({});
    m_quiet = false;
    viewport()->update();
}

// The outline a current entry wears, drawn where the focus would make one current, so that a keyboard
// user sees that the list has the focus.
void CheckList::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (!hasFocus() || currentIndex().isValid())
        return;
    QStyleOptionFocusRect outline;
    outline.initFrom(this);
    outline.state |= QStyle::State_HasFocus;
    outline.backgroundColor = palette().color(QPalette::Base);
    outline.rect = ListCount() > 0 ? visualRect(m_model.index(0)) : viewport()->rect().adjusted(1, 1, -1, -1);
    QPainter painter(viewport());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &outline, &painter, this);
}

void CheckList::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    if (!m_quiet && current.isValid())
        emit Click();
}

} // namespace platform
