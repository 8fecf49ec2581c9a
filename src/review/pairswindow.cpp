#include "review/pairswindow.h"

#include <atomic>
#include <set>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTreeView>
#include <QVBoxLayout>

#include "common/error.h"
#include "i18n/qtranslate.h"
#include "review/batch.h"
#include "review/fileoperation.h"
#include "review/pairgroupsmodel.h"
#include "review/pairsmodel.h"
#include "review/pairtable.h"
#include "review/plan.h"
#include "review/ruleeditor.h"
#include "settings/settingsstore.h"
#include "store/rules.h"
#include "store/session.h"
#include "ui/componenttranslation.h"
#include "ui/dialogs.h"
#include "ui/errorreport.h"
#include "ui/histogram.h"
#include "ui/progressindication.h"
#include "ui/windowlayout.h"

namespace vexaris::ui {

// A batch on a thread of its own, with a connection of its own to the same database file, so that
// the window's table stays there to be read while the files move. Told to stop, it stops after
// the pairs in hand.
class BatchThread final : public QThread, private review::BatchObserver
{
public:
    using Progress = std::function<void(const review::BatchProgress &)>;

    BatchThread(const QString &databaseFile, int collectionId, std::vector<review::BatchStep> steps,
        review::BatchOptions options, review::FileOperation &files, Progress progress)
        : m_databaseFile(databaseFile)
        , m_collectionId(collectionId)
        , m_steps(std::move(steps))
        , m_options(std::move(options))
        , m_files(files)
        , m_progress(std::move(progress))
    {
    }

    ~BatchThread() override
    {
        requestStop();
        wait();
    }

    void requestStop() { m_stop = true; }
    size_t total() const { return m_steps.size(); }
    // Once finished: what the batch did, or the one line that ended it.
    const review::BatchResult &result() const { return m_result; }
    const QString &error() const { return m_error; }

protected:
    void run() override
    {
        try {
            store::Session session;
            session.ConnectDatabase(m_databaseFile);
            m_result = review::applyBatch(session, m_files, m_collectionId, m_steps, m_options, *this);
        } catch (const std::exception &e) {
            m_error = QString::fromUtf8(e.what());
        }
    }

private:
    void progress(const review::BatchProgress &progress) override { m_progress(progress); }
    bool stopRequested() override { return m_stop; }

    QString m_databaseFile;
    int m_collectionId;
    std::vector<review::BatchStep> m_steps;
    review::BatchOptions m_options;
    review::FileOperation &m_files;
    Progress m_progress;
    std::atomic<bool> m_stop {false};
    review::BatchResult m_result;
    QString m_error;
};

namespace {

constexpr qint64 kReadingBoxAfterMs = 100;
constexpr QSize kInitialSize(1280, 800);
// Skipped pairs named one by one in the notice after a batch; the rest are counted.
constexpr size_t kSkippedNamed = 12;

QLabel *fieldLabel(QWidget *parent, const char *name, const char *text, QWidget *buddy)
{
    auto *label = new QLabel(i18n::english(text), parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

QPushButton *newButton(QWidget *parent, const char *name, const char *text, const char *toolTip)
{
    auto *button = new QPushButton(i18n::english(text), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    if (toolTip)
        button->setToolTip(i18n::english(toolTip));
    return button;
}

QString number(qint64 value)
{
    return QLocale().toString(value);
}

QString bytesText(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

// Rows as selection ranges, each run of neighbours one range.
QItemSelection rowsSelection(const QAbstractItemModel &model, const std::vector<int> &rows)
{
    QItemSelection selection;
    const int lastColumn = model.columnCount() - 1;
    for (size_t i = 0; i < rows.size();) {
        size_t end = i + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1)
            ++end;
        selection.append(QItemSelectionRange(model.index(rows[i], 0), model.index(rows[end - 1], lastColumn)));
        i = end;
    }
    return selection;
}

// Reasons are read from their start; the view elides paths in the middle instead.
class ReasonsDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideRight;
    }
};

} // namespace

TfrmPairs::TfrmPairs(store::Session &session, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
    , m_fileOperation(std::make_unique<review::QtFileOperation>())
{
    setObjectName(QStringLiteral("frmPairs"));
    setWindowTitle(i18n::english(N_("Pairs overview")));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
        | Qt::WindowCloseButtonHint);
    setModal(true);
    setSizeGripEnabled(true);
    m_model = new PairsModel(session.DatabaseConnection, this);
    m_groups = new PairGroupsModel(this);
    buildControls();
    m_editor = new TfrmRuleEditor(session, this);

    QSize initial = kInitialSize;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        initial = initial.boundedTo(screen->availableSize());
        resize(initial);
        move(screen->availableGeometry().center() - rect().center());
    } else {
        resize(initial);
    }
    rememberGeometry(this, QStringLiteral("PairsWindow"));
    rememberColumns(lstPairs->header(), QStringLiteral("PairsColumns"));
    rememberColumns(lstGroups->header(), QStringLiteral("PairGroupsColumns"));
    showPlanColumns();

    i18n::TranslateComponent(this);
    updateButtons();
}

TfrmPairs::~TfrmPairs()
{
    // The thread ends before the file operation and the window it reports to go.
    m_batch.reset();
    // The views outlive the list and the table, which go with this class's members: a window
    // destroyed while shown is hidden by QDialog's destructor, and its views ask for their rows.
    m_model->setTable(nullptr);
    m_groups->setTable(nullptr);
}

void TfrmPairs::buildControls()
{
    auto *grpFilters = new QGroupBox(i18n::english(N_("Which pairs are shown")), this);
    grpFilters->setObjectName(QStringLiteral("grpFilters"));
    spnMinDifference = new QSpinBox(grpFilters);
    spnMinDifference->setObjectName(QStringLiteral("spnMinDifference"));
    spnMaxDifference = new QSpinBox(grpFilters);
    spnMaxDifference->setObjectName(QStringLiteral("spnMaxDifference"));
    for (QSpinBox *box : {spnMinDifference, spnMaxDifference}) {
        box->setRange(0, 0);
        box->setGroupSeparatorShown(true);
        box->setKeyboardTracking(false);
    }
    hstDifference = new Histogram(grpFilters);
    hstDifference->setObjectName(QStringLiteral("hstDifference"));
    hstDifference->setToolTip(i18n::english(N_("Drag out the interval of Differences to show")));
    hstDifference->setBinText([this](int bin, qint64 count) {
        const review::DifferenceBins &bins = m_model->bins();
        return qtrFormat(
            "Difference %s to %s: %s pairs", {number(bins.firstOf(bin)), number(bins.lastOf(bin)), number(count)});
    });
    cmbFolder = new QComboBox(grpFilters);
    cmbFolder->setObjectName(QStringLiteral("cmbFolder"));
    cmbFolder->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbFolder->setMinimumContentsLength(16);
    cmbRelation = new QComboBox(grpFilters);
    cmbRelation->setObjectName(QStringLiteral("cmbRelation"));
    cmbRelation->addItems({i18n::english(N_("Same or different folders")), i18n::english(N_("Same folder")),
        i18n::english(N_("Different folders"))});
    cmbFormat = new QComboBox(grpFilters);
    cmbFormat->setObjectName(QStringLiteral("cmbFormat"));
    // Its entries come with the pairs, after the first showing.
    cmbFormat->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    spnGroup = new QSpinBox(grpFilters);
    spnGroup->setObjectName(QStringLiteral("spnGroup"));
    spnGroup->setRange(0, 0);
    spnGroup->setSpecialValueText(i18n::english(N_("all")));
    spnGroup->setKeyboardTracking(false);
    btnShowAll = newButton(grpFilters, "btnShowAll", N_("Show &all"), N_("Take every filter away"));

    auto *differenceLine = new QHBoxLayout;
    differenceLine->addWidget(fieldLabel(grpFilters, "lblDifference", N_("&Difference:"), spnMinDifference));
    differenceLine->addWidget(spnMinDifference);
    differenceLine->addWidget(fieldLabel(grpFilters, "lblDifferenceTo", N_("to"), nullptr));
    differenceLine->addWidget(spnMaxDifference);
    differenceLine->addWidget(hstDifference, 1);
    auto *choiceLine = new QHBoxLayout;
    choiceLine->addWidget(fieldLabel(grpFilters, "lblFolder", N_("&Folder, either side:"), cmbFolder));
    choiceLine->addWidget(cmbFolder, 1);
    choiceLine->addWidget(fieldLabel(grpFilters, "lblRelation", N_("&Within or across folders:"), cmbRelation));
    choiceLine->addWidget(cmbRelation);
    choiceLine->addWidget(fieldLabel(grpFilters, "lblFormat", N_("For&mat, either side:"), cmbFormat));
    choiceLine->addWidget(cmbFormat);
    choiceLine->addWidget(fieldLabel(grpFilters, "lblGroup", N_("&Group:"), spnGroup));
    choiceLine->addWidget(spnGroup);
    choiceLine->addWidget(btnShowAll);
    auto *filterLayout = new QVBoxLayout(grpFilters);
    filterLayout->addLayout(differenceLine);
    filterLayout->addLayout(choiceLine);

    lstGroups = new QTreeView(this);
    lstGroups->setObjectName(QStringLiteral("lstGroups"));
    lstGroups->setModel(m_groups);
    lstGroups->setRootIsDecorated(false);
    lstGroups->setUniformRowHeights(true);
    lstGroups->setAllColumnsShowFocus(true);
    lstGroups->setSelectionMode(QAbstractItemView::SingleSelection);
    lstGroups->setToolTip(i18n::english(N_("Choose a group to show its pairs alone")));
    for (const int column : {PairGroupsModel::Group, PairGroupsModel::Pairs, PairGroupsModel::Pictures})
        lstGroups->header()->resizeSection(column, 55);
    auto *pnlGroups = new QWidget(this);
    pnlGroups->setObjectName(QStringLiteral("pnlGroups"));
    auto *groupsLayout = new QVBoxLayout(pnlGroups);
    groupsLayout->setContentsMargins(0, 0, 0, 0);
    groupsLayout->addWidget(fieldLabel(pnlGroups, "lblGroups", N_("Groups, the largest first:"), nullptr));
    groupsLayout->addWidget(lstGroups);

    lstPairs = new QTreeView(this);
    lstPairs->setObjectName(QStringLiteral("lstPairs"));
    lstPairs->setModel(m_model);
    lstPairs->setRootIsDecorated(false);
    lstPairs->setItemsExpandable(false);
    // Every row as high as the small pictures, so the view never measures a row.
    lstPairs->setUniformRowHeights(true);
    lstPairs->setAllColumnsShowFocus(true);
    lstPairs->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstPairs->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstPairs->setIconSize(PairsModel::pictureSize());
    // Paths keep their start and their end: where the folder lies and which file it is.
    lstPairs->setTextElideMode(Qt::ElideMiddle);
    QHeaderView *header = lstPairs->header();
    header->setSectionsMovable(true);
    header->setStretchLastSection(true);
    const std::pair<int, int> widths[] = {{PairsModel::Group, 60}, {PairsModel::Difference, 100},
        {PairsModel::LeftFile, 200}, {PairsModel::LeftFolder, 200}, {PairsModel::LeftSize, 80},
        {PairsModel::LeftDimensions, 120}, {PairsModel::LeftModified, 150}, {PairsModel::RightFile, 200},
        {PairsModel::RightFolder, 200}, {PairsModel::RightSize, 80}, {PairsModel::RightDimensions, 120},
        {PairsModel::RightModified, 150}, {PairsModel::Verdict, 110}, {PairsModel::Keeper, 130}};
    for (const auto &[column, width] : widths)
        header->resizeSection(column, width);
    // A plan's columns stand beside the Difference, where they are seen without scrolling; they
    // are shown only while there is a plan.
    for (const int column : {PairsModel::Verdict, PairsModel::Keeper, PairsModel::Reasons})
        header->moveSection(header->visualIndex(column),
            header->visualIndex(PairsModel::Difference) + 1 + (column - PairsModel::Verdict));
    header->resizeSection(PairsModel::Reasons, 300);
    lstPairs->setItemDelegateForColumn(PairsModel::Reasons, new ReasonsDelegate(lstPairs));
    header->setSortIndicator(PairsModel::Difference, Qt::AscendingOrder);
    lstPairs->setSortingEnabled(true);

    splPairs = new QSplitter(Qt::Horizontal, this);
    splPairs->setObjectName(QStringLiteral("splPairs"));
    splPairs->addWidget(pnlGroups);
    splPairs->addWidget(lstPairs);
    splPairs->setStretchFactor(0, 0);
    splPairs->setStretchFactor(1, 1);
    splPairs->setSizes({300, kInitialSize.width() - 300});

    lblCounts = new QLabel(this);
    lblCounts->setObjectName(QStringLiteral("lblCounts"));

    cmbRule = new QComboBox(this);
    cmbRule->setObjectName(QStringLiteral("cmbRule"));
    cmbRule->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cmbRule->setMinimumContentsLength(16);
    btnEditRule
        = newButton(this, "btnEditRule", N_("&Edit rule…"), N_("Change the rule's fields, and save it under a name"));
    btnPlan = newButton(this, "btnPlan", N_("&Plan"),
        N_("What the rule would do to the selected pairs, or to the shown ones when at most one is selected"));
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextFormat(Qt::PlainText);
    auto *ruleLine = new QHBoxLayout;
    ruleLine->addWidget(fieldLabel(this, "lblRule", N_("&Rule:"), cmbRule));
    ruleLine->addWidget(cmbRule);
    ruleLine->addWidget(btnEditRule);
    ruleLine->addWidget(btnPlan);
    ruleLine->addWidget(lblSummary, 1);

    btnSelectGroup = newButton(this, "btnSelectGroup", N_("Select the gro&up"),
        N_("Select every shown pair of the groups of the selected pairs"));
    btnSelectShown = newButton(this, "btnSelectShown", N_("Select all s&hown"), nullptr);
    btnApprove = newButton(this, "btnApprove", N_("Appro&ve"), N_("Settle the selected pairs as the plan says"));
    btnSetAside = newButton(this, "btnSetAside", N_("Set as&ide"), N_("Leave the selected pairs as they are"));
    btnOpenPair = newButton(this, "btnOpenPair", N_("&Open pair"), N_("Show the pair in the review window (Enter)"));
    btnNotAMatch = newButton(this, "btnNotAMatch", N_("&Not a match"),
        N_("Declare the selected pairs not a match, as one batch that can be undone"));
    btnSettle = newButton(this, "btnSettle", N_("Se&ttle"),
        N_("Apply the plan's approved pairs as one batch that can be undone as a whole"));
    auto *actionLine = new QHBoxLayout;
    for (QPushButton *button : {btnSelectGroup, btnSelectShown, btnApprove, btnSetAside, btnOpenPair})
        actionLine->addWidget(button);
    actionLine->addStretch();
    actionLine->addWidget(btnNotAMatch);
    actionLine->addWidget(btnSettle);

    lblBatch = new QLabel(this);
    lblBatch->setObjectName(QStringLiteral("lblBatch"));
    prbBatch = new QProgressBar(this);
    prbBatch->setObjectName(QStringLiteral("prbBatch"));
    btnStop = newButton(this, "btnStop", N_("&Stop"), N_("Stop after the pairs in hand; they stay settled"));
    btnClose = newButton(this, "btnClose", N_("&Close"), nullptr);
    auto *batchLine = new QHBoxLayout;
    batchLine->addWidget(lblBatch);
    batchLine->addWidget(prbBatch, 1);
    batchLine->addWidget(btnStop);
    batchLine->addStretch();
    batchLine->addWidget(btnClose);
    for (QWidget *widget : std::initializer_list<QWidget *> {lblBatch, prbBatch, btnStop})
        widget->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grpFilters);
    layout->addWidget(splPairs, 1);
    layout->addWidget(lblCounts);
    layout->addLayout(ruleLine);
    layout->addLayout(actionLine);
    layout->addLayout(batchLine);

    // Figures, names and paths are made here in the language of the moment, or are the user's own.
    for (QObject *object : std::initializer_list<QObject *> {cmbFolder, cmbFormat, cmbRule, lblCounts, lblSummary,
             lblBatch, prbBatch, spnMinDifference, spnMaxDifference})
        i18n::keepUntranslated(object);

    connect(hstDifference, &Histogram::intervalChanged, this, &TfrmPairs::histogramChanged);
    for (QSpinBox *box : {spnMinDifference, spnMaxDifference})
        connect(box, &QSpinBox::valueChanged, this, &TfrmPairs::differenceBoxChanged);
    for (QComboBox *box : {cmbFolder, cmbRelation, cmbFormat})
        connect(box, &QComboBox::currentIndexChanged, this, &TfrmPairs::applyFilter);
    connect(spnGroup, &QSpinBox::valueChanged, this, &TfrmPairs::applyFilter);
    connect(btnShowAll, &QPushButton::clicked, this, &TfrmPairs::btnShowAllClick);
    connect(lstGroups, &QTreeView::activated, this, &TfrmPairs::lstGroupsActivated);
    connect(lstGroups, &QTreeView::clicked, this, &TfrmPairs::lstGroupsActivated);
    connect(lstPairs, &QTreeView::activated, this, &TfrmPairs::lstPairsActivated);
    connect(lstPairs->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        showCounts();
        updateButtons();
    });
    connect(lstPairs->selectionModel(), &QItemSelectionModel::currentChanged, this, &TfrmPairs::updateButtons);
    // A new order or filter resets the rows: the selection is taken across by table entry.
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_keptSelection = selectedEntries(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        selectEntries(m_keptSelection);
        m_keptSelection.clear();
    });
    connect(m_model, &PairsModel::approvalsChanged, this, [this] {
        showPlanColumns();
        showTally();
        updateButtons();
    });
    connect(cmbRule, &QComboBox::currentIndexChanged, this, &TfrmPairs::cmbRuleChange);
    connect(btnEditRule, &QPushButton::clicked, this, &TfrmPairs::btnEditRuleClick);
    connect(btnPlan, &QPushButton::clicked, this, &TfrmPairs::btnPlanClick);
    connect(btnSelectGroup, &QPushButton::clicked, this, &TfrmPairs::btnSelectGroupClick);
    connect(btnSelectShown, &QPushButton::clicked, this, &TfrmPairs::btnSelectShownClick);
    connect(btnApprove, &QPushButton::clicked, this, [this] { btnApproveClick(true); });
    connect(btnSetAside, &QPushButton::clicked, this, [this] { btnApproveClick(false); });
    connect(btnOpenPair, &QPushButton::clicked, this, &TfrmPairs::lstPairsActivated);
    connect(btnNotAMatch, &QPushButton::clicked, this, &TfrmPairs::btnNotAMatchClick);
    connect(btnSettle, &QPushButton::clicked, this, &TfrmPairs::btnSettleClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmPairs::btnStopClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmPairs::reject);
}

void TfrmPairs::setFileOperation(std::unique_ptr<review::FileOperation> operation)
{
    Q_ASSERT(!m_batch);
    m_fileOperation = std::move(operation);
}

void TfrmPairs::setRememberPreference(std::function<bool()> remember)
{
    m_rememberPreference = std::move(remember);
}

void TfrmPairs::setStartPair(qint64 pairId)
{
    m_startPair = pairId;
}

// ---- The pairs ----

void TfrmPairs::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    guarded(this, [this] {
        m_outcome.clear();
        m_unsavedRule.reset();
        fillRules(RuleKind::None, QString());
        // The filters start afresh, so that the rows are filtered once, as the table comes.
        m_model->setFilter({});
        takePairs(true, {});
        resetFilterControls();
        applyFilter();
        if (m_startPair)
            selectPairs({*m_startPair});
        m_startPair.reset();
        lstPairs->setFocus();
    });
}

void TfrmPairs::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    // The list is read afresh at every showing; meanwhile it would only hold memory.
    m_model->setTable(nullptr);
    m_groups->setTable(nullptr);
    m_table.reset();
    m_list.clear();
}

void TfrmPairs::closeEvent(QCloseEvent *event)
{
    // The batch must end first: its notice and the table's change belong to this window.
    if (m_batch) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmPairs::reject()
{
    if (!m_batch)
        QDialog::reject();
}

void TfrmPairs::readPairs()
{
    if (!isVisible())
        return;
    const std::vector<qint64> selection = selectedPairIds();
    takePairs(true, selection);
    applyFilter();
    if (m_startPair)
        selectPairs({*m_startPair});
    m_startPair.reset();
}

void TfrmPairs::takePairs(bool readAgain, const std::vector<qint64> &selection)
{
    // The rows about to go are not to be selected again by entry: the entries change.
    m_keptSelection.clear();
    {
        const QSignalBlocker blocker(lstPairs->selectionModel());
        lstPairs->selectionModel()->clear();
    }
    m_model->setTable(nullptr);
    m_groups->setTable(nullptr);
    if (readAgain) {
        // A list that takes long to read is read with a progress box that keeps the program
        // painted; a short one never shows it.
        std::optional<ProgressIndication> reading;
        QElapsedTimer clock;
        clock.start();
        m_list.read(m_session, m_session.CurrentCollection.ID, [this, &reading, &clock](qint64 done, qint64 total) {
            if (!reading && clock.elapsed() >= kReadingBoxAfterMs && done < total)
                reading.emplace(this, qtr("Reading the pairs..."));
            if (reading)
                reading->advanced(done, total);
        });
    }
    if (m_table)
        m_table->refresh();
    else
        m_table = std::make_unique<review::PairTable>(m_list);
    m_model->setTable(m_table.get());
    m_groups->setTable(m_table.get());
    fillFilterChoices();
    showPlanColumns();
    showTally();
    if (!selection.empty())
        selectPairs(selection);
}

void TfrmPairs::resetFilterControls()
{
    m_changingControls = true;
    const auto done = qScopeGuard([this] { m_changingControls = false; });
    const review::DifferenceBins &bins = m_model->bins();
    spnMinDifference->setValue(spnMinDifference->minimum());
    spnMaxDifference->setValue(spnMaxDifference->maximum());
    hstDifference->setInterval(0, std::max(0, bins.count - 1));
    cmbFolder->setCurrentIndex(0);
    cmbRelation->setCurrentIndex(0);
    cmbFormat->setCurrentIndex(0);
    spnGroup->setValue(0);
}

void TfrmPairs::fillFilterChoices()
{
    m_changingControls = true;
    const auto done = qScopeGuard([this] { m_changingControls = false; });
    const review::DifferenceBins &bins = m_model->bins();
    // The boxes span the bins, which may reach a little past the largest Difference.
    const int lowest = bins.firstOf(0);
    const int highest = bins.count > 0 ? bins.lastOf(bins.count - 1) : lowest;
    const bool wholeRange = spnMinDifference->value() == spnMinDifference->minimum()
        && spnMaxDifference->value() == spnMaxDifference->maximum();
    for (QSpinBox *box : {spnMinDifference, spnMaxDifference})
        box->setRange(lowest, highest);
    if (wholeRange) {
        spnMinDifference->setValue(lowest);
        spnMaxDifference->setValue(highest);
    }
    hstDifference->setInterval(bins.binOf(spnMinDifference->value()), bins.binOf(spnMaxDifference->value()));

    std::set<QString> folders;
    std::set<QString> formats;
    const review::PairList &list = m_list;
    for (uint32_t slot = 1; slot < list.pictureSlots(); ++slot) {
        const review::PairSide &side = list.pictureAt(slot);
        folders.insert(side.folderPath);
        formats.insert(review::formatOf(side.fileName));
    }
    const QCollator collator = review::nameCollator();
    const auto refill = [&collator](QComboBox *box, const QString &any, const std::set<QString> &values) {
        const QString chosen = box->currentIndex() > 0 ? box->currentData().toString() : QString();
        QStringList sorted(values.begin(), values.end());
        std::sort(sorted.begin(), sorted.end(), collator);
        box->clear();
        box->addItem(any, QString());
        for (const QString &value : std::as_const(sorted)) {
            if (!value.isEmpty())
                box->addItem(value, value);
        }
        box->setCurrentIndex(std::max(0, box->findData(chosen)));
    };
    refill(cmbFolder, qtr("Any folder"), folders);
    refill(cmbFormat, qtr("Any format"), formats);
    spnGroup->setRange(0, static_cast<int>(m_table->grouping().groups.size()));
}

void TfrmPairs::applyFilter()
{
    if (m_changingControls || !m_table)
        return;
    review::PairFilter filter;
    // An end at its box's limit is no bound, so that the filter of every pair is the same however
    // the Differences spread.
    if (spnMinDifference->value() > spnMinDifference->minimum())
        filter.minDifference = spnMinDifference->value();
    if (spnMaxDifference->value() < spnMaxDifference->maximum())
        filter.maxDifference = spnMaxDifference->value();
    filter.folder = cmbFolder->currentData().toString();
    filter.relation = static_cast<review::FolderRelation>(cmbRelation->currentIndex());
    filter.format = cmbFormat->currentData().toString();
    filter.group = spnGroup->value();
    m_model->setFilter(filter);
    hstDifference->setCounts(m_model->binCounts());
    // Only now are there bins to hold the interval.
    const review::DifferenceBins &bins = m_model->bins();
    hstDifference->setInterval(bins.binOf(filter.minDifference), bins.binOf(filter.maxDifference));
    {
        // The group panel shows the group of the filter.
        const QSignalBlocker blocker(lstGroups->selectionModel());
        const int row = m_groups->rowOfGroup(filter.group);
        if (row >= 0)
            lstGroups->setCurrentIndex(m_groups->index(row, 0));
        else
            lstGroups->clearSelection();
    }
    showCounts();
    updateButtons();
}

void TfrmPairs::histogramChanged(int first, int last)
{
    const review::DifferenceBins &bins = m_model->bins();
    {
        m_changingControls = true;
        const auto done = qScopeGuard([this] { m_changingControls = false; });
        spnMinDifference->setValue(bins.firstOf(first));
        spnMaxDifference->setValue(bins.lastOf(last));
    }
    applyFilter();
}

void TfrmPairs::differenceBoxChanged()
{
    if (m_changingControls)
        return;
    if (spnMaxDifference->value() < spnMinDifference->value()) {
        // The end the user moved drags the other along.
        const QSignalBlocker blockMin(spnMinDifference);
        const QSignalBlocker blockMax(spnMaxDifference);
        if (sender() == spnMinDifference)
            spnMaxDifference->setValue(spnMinDifference->value());
        else
            spnMinDifference->setValue(spnMaxDifference->value());
    }
    const review::DifferenceBins &bins = m_model->bins();
    hstDifference->setInterval(bins.binOf(spnMinDifference->value()), bins.binOf(spnMaxDifference->value()));
    applyFilter();
}

void TfrmPairs::btnShowAllClick()
{
    resetFilterControls();
    applyFilter();
}

void TfrmPairs::showCounts()
{
    if (!m_table) {
        lblCounts->clear();
        return;
    }
    const auto selected = static_cast<qint64>(selectedEntries().size());
    lblCounts->setText(qtrFormat("%s of %s pairs shown, in %s of %s groups; %s selected",
        {number(m_model->rowCount()), number(static_cast<qint64>(m_table->size())), number(m_model->shownGroups()),
            number(static_cast<qint64>(m_table->grouping().groups.size())), number(selected)}));
}

void TfrmPairs::showTally()
{
    if (!m_model->hasPlan()) {
        lblSummary->setText(m_outcome);
        return;
    }
    const PlanTally tally = m_model->tally();
    const QString rule = m_plannedRuleName.isEmpty() ? qtr("Unsaved rule") : m_plannedRuleName;
    const QString scope = m_planOverSelection ? qtr("the selection") : qtr("the shown pairs");
    lblSummary->setText(qtrFormat("%s over %s: %s pairs in its scope, %s to settle, %s of them approved, giving %s "
                                  "files (%s) to the Trash; %s undecided, %s guarded, %s covered, %s in conflict",
        {rule, scope, number(tally.planned), number(tally.acting), number(tally.approved), number(tally.files),
            bytesText(tally.bytes), number(tally.undecided), number(tally.guarded), number(tally.covered),
            number(tally.conflicts)}));
}

void TfrmPairs::showPlanColumns()
{
    for (const int column : {PairsModel::Verdict, PairsModel::Keeper, PairsModel::Reasons})
        lstPairs->header()->setSectionHidden(column, !m_model->hasPlan());
}

void TfrmPairs::updateButtons()
{
    const bool running = m_batch != nullptr;
    const bool selection = lstPairs->selectionModel()->hasSelection();
    const bool plan = m_model->hasPlan();
    btnSettle->setEnabled(!running && plan && m_model->tally().approved > 0);
    btnNotAMatch->setEnabled(!running && selection);
    btnApprove->setEnabled(!running && plan && selection);
    btnSetAside->setEnabled(!running && plan && selection);
    btnOpenPair->setEnabled(!running && lstPairs->currentIndex().isValid());
    btnSelectGroup->setEnabled(selection);
    btnSelectShown->setEnabled(m_model->rowCount() > 0);
    for (QWidget *widget : std::initializer_list<QWidget *> {cmbRule, btnEditRule, btnPlan})
        widget->setEnabled(!running);
}

// ---- Selection ----

std::vector<uint32_t> TfrmPairs::selectedEntries() const
{
    std::vector<uint32_t> entries;
    if (!m_model->table())
        return entries;
    for (const QItemSelectionRange &range : lstPairs->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom() && row < m_model->rowCount(); ++row)
            entries.push_back(m_model->entryAt(row));
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    return entries;
}

void TfrmPairs::selectEntries(const std::vector<uint32_t> &entries)
{
    if (entries.empty())
        return;
    lstPairs->selectionModel()->select(
        rowsSelection(*m_model, m_model->rowsOfEntries(entries)), QItemSelectionModel::ClearAndSelect);
}

std::vector<qint64> TfrmPairs::selectedPairIds() const
{
    std::vector<qint64> ids;
    if (!m_table)
        return ids;
    for (const uint32_t entry : selectedEntries())
        ids.push_back(m_table->entry(entry).id);
    return ids;
}

void TfrmPairs::selectPairs(const std::vector<qint64> &pairIds)
{
    std::vector<uint32_t> entries;
    for (const qint64 id : pairIds) {
        if (const std::optional<size_t> entry = m_table->indexOf(id))
            entries.push_back(static_cast<uint32_t>(*entry));
    }
    selectEntries(entries);
    if (pairIds.size() == 1) {
        if (const std::optional<int> row = m_model->rowOf(pairIds.front())) {
            const QModelIndex index = m_model->index(*row, 0);
            lstPairs->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            lstPairs->scrollTo(index, QAbstractItemView::PositionAtCenter);
        }
    }
}

void TfrmPairs::btnSelectGroupClick()
{
    guarded(this, [this] {
        std::set<int32_t> groups;
        for (const uint32_t entry : selectedEntries())
            groups.insert(m_table->entry(entry).group);
        std::vector<int> rows;
        for (int row = 0; row < m_model->rowCount(); ++row) {
            if (groups.count(m_table->entry(m_model->entryAt(row)).group))
                rows.push_back(row);
        }
        lstPairs->selectionModel()->select(rowsSelection(*m_model, rows), QItemSelectionModel::ClearAndSelect);
    });
}

void TfrmPairs::btnSelectShownClick()
{
    lstPairs->selectAll();
}

void TfrmPairs::lstGroupsActivated()
{
    const QModelIndex index = lstGroups->currentIndex();
    if (index.isValid())
        spnGroup->setValue(index.data(PairGroupsModel::kGroupRole).toInt());
}

void TfrmPairs::lstPairsActivated()
{
    const QModelIndex index = lstPairs->currentIndex();
    if (m_batch || !index.isValid())
        return;
    emit pairOpened(m_model->pairIdAt(index.row()));
}

// ---- Rules and plans ----

void TfrmPairs::fillRules(RuleKind kind, const QString &name)
{
    m_changingControls = true;
    const auto done = qScopeGuard([this] { m_changingControls = false; });
    cmbRule->clear();
    cmbRule->addItem(qtr("No rule"), static_cast<int>(RuleKind::None));
    for (const store::StoredRule &rule : store::ListRules(m_session)) {
        cmbRule->addItem(rule.name, static_cast<int>(RuleKind::Saved));
        if (kind == RuleKind::Saved && rule.name == name)
            cmbRule->setCurrentIndex(cmbRule->count() - 1);
    }
    if (m_unsavedRule) {
        cmbRule->addItem(qtr("Unsaved rule"), static_cast<int>(RuleKind::Unsaved));
        if (kind == RuleKind::Unsaved)
            cmbRule->setCurrentIndex(cmbRule->count() - 1);
    }
}

std::optional<review::Rule> TfrmPairs::chosenRule(QString &name, QString &text) const
{
    name.clear();
    text.clear();
    switch (static_cast<RuleKind>(cmbRule->currentData().toInt())) {
    case RuleKind::None:
        return std::nullopt;
    case RuleKind::Unsaved:
        text = review::ruleToText(*m_unsavedRule);
        return m_unsavedRule;
    case RuleKind::Saved:
        break;
    }
    name = cmbRule->currentText();
    const std::optional<store::StoredRule> stored = store::FindRule(m_session, name);
    if (!stored)
        throw Error(qtrFormat("There is no rule named %s", {name}).toStdString());
    text = stored->definition;
    return review::ruleFromText(stored->definition);
}

void TfrmPairs::cmbRuleChange()
{
    if (m_changingControls)
        return;
    btnPlanClick();
}

void TfrmPairs::btnEditRuleClick()
{
    guarded(this, [this] {
        QString name, text;
        std::optional<review::Rule> rule = chosenRule(name, text);
        if (!rule)
            rule = startingRule();
        m_editor->setRule(name, *rule);
        if (m_editor->exec() != QDialog::Accepted)
            return;
        if (m_editor->ruleName().isEmpty()) {
            m_unsavedRule = m_editor->rule();
            fillRules(RuleKind::Unsaved, QString());
        } else {
            fillRules(RuleKind::Saved, m_editor->ruleName());
        }
        btnPlanClick();
    });
}

void TfrmPairs::btnPlanClick()
{
    guarded(this, [this] {
        if (!m_table)
            return;
        QString name, text;
        const std::optional<review::Rule> rule = chosenRule(name, text);
        if (!rule) {
            m_model->clearPlan();
            showTally();
            updateButtons();
            return;
        }
        std::vector<uint32_t> entries = selectedEntries();
        m_planOverSelection = entries.size() >= 2;
        if (!m_planOverSelection)
            entries = m_model->shownEntries();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        // In list order, which is what the plan's order of acting pairs is built on.
        std::vector<review::PairRow> rows;
        rows.reserve(entries.size());
        for (const uint32_t entry : entries)
            rows.push_back(m_table->rowOf(entry));
        review::Plan plan = review::makePlan(rows, *rule);
        m_plannedRuleName = name;
        m_plannedRuleText = text;
        m_outcome.clear();
        m_model->setPlan(std::move(plan));
        showTally();
        updateButtons();
    });
}

void TfrmPairs::btnApproveClick(bool approved)
{
    m_model->approve(m_model->rowsOfEntries(selectedEntries()), approved);
}

// ---- Batches ----

void TfrmPairs::btnSettleClick()
{
    guarded(this, [this] {
        if (m_batch || !m_model->hasPlan())
            return;
        std::vector<review::BatchStep> steps = m_model->approvedSteps();
        if (steps.empty())
            return;
        const PlanTally tally = m_model->tally();
        const QString rule = m_plannedRuleName.isEmpty() ? qtr("Unsaved rule") : m_plannedRuleName;
        if (!askYesNo(this, qtr("Confirmation"),
                qtrFormat("Settle %s pairs by the rule %s? %s files (%s) go to the Trash. The batch can be undone as "
                          "a whole in the resolution history.",
                    {number(static_cast<qint64>(steps.size())), rule, number(tally.files), bytesText(tally.bytes)})))
            return;
        startBatch(std::move(steps), m_plannedRuleName, m_plannedRuleText);
    });
}

void TfrmPairs::btnNotAMatchClick()
{
    guarded(this, [this] {
        if (m_batch)
            return;
        const std::vector<uint32_t> entries = selectedEntries();
        if (entries.empty())
            return;
        if (!askYesNo(this, qtr("Confirmation"),
                qtrFormat("Declare the %s selected pairs not a match? They leave the list. The batch can be undone "
                          "as a whole in the resolution history.",
                    {number(static_cast<qint64>(entries.size()))})))
            return;
        std::vector<review::BatchStep> steps;
        steps.reserve(entries.size());
        for (const uint32_t entry : entries)
            steps.push_back({m_table->rowOf(entry), review::ResolutionAction::NotAMatch});
        review::Rule notAMatch;
        notAMatch.action = review::RuleAction::NotAMatch;
        startBatch(std::move(steps), QString(), review::ruleToText(notAMatch));
    });
}

void TfrmPairs::startBatch(std::vector<review::BatchStep> steps, const QString &ruleName, const QString &ruleText)
{
    const bool remember
        = m_rememberPreference ? m_rememberPreference() : settings::SettingsStore().load().rememberNotAMatch;
    const auto total = static_cast<int>(steps.size());
    m_batch = std::make_unique<BatchThread>(m_session.DatabaseConnection.fileName(), m_list.collectionId(),
        std::move(steps), review::BatchOptions {ruleName, ruleText, remember}, *m_fileOperation,
        [this](const review::BatchProgress &progress) {
            QMetaObject::invokeMethod(
                this, [this, progress] { showBatchProgress(progress); }, Qt::QueuedConnection);
        });
    connect(m_batch.get(), &QThread::finished, this, &TfrmPairs::batchEnded);
    prbBatch->setRange(0, std::max(1, total));
    prbBatch->setValue(0);
    lblBatch->setText(qtrFormat("Settling %s pairs...", {number(total)}));
    btnStop->setEnabled(true);
    for (QWidget *widget : std::initializer_list<QWidget *> {lblBatch, prbBatch, btnStop})
        widget->show();
    updateButtons();
    m_batch->start();
}

void TfrmPairs::showBatchProgress(const review::BatchProgress &progress)
{
    if (!m_batch)
        return;
    prbBatch->setRange(0, std::max(1, progress.total));
    prbBatch->setValue(progress.done);
    lblBatch->setText(qtrFormat("%s of %s pairs, %s to the Trash",
        {number(progress.done), number(progress.total), bytesText(progress.bytesFreed)}));
}

void TfrmPairs::btnStopClick()
{
    if (!m_batch)
        return;
    m_batch->requestStop();
    btnStop->setEnabled(false);
    lblBatch->setText(qtr("Stopping after the pairs in hand..."));
}

void TfrmPairs::batchEnded()
{
    const std::unique_ptr<BatchThread> batch = std::move(m_batch);
    if (!batch)
        return;
    batch->wait();
    for (QWidget *widget : std::initializer_list<QWidget *> {lblBatch, prbBatch, btnStop})
        widget->hide();
    const std::vector<qint64> selection = selectedPairIds();
    guarded(this, [&] {
        if (!batch->error().isEmpty()) {
            // What the chunks before the error settled stays settled: the list is read again.
            takePairs(true, selection);
            applyFilter();
            m_outcome.clear();
            showTally();
            updateButtons();
            showErrorReport(this, batch->error());
            return;
        }
        const review::BatchResult &result = batch->result();
        review::followBatch(m_list, result);
        takePairs(false, selection);
        applyFilter();

        QString text = qtrFormat("%s pairs settled: %s files (%s) moved to the Trash.",
            {number(result.settled), number(static_cast<qint64>(result.removedPictures.size())),
                bytesText(result.bytesFreed)});
        if (result.stopped)
            text += QLatin1Char(' ') + qtr("Stopped; the pairs settled so far stay settled.");
        m_outcome = text;
        if (!result.skipped.empty()) {
            text += QLatin1Char('\n')
                + qtrFormat("%s pairs were skipped:", {number(static_cast<qint64>(result.skipped.size()))});
            for (size_t i = 0; i < result.skipped.size() && i < kSkippedNamed; ++i) {
                text += QLatin1Char('\n')
                    + qtrFormat("pair %s: %s", {QString::number(result.skipped[i].pairId), result.skipped[i].reason});
            }
            if (result.skipped.size() > kSkippedNamed)
                text += QLatin1Char('\n')
                    + qtrFormat("and %s more", {number(static_cast<qint64>(result.skipped.size() - kSkippedNamed))});
            m_outcome += QLatin1Char(' ')
                + qtrFormat("%s pairs were skipped.", {number(static_cast<qint64>(result.skipped.size()))});
        }
        text += QLatin1Char('\n') + qtr("The resolution history undoes the batch as a whole.");
        showTally();
        updateButtons();
        notify(this, applicationTitle(), text);
    });
    emit batchFinished();
}

} // namespace vexaris::ui
