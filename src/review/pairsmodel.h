// The overview's table: one row per shown pair of a PairTable, its columns ordered and its rows
// filtered by the core's rules, and the verdicts of a plan beside them with each acting pair's
// approval. Rows are indexes into the table, so that a change of order or filter costs a pass
// over indexes and the view asks only for the rows it draws; the small pictures come from the
// stored thumbnails of those rows alone, and are kept for a while.
#pragma once

#include <optional>
#include <vector>

#include <QAbstractTableModel>
#include <QCache>
#include <QPixmap>
#include <QStringList>

#include "review/batch.h"
#include "review/pairfilter.h"
#include "review/pairtable.h"
#include "review/pairthumbnail.h"
#include "review/plan.h"

namespace vexaris::ui {

// What the plan's approved pairs would do, and what is left for the user.
struct PlanTally
{
    qint64 planned = 0; // pairs the plan looked at
    qint64 acting = 0;
    qint64 approved = 0;
    qint64 files = 0; // that the approved pairs give up
    qint64 bytes = 0;
    qint64 undecided = 0;
    qint64 guarded = 0;
    qint64 covered = 0;
    qint64 conflicts = 0;
};

class PairsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Group,
        Difference,
        LeftFile,
        LeftFolder,
        LeftSize,
        LeftDimensions,
        LeftModified,
        RightFile,
        RightFolder,
        RightSize,
        RightDimensions,
        RightModified,
        Verdict,
        Keeper,
        Reasons,
        ColumnCount
    };
    static constexpr int kPairIdRole = Qt::UserRole;
    static constexpr int kGroupRole = Qt::UserRole + 1;

    // Thumbnails are read from the database as rows come into view.
    explicit PairsModel(store::Database &database, QObject *parent = nullptr);
    ~PairsModel() override;

    // The table whose pairs are shown; nullptr for none. Called again after the table changed:
    // the order and the filter stay, the plan goes.
    void setTable(const review::PairTable *table);
    const review::PairTable *table() const { return m_table; }

    // Filters the rows again when the filter changed.
    void setFilter(const review::PairFilter &filter);
    const review::PairFilter &filter() const { return m_filter; }
    // The histogram's bins over the table's Differences, and the count of each among the pairs
    // that pass the filter besides its interval.
    const review::DifferenceBins &bins() const { return m_bins; }
    const std::vector<qint64> &binCounts() const { return m_binCounts; }
    // The groups the shown pairs belong to.
    qint64 shownGroups() const { return m_shownGroups; }

    // The table entry of a shown row, and the row of a pair when it is shown.
    uint32_t entryAt(int row) const { return m_shown[static_cast<size_t>(row)]; }
    std::optional<int> rowOf(qint64 pairId) const;
    qint64 pairIdAt(int row) const;
    // The shown rows of every entry listed, in their order.
    std::vector<int> rowsOfEntries(const std::vector<uint32_t> &entries) const;
    // Every entry shown, in table order.
    std::vector<uint32_t> shownEntries() const;

    // The plan made over some of the table's pairs: verdicts, keepers and reasons shown, each
    // acting pair approved. Clearing takes the plan away.
    void setPlan(review::Plan plan);
    void clearPlan();
    bool hasPlan() const { return m_hasPlan; }
    // Approves or sets aside the acting pairs among the rows; others stay as they are.
    void approve(const std::vector<int> &rows, bool approved);
    PlanTally tally() const;
    // The approved pairs' steps, in the plan's order.
    std::vector<review::BatchStep> approvedSteps();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The titles are set in English and translated with the window.
    bool setHeaderData(
        int section, Qt::Orientation orientation, const QVariant &value, int role = Qt::EditRole) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The size of the small pictures.
    static QSize pictureSize();

signals:
    // The approvals changed (the tally with them).
    void approvalsChanged();

private:
    void reorder();
    void refilter();
    const review::PlannedPair *plannedAt(int row) const;
    QPixmap pictureOf(const review::PairSide &side) const;
    QString keeperText(const review::PlannedPair &planned) const;

    store::Database &m_database;
    const review::PairTable *m_table = nullptr;
    review::PairFilter m_filter;
    review::DifferenceBins m_bins;
    std::vector<qint64> m_binCounts;
    qint64 m_shownGroups = 0;
    int m_sortColumn = Difference;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::vector<uint32_t> m_order; // every entry, in the column's order
    std::vector<uint32_t> m_shown; // the entries that pass, in that order
    std::vector<int32_t> m_rowOfEntry; // -1 where not shown
    QStringList m_titles;

    bool m_hasPlan = false;
    review::Plan m_plan;
    std::vector<int32_t> m_planOfEntry; // index into m_plan.pairs, -1 where not planned
    std::vector<uint8_t> m_approved; // by plan pair

    mutable std::optional<review::ThumbnailReader> m_thumbnails;
    mutable QCache<int, QPixmap> m_pictures; // by picture ID
};

} // namespace vexaris::ui
