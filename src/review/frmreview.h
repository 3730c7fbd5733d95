#pragma once

#include "review/reviewset.h"

#include <QDialog>

class QLabel;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace review
{

class ReviewModel;

// The review window: every change a run would make, by file, each with a tick (all ticked at first),
// and the files that would be refused with the reason. "&Replace Checked" accepts the window with the
// ticks kept in the review set; "Close" and Escape reject it. Enter on a match asks for it to be
// shown where it is (ShowMatch); Space ticks or unticks the current row.
class frmReview : public QDialog
{
    Q_OBJECT
public:
    explicit frmReview(ReviewSet& changes, QWidget* parent = nullptr);

    QTreeView* tvwChanges = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* cmdReplace = nullptr;
    QPushButton* cmdClose = nullptr;

    ReviewModel* model() const { return m_model; }

    void cmdReplace_Click();
    void cmdClose_Click();
    void tvwChanges_Activated(const QModelIndex& index);
    void model_TicksChanged();

signals:
    // The match of `length` visible characters at `start` of the file at `path`.
    void ShowMatch(const QString& path, qsizetype start, qsizetype length);

private:
    void connectEvents();

    ReviewModel* m_model = nullptr;
};

} // namespace review
