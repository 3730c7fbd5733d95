#include "review/reviewmodel.h"

#include "engine/files/filenames.h"

namespace review
{

namespace
{
    // Characters of the line shown on each side of a match, at most.
    constexpr qsizetype kContext = 40;
    // A file row has this internal id; a match row the number of its file row plus one.
    constexpr quintptr kFileRow = 0;
} // namespace

ReviewModel::ReviewModel(ReviewSet& changes, QObject* parent)
    : QAbstractItemModel(parent)
    , m_set(changes)
{
    for (std::size_t i = 0; i < m_set.files.size(); ++i) {
        const FileChanges& file = m_set.files[i];
        if (file.starts.empty() && file.refusal.isEmpty())
            continue;
        m_shown.push_back(int(i));
        m_tickedIn.push_back(file.tickedCount());
        m_ticked += m_tickedIn.back();
        m_all += qsizetype(file.ticked.size());
    }
}

QModelIndex ReviewModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, column, kFileRow);
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex ReviewModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == kFileRow)
        return {};
    return createIndex(int(child.internalId() - 1), 0, kFileRow);
}

int ReviewModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(m_shown.size());
    if (parent.internalId() != kFileRow || parent.column() != 0)
        return 0;
    // A file that would be refused lists no matches to tick.
    const qsizetype matches =
        qsizetype(m_set.files[std::size_t(m_shown[std::size_t(parent.row())])].ticked.size());
    return int(std::min<qsizetype>(matches, std::numeric_limits<int>::max()));
}

int ReviewModel::columnCount(const QModelIndex&) const
{
    return 1;
}

const FileChanges* ReviewModel::fileAt(const QModelIndex& index) const
{
    if (!index.isValid())
        return nullptr;
    const int row = index.internalId() == kFileRow ? index.row() : int(index.internalId() - 1);
    return &m_set.files[std::size_t(m_shown[std::size_t(row)])];
}

qsizetype ReviewModel::matchAt(const QModelIndex& index) const
{
    return index.isValid() && index.internalId() != kFileRow ? index.row() : -1;
}

ReviewModel::Context ReviewModel::contextOf(const FileChanges& file, qsizetype match) const
{
    const int which = int(&file - m_set.files.data());
    if (m_textOf != which) {
        m_textOf = which;
        if (m_text.load(file.path, engine::LoadMode::RichOrText) != engine::LoadOutcome::Loaded)
            m_text.setText(QString());
    }
    const qsizetype start = file.starts[std::size_t(match)];
    const qsizetype from = std::max<qsizetype>(0, start - kContext);
    QString before = m_text.mid(from, start - from);
    QString after = m_text.mid(start + file.matchLength, kContext);
    // Only the match's own line.
    if (const qsizetype br = before.lastIndexOf(u'\n'); br >= 0)
        before.remove(0, br + 1);
    if (const qsizetype br = after.indexOf(u'\n'); br >= 0)
        after.truncate(br);
    return { before, after };
}

QVariant ReviewModel::data(const QModelIndex& index, int role) const
{
    const FileChanges* file = fileAt(index);
    if (!file)
        return {};
    const qsizetype match = matchAt(index);
    if (match < 0) {
        const qsizetype ticked = m_tickedIn[std::size_t(index.row())];
        if (role == Qt::DisplayRole) {
            if (!file->refusal.isEmpty())
                return engine::shownFileName(file->name) + QStringLiteral(" - ") + file->refusal;
            const qsizetype n = qsizetype(file->starts.size());
            return engine::shownFileName(file->name)
                + QStringLiteral(" - %1 %2").arg(n).arg(n == 1 ? "change" : "changes");
        }
        if (role == Qt::CheckStateRole && file->refusal.isEmpty())
            return ticked == 0                             ? Qt::Unchecked
                : ticked == qsizetype(file->ticked.size()) ? Qt::Checked
                                                           : Qt::PartiallyChecked;
        return {};
    }
    switch (role) {
    case Qt::CheckStateRole:
        return file->ticked[std::size_t(match)] ? Qt::Checked : Qt::Unchecked;
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        const Context around = contextOf(*file, match);
        const QString old = m_text.mid(file->starts[std::size_t(match)], file->matchLength);
        return around.before + QStringLiteral("[-") + old + QStringLiteral("-]{+") + m_set.replacement
            + QStringLiteral("+}") + around.after;
    }
    case BeforeRole:
        return contextOf(*file, match).before;
    case OldRole:
        contextOf(*file, match);
        return m_text.mid(file->starts[std::size_t(match)], file->matchLength);
    case NewRole:
        return m_set.replacement;
    case AfterRole:
        return contextOf(*file, match).after;
    default:
        return {};
    }
}

Qt::ItemFlags ReviewModel::flags(const QModelIndex& index) const
{
    const FileChanges* file = fileAt(index);
    if (!file)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (file->refusal.isEmpty())
        flags |= Qt::ItemIsUserCheckable;
    if (matchAt(index) >= 0)
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

void ReviewModel::setTicked(int shownFile, qsizetype match, bool ticked)
{
    FileChanges& file = m_set.files[std::size_t(m_shown[std::size_t(shownFile)])];
    if (file.ticked[std::size_t(match)] == ticked)
        return;
    file.ticked[std::size_t(match)] = ticked;
    const qsizetype step = ticked ? 1 : -1;
    m_tickedIn[std::size_t(shownFile)] += step;
    m_ticked += step;
}

bool ReviewModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const FileChanges* file = fileAt(index);
    if (role != Qt::CheckStateRole || !file || !file->refusal.isEmpty())
        return false;
    const bool ticked = value.value<Qt::CheckState>() != Qt::Unchecked;
    const qsizetype match = matchAt(index);
    const QModelIndex fileRow = match < 0 ? index : index.parent();
    if (match >= 0) {
        setTicked(fileRow.row(), match, ticked);
        emit dataChanged(index, index, { Qt::CheckStateRole });
    } else {
        const qsizetype count = qsizetype(file->ticked.size());
        for (qsizetype k = 0; k < count; ++k)
            setTicked(fileRow.row(), k, ticked);
        if (count > 0)
            emit dataChanged(
                this->index(0, 0, fileRow), this->index(int(count - 1), 0, fileRow), { Qt::CheckStateRole });
    }
    emit dataChanged(fileRow, fileRow, { Qt::CheckStateRole });
    emit ticksChanged();
    return true;
}

int ReviewModel::filesWithTicks() const
{
    return int(std::count_if(m_tickedIn.begin(), m_tickedIn.end(), [](qsizetype n) {
        return n > 0;
    }));
}

QString ReviewModel::status() const
{
    const int files = filesWithTicks();
    return QStringLiteral("%1 of %2 changes in %3 %4")
        .arg(m_ticked)
        .arg(m_all)
        .arg(files)
        .arg(files == 1 ? QStringLiteral("file") : QStringLiteral("files"));
}

} // namespace review
