// The overview of a collection's pairs: all of them in one table (group, Difference, both sides
// with a small picture of each), a histogram of their Differences with an interval to drag, filters
// by folder, folder relation, format and group, and a panel of the groups by size. A rule's plan
// over the selected or shown pairs puts a verdict, the keeper and the reasons beside each, and
// Settle applies the approved pairs as one batch of the journal on a thread of its own, while the
// table stays there to be read. A view over the core's pair list, table, filter, groups and plan.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QDialog>

#include "review/pairfilter.h"
#include "review/pairlist.h"
#include "review/rule.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTreeView;

namespace vexaris::store {
class Session;
}

namespace vexaris::review {
class FileOperation;
class PairTable;
struct BatchProgress;
struct BatchStep;
} // namespace vexaris::review

namespace vexaris::ui {

class BatchThread;
class Histogram;
class PairGroupsModel;
class PairsModel;
class TfrmRuleEditor;

class TfrmPairs : public QDialog
{
    Q_OBJECT

public:
    // The pairs are those of the session's current collection when the window opens.
    explicit TfrmPairs(store::Session &session, QWidget *parent = nullptr);
    ~TfrmPairs() override;

    // The file operations of a batch; by default the real file system and Trash. Not while a
    // batch runs.
    void setFileOperation(std::unique_ptr<review::FileOperation> operation);
    // Where Not a match reads the RememberNotAMatch preference; by default the stored preference.
    void setRememberPreference(std::function<bool()> remember);

    // The pair chosen and shown when the window is next shown or its pairs are next read.
    void setStartPair(qint64 pairId);
    // Reads the pairs again after another window changed them; the order, the filters and the
    // selection stay where they can.
    void readPairs();

    // What the table shows, for the tests and the benchmark.
    const PairsModel &model() const { return *m_model; }
    bool batchRunning() const { return m_batch != nullptr; }

signals:
    // Enter or a double click on a pair: the review window is to show it.
    void pairOpened(qint64 pairId);
    // A batch has ended and the table follows it.
    void batchFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildControls();
    void resetFilterControls();
    // The rules box: no rule, the saved rules, the unsaved rule when there is one; the given one
    // chosen.
    enum class RuleKind { None, Saved, Unsaved };
    void fillRules(RuleKind kind, const QString &name);
    // The folders and formats of the pairs, the one chosen kept where it still is.
    void fillFilterChoices();
    // Pair IDs of the selection, to find them again after the table changed.
    std::vector<qint64> selectedPairIds() const;
    void selectPairs(const std::vector<qint64> &pairIds);
    // Reads the list, or takes it as a batch left it, and shows it.
    void takePairs(bool readAgain, const std::vector<qint64> &selection);
    // The filter as the controls say.
    void applyFilter();
    void histogramChanged(int first, int last);
    void differenceBoxChanged();
    void showCounts();
    void showTally();
    // The verdict, keeper and reasons columns while there is a plan.
    void showPlanColumns();
    void updateButtons();
    std::vector<uint32_t> selectedEntries() const;
    void selectEntries(const std::vector<uint32_t> &entries);
    // The chosen rule and its name ("" for the unsaved one); nullopt for none.
    std::optional<review::Rule> chosenRule(QString &name, QString &text) const;

    void lstPairsActivated();
    void lstGroupsActivated();
    void cmbRuleChange();
    void btnEditRuleClick();
    void btnPlanClick();
    void btnSelectGroupClick();
    void btnSelectShownClick();
    void btnApproveClick(bool approved);
    void btnSettleClick();
    void btnNotAMatchClick();
    void btnStopClick();
    void btnShowAllClick();

    void startBatch(std::vector<review::BatchStep> steps, const QString &ruleName, const QString &ruleText);
    void showBatchProgress(const review::BatchProgress &progress);
    void batchEnded();

    store::Session &m_session;
    std::unique_ptr<review::FileOperation> m_fileOperation;
    std::function<bool()> m_rememberPreference;
    review::PairList m_list;
    std::unique_ptr<review::PairTable> m_table;
    PairsModel *m_model = nullptr;
    PairGroupsModel *m_groups = nullptr;
    std::optional<qint64> m_startPair;
    // A rule from the editor that was used without being saved.
    std::optional<review::Rule> m_unsavedRule;
    // Whether the plan was made over a selection rather than the shown pairs.
    bool m_planOverSelection = false;
    QString m_plannedRuleName;
    QString m_plannedRuleText;
    // What the last batch did, shown until the next plan.
    QString m_outcome;
    std::unique_ptr<BatchThread> m_batch;
    bool m_changingControls = false;
    // The selection through a reset of the rows, by table entry.
    std::vector<uint32_t> m_keptSelection;

    Histogram *hstDifference = nullptr;
    QSpinBox *spnMinDifference = nullptr;
    QSpinBox *spnMaxDifference = nullptr;
    QComboBox *cmbFolder = nullptr;
    QComboBox *cmbRelation = nullptr;
    QComboBox *cmbFormat = nullptr;
    QSpinBox *spnGroup = nullptr;
    QPushButton *btnShowAll = nullptr;
    QSplitter *splPairs = nullptr;
    QTreeView *lstGroups = nullptr;
    QTreeView *lstPairs = nullptr;
    QLabel *lblCounts = nullptr;
    QComboBox *cmbRule = nullptr;
    QPushButton *btnEditRule = nullptr;
    QPushButton *btnPlan = nullptr;
    QLabel *lblSummary = nullptr;
    QPushButton *btnSelectGroup = nullptr;
    QPushButton *btnSelectShown = nullptr;
    QPushButton *btnApprove = nullptr;
    QPushButton *btnSetAside = nullptr;
    QPushButton *btnOpenPair = nullptr;
    QPushButton *btnNotAMatch = nullptr;
    QPushButton *btnSettle = nullptr;
    QProgressBar *prbBatch = nullptr;
    QLabel *lblBatch = nullptr;
    QPushButton *btnStop = nullptr;
    QPushButton *btnClose = nullptr;
    TfrmRuleEditor *m_editor = nullptr;
};

} // namespace vexaris::ui
