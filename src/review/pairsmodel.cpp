#include "review/pairsmodel.h"

#include <algorithm>
#include <utility>

#include <QImage>
#include <QLocale>
#include <QPainter>

#include "i18n/qtranslate.h"
#include "store/datetime.h"
#include "ui/componenttranslation.h"
#include "ui/datetimetext.h"

namespace vexaris::ui {

namespace {

// Bars of the histogram: enough to see the shape, few enough to hit with the mouse.
constexpr int kMostBins = 80;
// Small pictures kept for rows that scroll out of view and back.
constexpr int kKeptPictures = 4000;

const char *const kTitles[PairsModel::ColumnCount] = {
    N_("Group"),
    N_("Difference"),
    N_("Left file"),
    N_("Left folder"),
    N_("Left size"),
    N_("Left dimensions"),
    N_("Left modified"),
    N_("Right file"),
    N_("Right folder"),
    N_("Right size"),
    N_("Right dimensions"),
    N_("Right modified"),
    N_("Verdict"),
    N_("Keeps"),
    N_("Reasons"),
};

bool isLeftSide(int column)
{
    return column >= PairsModel::LeftFile && column <= PairsModel::LeftModified;
}

bool isRightSide(int column)
{
    return column >= PairsModel::RightFile && column <= PairsModel::RightModified;
}

// The column of the left side that shows the same fact.
int leftColumnOf(int column)
{
    return isRightSide(column) ? column - (PairsModel::RightFile - PairsModel::LeftFile) : column;
}

review::PairColumn coreColumn(int column)
{
    using review::PairColumn;
    const bool right = isRightSide(column);
    switch (leftColumnOf(column)) {
    case PairsModel::Group:
        return PairColumn::Group;
    case PairsModel::LeftFile:
        return right ? PairColumn::RightName : PairColumn::LeftName;
    case PairsModel::LeftFolder:
        return right ? PairColumn::RightFolder : PairColumn::LeftFolder;
    case PairsModel::LeftSize:
        return right ? PairColumn::RightSize : PairColumn::LeftSize;
    case PairsModel::LeftDimensions:
        return right ? PairColumn::RightPixels : PairColumn::LeftPixels;
    case PairsModel::LeftModified:
        return right ? PairColumn::RightModified : PairColumn::LeftModified;
    default:
        return PairColumn::Difference;
    }
}

} // namespace

PairsModel::PairsModel(store::Database &database, QObject *parent)
    : QAbstractTableModel(parent)
    , m_database(database)
    , m_pictures(kKeptPictures)
{
    for (const char *title : kTitles)
        m_titles << i18n::english(title);
}

PairsModel::~PairsModel() = default;

QSize PairsModel::pictureSize()
{
    return {48, 32};
}

void PairsModel::setTable(const review::PairTable *table)
{
    m_table = table;
    m_hasPlan = false;
    m_plan = {};
    m_planOfEntry.clear();
    m_approved.clear();
    m_pictures.clear();
    if (!table) {
        // The statement goes with the list, before the connection can.
        m_thumbnails.reset();
        beginResetModel();
        m_order.clear();
        m_shown.clear();
        m_rowOfEntry.clear();
        m_binCounts.clear();
        m_bins = {};
        m_shownGroups = 0;
        endResetModel();
        return;
    }
    int lowest = 0;
    int highest = 0;
    for (size_t i = 0; i < table->size(); ++i) {
        const int difference = table->entry(i).difference;
        lowest = i == 0 ? difference : std::min(lowest, difference);
        highest = i == 0 ? difference : std::max(highest, difference);
    }
    m_bins = review::makeBins(lowest, highest, kMostBins);
    reorder();
}

void PairsModel::setFilter(const review::PairFilter &filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    refilter();
}

void PairsModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    reorder();
}

void PairsModel::reorder()
{
    if (!m_table)
        return;
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    const size_t entries = m_table->size();
    if (m_sortColumn < Verdict) {
        m_order = m_table->order(coreColumn(m_sortColumn), descending);
    } else if (m_sortColumn == Reasons) {
        std::vector<QString> keys(entries);
        for (size_t i = 0; i < entries && m_hasPlan; ++i) {
            if (m_planOfEntry[i] >= 0)
                keys[i] = m_plan.pairs[static_cast<size_t>(m_planOfEntry[i])].reasons.join(QStringLiteral("; "));
        }
        m_order = review::orderByKeys(keys, descending);
    } else {
        // Verdicts in their own order, keepers left before right; pairs outside the plan last.
        std::vector<int> keys(entries, INT_MAX);
        for (size_t i = 0; i < entries && m_hasPlan; ++i) {
            if (m_planOfEntry[i] < 0)
                continue;
            const review::PlannedPair &planned = m_plan.pairs[static_cast<size_t>(m_planOfEntry[i])];
            if (m_sortColumn == Verdict)
                keys[i] = static_cast<int>(planned.verdict) * 2
                    + (m_approved[static_cast<size_t>(m_planOfEntry[i])] ? 0 : 1);
            else
                keys[i] = planned.keeperId == 0 ? 2 : (planned.keeperId == planned.leftId ? 0 : 1);
        }
        m_order = review::orderByKeys(keys, descending);
    }
    refilter();
}

void PairsModel::refilter()
{
    if (!m_table)
        return;
    beginResetModel();
    review::FilteredPairs filtered = review::filterEntries(*m_table, m_order, m_filter, m_bins);
    m_shown = std::move(filtered.shown);
    m_binCounts = std::move(filtered.binCounts);
    m_rowOfEntry.assign(m_table->size(), -1);
    std::vector<uint8_t> groupSeen(m_table->grouping().groups.size() + 1, 0);
    m_shownGroups = 0;
    for (size_t row = 0; row < m_shown.size(); ++row) {
        const uint32_t entry = m_shown[row];
        m_rowOfEntry[entry] = static_cast<int32_t>(row);
        uint8_t &seen = groupSeen[static_cast<size_t>(m_table->entry(entry).group)];
        if (!seen) {
            seen = 1;
            ++m_shownGroups;
        }
    }
    endResetModel();
}

std::optional<int> PairsModel::rowOf(qint64 pairId) const
{
    if (!m_table)
        return std::nullopt;
    const std::optional<size_t> entry = m_table->indexOf(pairId);
    if (!entry || m_rowOfEntry[*entry] < 0)
        return std::nullopt;
    return m_rowOfEntry[*entry];
}

qint64 PairsModel::pairIdAt(int row) const
{
    return m_table->entry(entryAt(row)).id;
}

std::vector<int> PairsModel::rowsOfEntries(const std::vector<uint32_t> &entries) const
{
    std::vector<int> rows;
    for (const uint32_t entry : entries) {
        if (entry < m_rowOfEntry.size() && m_rowOfEntry[entry] >= 0)
            rows.push_back(m_rowOfEntry[entry]);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<uint32_t> PairsModel::shownEntries() const
{
    std::vector<uint32_t> entries = m_shown;
    std::sort(entries.begin(), entries.end());
    return entries;
}

void PairsModel::setPlan(review::Plan plan)
{
    m_plan = std::move(plan);
    m_hasPlan = true;
    m_planOfEntry.assign(m_table ? m_table->size() : 0, -1);
    m_approved.assign(m_plan.pairs.size(), 0);
    for (size_t i = 0; i < m_plan.pairs.size(); ++i) {
        const review::PlannedPair &planned = m_plan.pairs[i];
        if (const std::optional<size_t> entry = m_table ? m_table->indexOf(planned.pairId) : std::nullopt)
            m_planOfEntry[*entry] = static_cast<int32_t>(i);
        m_approved[i] = planned.verdict == review::Verdict::Act;
    }
    if (m_sortColumn >= Verdict)
        reorder();
    else if (!m_shown.empty())
        emit dataChanged(index(0, Verdict), index(rowCount() - 1, Reasons));
    emit approvalsChanged();
}

void PairsModel::clearPlan()
{
    if (!m_hasPlan)
        return;
    m_hasPlan = false;
    m_plan = {};
    m_planOfEntry.clear();
    m_approved.clear();
    if (m_sortColumn >= Verdict)
        reorder();
    else if (!m_shown.empty())
        emit dataChanged(index(0, Verdict), index(rowCount() - 1, Reasons));
    emit approvalsChanged();
}

const review::PlannedPair *PairsModel::plannedAt(int row) const
{
    if (!m_hasPlan || row < 0 || static_cast<size_t>(row) >= m_shown.size())
        return nullptr;
    const int32_t planned = m_planOfEntry[entryAt(row)];
    return planned < 0 ? nullptr : &m_plan.pairs[static_cast<size_t>(planned)];
}

void PairsModel::approve(const std::vector<int> &rows, bool approved)
{
    int first = INT_MAX;
    int last = -1;
    for (const int row : rows) {
        const review::PlannedPair *planned = plannedAt(row);
        if (!planned || planned->verdict != review::Verdict::Act)
            continue;
        m_approved[static_cast<size_t>(m_planOfEntry[entryAt(row)])] = approved;
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (last < 0)
        return;
    emit dataChanged(index(first, Verdict), index(last, Verdict));
    emit approvalsChanged();
}

PlanTally PairsModel::tally() const
{
    PlanTally tally;
    if (!m_hasPlan)
        return tally;
    using review::Verdict;
    tally.planned = static_cast<qint64>(m_plan.pairs.size());
    tally.acting = m_plan.summary.count(Verdict::Act);
    tally.undecided = m_plan.summary.count(Verdict::Undecided);
    tally.guarded = m_plan.summary.count(Verdict::Guarded);
    tally.covered = m_plan.summary.count(Verdict::Covered);
    tally.conflicts = m_plan.summary.count(Verdict::Conflict);
    for (const size_t i : m_plan.order) {
        if (!m_approved[i])
            continue;
        ++tally.approved;
        const review::PlannedPair &planned = m_plan.pairs[i];
        if (planned.givenUpId == 0)
            continue;
        ++tally.files;
        if (const review::PairSide *givenUp = m_table->list().picture(planned.givenUpId))
            tally.bytes += givenUp->size;
    }
    return tally;
}

std::vector<review::BatchStep> PairsModel::approvedSteps()
{
    if (!m_hasPlan || !m_table)
        return {};
    // The plan's own order, less the pairs set aside: a subset of the acting pairs still never
    // gives up a group's last file, since each acting pair's keeper stays or acts after it.
    std::vector<size_t> approved;
    for (const size_t i : m_plan.order) {
        if (m_approved[i])
            approved.push_back(i);
    }
    std::vector<size_t> every = std::exchange(m_plan.order, std::move(approved));
    std::vector<review::BatchStep> steps = review::batchSteps(m_plan, m_table->list());
    m_plan.order = std::move(every);
    return steps;
}

int PairsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int PairsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString PairsModel::keeperText(const review::PlannedPair &planned) const
{
    if (planned.keeperId == 0)
        return {};
    const QString side = planned.keeperId == planned.leftId ? qtr("left") : qtr("right");
    if (planned.finalKeeperId == 0 || planned.finalKeeperId == planned.keeperId)
        return side;
    // The keeper leaves by another pair: what stays in the end.
    const review::PairSide *last = m_table->list().picture(planned.finalKeeperId);
    return last ? side + QStringLiteral(" → ") + last->fileName : side;
}

QVariant PairsModel::data(const QModelIndex &index, int role) const
{
    if (!m_table || !index.isValid() || index.row() >= rowCount())
        return {};
    const int column = index.column();
    const uint32_t entryIndex = entryAt(index.row());
    const review::PairEntry &entry = m_table->entry(entryIndex);
    if (role == kPairIdRole)
        return entry.id;
    if (role == kGroupRole)
        return entry.group;
    if (isLeftSide(column) || isRightSide(column)) {
        const review::PairSide &side = isLeftSide(column) ? m_table->leftOf(entryIndex) : m_table->rightOf(entryIndex);
        const int fact = leftColumnOf(column);
        switch (role) {
        case Qt::DisplayRole:
            switch (fact) {
            case LeftFile:
                return side.fileName;
            case LeftFolder:
                return side.folderPath;
            case LeftSize:
                return QLocale().formattedDataSize(side.size, 1, QLocale::DataSizeSIFormat);
            case LeftDimensions:
                return QStringLiteral("%1 × %2").arg(side.width).arg(side.height);
            case LeftModified:
                return localDateTimeText(store::fromDays(side.modified));
            }
            break;
        case Qt::DecorationRole:
            if (fact == LeftFile)
                return pictureOf(side);
            break;
        case Qt::ToolTipRole:
            if (fact == LeftFile || fact == LeftFolder)
                return side.fullPath();
            if (fact == LeftSize)
                return qtrFormat("%s bytes", {QLocale().toString(side.size)});
            break;
        case Qt::TextAlignmentRole:
            if (fact == LeftSize || fact == LeftDimensions)
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            break;
        }
        return {};
    }
    if (column == Group || column == Difference) {
        if (role == Qt::DisplayRole)
            return QLocale().toString(column == Group ? entry.group : entry.difference);
        if (role == Qt::TextAlignmentRole)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    const review::PlannedPair *planned = plannedAt(index.row());
    if (!planned)
        return {};
    const bool acting = planned->verdict == review::Verdict::Act;
    switch (role) {
    case Qt::DisplayRole:
        if (column == Verdict)
            return review::verdictCaption(planned->verdict);
        if (column == Keeper)
            return keeperText(*planned);
        return planned->reasons.join(QStringLiteral("; "));
    case Qt::ToolTipRole:
        if (column == Reasons)
            return planned->reasons.join(QLatin1Char('\n'));
        if (column == Verdict && acting)
            return m_approved[static_cast<size_t>(m_planOfEntry[entryIndex])] ? qtr("Approved: settled by Settle")
                                                                              : qtr("Set aside: left as it is");
        break;
    case Qt::CheckStateRole:
        if (column == Verdict && acting)
            return m_approved[static_cast<size_t>(m_planOfEntry[entryIndex])] ? Qt::Checked : Qt::Unchecked;
        break;
    }
    return {};
}

bool PairsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != Verdict)
        return false;
    const review::PlannedPair *planned = plannedAt(index.row());
    if (!planned || planned->verdict != review::Verdict::Act)
        return false;
    approve({index.row()}, value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags PairsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == Verdict) {
        const review::PlannedPair *planned = plannedAt(index.row());
        if (planned && planned->verdict == review::Verdict::Act)
            flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

QVariant PairsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return m_titles[section];
    return {};
}

bool PairsModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return false;
    m_titles[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

QPixmap PairsModel::pictureOf(const review::PairSide &side) const
{
    if (const QPixmap *kept = m_pictures.object(side.pictureId))
        return *kept;
    QPixmap pixmap(pictureSize());
    pixmap.fill(Qt::transparent);
    QByteArray thumbnail;
    try {
        if (!m_thumbnails)
            m_thumbnails.emplace(m_database);
        thumbnail = m_thumbnails->read(side.pictureId);
    } catch (const std::exception &) {
        // Drawing a row is no command to report an error from: a picture that cannot be read
        // stays empty, and the row says the rest.
    }
    if (!thumbnail.isEmpty()) {
        const auto colors = review::thumbnailColors(thumbnail, review::readFromPalette(side.fileName));
        const QImage cells(colors.data(), review::kThumbnailSide, review::kThumbnailSide, review::kThumbnailSide * 3,
            QImage::Format_RGB888);
        // The cells stretch every picture to a square; its own proportions come back from its size.
        QSize shape(pictureSize().height(), pictureSize().height());
        if (side.width > 0 && side.height > 0)
            shape = QSize(side.width, side.height).scaled(pictureSize(), Qt::KeepAspectRatio);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(
            QRect(QPoint((pictureSize().width() - shape.width()) / 2, (pictureSize().height() - shape.height()) / 2),
                shape),
            cells);
    }
    m_pictures.insert(side.pictureId, new QPixmap(pixmap));
    return pixmap;
}

} // namespace vexaris::ui
