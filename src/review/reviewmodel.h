#pragma once

#include "engine/document.h"
#include "review/reviewset.h"

#include <QAbstractItemModel>
#include <vector>

namespace review
{

// The changes of a review as a tree: a row per file that has matches or would be refused, and below
// a file a row per match. Rows are made when a view asks for them, so a million matches cost no more
// than their places; a match's line of text is read from its file when it is shown. Ticking a file
// ticks or unticks all its matches.
class ReviewModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    // The pieces of a match row, for the delegate that draws the old text struck out and the new one
    // marked as inserted: the text before the match, the match, its replacement, the text after.
    enum Role { BeforeRole = Qt::UserRole + 1, OldRole, NewRole, AfterRole };

    explicit ReviewModel(ReviewSet& changes, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The file and the match a row stands for; the match is -1 on a file row.
    const FileChanges* fileAt(const QModelIndex& index) const;
    qsizetype matchAt(const QModelIndex& index) const;

    qsizetype tickedChanges() const { return m_ticked; }
    qsizetype allChanges() const { return m_all; }
    int filesWithTicks() const;
    // "N of M changes in K files".
    QString status() const;

signals:
    void ticksChanged();

private:
    struct Context {
        QString before, after;
    };
    Context contextOf(const FileChanges& file, qsizetype match) const;
    void setTicked(int shownFile, qsizetype match, bool ticked);

    ReviewSet& m_set;
    std::vector<int> m_shown; // the files that get a row, as indexes into m_set.files
    std::vector<qsizetype> m_tickedIn; // ticked matches per shown file
    qsizetype m_ticked = 0;
    qsizetype m_all = 0;
    // The file whose lines were read last, kept for the next rows shown.
    mutable engine::Document m_text;
    mutable int m_textOf = -1;
};

} // namespace review
