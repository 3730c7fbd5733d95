#include "review/frmreview.h"

#include "platform/buttonkeys.h"
#include "review/reviewmodel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

namespace review
{

namespace
{
    constexpr int kExpandAtOnce = 10000;

    // Draws a match row as its line: the old text struck out in red, the new one underlined in green.
    class ChangeDelegate : public QStyledItemDelegate
    {
    public:
        using QStyledItemDelegate::QStyledItemDelegate;

        void paint(
            QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            if (!index.data(ReviewModel::OldRole).isValid()) {
                QStyledItemDelegate::paint(painter, option, index);
                return;
            }
            QStyleOptionViewItem item = option;
            initStyleOption(&item, index);
            item.text.clear();
            const QWidget* widget = option.widget;
            QStyle* style = widget ? widget->style() : QApplication::style();
            style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
            QRect room =
                style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget).adjusted(2, 0, -2, 0);

            painter->save();
            painter->setClipRect(room);
            const bool selected = option.state & QStyle::State_Selected;
            const QColor normal = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
            auto piece = [&](const QString& text, bool strike, bool underline, const QColor& colour) {
                QFont font = option.font;
                font.setStrikeOut(strike);
                font.setUnderline(underline);
                painter->setFont(font);
                painter->setPen(colour);
                const QString shown = QString(text).replace(u'\t', u' ');
                painter->drawText(room, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
                room.setLeft(room.left() + QFontMetrics(font).horizontalAdvance(shown));
            };
            piece(index.data(ReviewModel::BeforeRole).toString(), false, false, normal);
            piece(index.data(ReviewModel::OldRole).toString(), true, false,
                selected ? normal : QColor(176, 0, 0));
            piece(index.data(ReviewModel::NewRole).toString(), false, true,
                selected ? normal : QColor(0, 120, 0));
            piece(index.data(ReviewModel::AfterRole).toString(), false, false, normal);
            painter->restore();
        }
    };
} // namespace

frmReview::frmReview(ReviewSet& changes, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Review Changes"));
    tvwChanges = new QTreeView(this);
    m_model = new ReviewModel(changes, this);
    tvwChanges->setModel(m_model);
    tvwChanges->setItemDelegate(new ChangeDelegate(tvwChanges));
    tvwChanges->setHeaderHidden(true);
    tvwChanges->setUniformRowHeights(true); // no row is measured before it is shown
    tvwChanges->setAccessibleName(QStringLiteral("Changes"));
    lblStatus = new QLabel(this);
    cmdReplace = new QPushButton(QStringLiteral("&Replace Checked"), this);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    // Enter belongs to the list (it shows a match), never to a button.
    for (QPushButton* button : { cmdReplace, cmdClose }) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblStatus, 1);
    buttons->addWidget(cmdReplace);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tvwChanges, 1);
    layout->addLayout(buttons);
    resize(720, 480);

    if (m_model->rowCount() > 0)
        tvwChanges->setCurrentIndex(m_model->index(0, 0));
    // One file's matches are shown at once, unless laying out so many rows would keep the window
    // from opening quickly: those wait until the file is opened.
    if (m_model->rowCount() == 1 && m_model->rowCount(m_model->index(0, 0)) <= kExpandAtOnce)
        tvwChanges->expand(m_model->index(0, 0));
    tvwChanges->setFocus();
    lblStatus->setAccessibleName(QStringLiteral("Changes kept"));
    platform::enterClicksFocusedButton(this);
    connectEvents();
    model_TicksChanged();
}

void frmReview::connectEvents()
{
    connect(cmdReplace, &QPushButton::clicked, this, &frmReview::cmdReplace_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmReview::cmdClose_Click);
    connect(tvwChanges, &QTreeView::activated, this, &frmReview::tvwChanges_Activated);
    connect(m_model, &ReviewModel::ticksChanged, this, &frmReview::model_TicksChanged);
}

void frmReview::cmdReplace_Click()
{
    accept();
}

void frmReview::cmdClose_Click()
{
    reject();
}

void frmReview::tvwChanges_Activated(const QModelIndex& index)
{
    const FileChanges* file = m_model->fileAt(index);
    const qsizetype match = m_model->matchAt(index);
    if (!file)
        return;
    if (match < 0) {
        tvwChanges->setExpanded(index, !tvwChanges->isExpanded(index));
        return;
    }
    emit ShowMatch(file->path, file->starts[std::size_t(match)], file->matchLength);
}

void frmReview::model_TicksChanged()
{
    lblStatus->setText(m_model->status());
    cmdReplace->setEnabled(m_model->tickedChanges() > 0);
}

} // namespace review
