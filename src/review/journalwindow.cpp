#include "review/journalwindow.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "i18n/qtranslate.h"
#include "review/actions.h"
#include "review/batch.h"
#include "review/fileoperation.h"
#include "review/rule.h"
#include "review/undo.h"
#include "store/journal.h"
#include "store/session.h"
#include "ui/componenttranslation.h"
#include "ui/datetimetext.h"
#include "ui/dialogs.h"
#include "ui/errorreport.h"

namespace vexaris::ui {

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kUndoneRole = Qt::UserRole + 1;
// On a batch's line: true. Its pairs' lines are single resolutions under it.
constexpr int kBatchRole = Qt::UserRole + 2;

enum ResolutionColumn { kTime, kAction, kLeft, kRight, kTrash, kDifference, kUndone, kResolutionColumns };
enum NotAMatchColumn { kRememberedTime, kRememberedLeft, kRememberedRight, kNotAMatchColumns };

QTreeWidget *newList(QWidget *parent, const char *name, const QStringList &titles)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Paths keep their start and their end: where the folder lies and which file it is.
    list->setTextElideMode(Qt::ElideMiddle);
    list->setHeaderLabels(titles);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return list;
}

// A cell that may be shortened: the whole text as its tool tip.
void setLongText(QTreeWidgetItem *item, int column, const QString &text)
{
    item->setText(column, text);
    item->setToolTip(column, text);
}

// What a batch was made by: its rule's name, else what its rule did.
QString batchCaption(const store::BatchEntry &batch)
{
    if (!batch.ruleName.isEmpty())
        return qtrFormat("Batch of the rule %s", {batch.ruleName});
    try {
        if (review::ruleFromText(batch.rule).action == review::RuleAction::NotAMatch)
            return qtr("Batch of pairs declared not a match");
    } catch (const std::exception &) {
        // A rule this program cannot read is still a batch: the line says no more than that.
    }
    return qtr("Batch of an unsaved rule");
}

QPushButton *newButton(QWidget *parent, const char *name, const char *text)
{
    auto *button = new QPushButton(i18n::english(text), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

TfrmJournal::TfrmJournal(store::Session &session, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
    , m_fileOperation(std::make_unique<review::QtFileOperation>())
{
    setObjectName(QStringLiteral("frmJournal"));
    setWindowTitle(i18n::english(N_("Resolution history")));
    setModal(true);
    setSizeGripEnabled(true);
    // Wide enough for two paths beside the other columns, but never wider than the screen.
    QSize initial(1240, 640);
    if (const QScreen *where = QGuiApplication::primaryScreen())
        initial = initial.boundedTo(where->availableSize());
    resize(initial);

    grpResolutions = new QGroupBox(i18n::english(N_("Resolutions of the current collection, newest first")), this);
    grpResolutions->setObjectName(QStringLiteral("grpResolutions"));
    lstResolutions = newList(grpResolutions, "lstResolutions",
        {i18n::english(N_("Time")), i18n::english(N_("Action")), i18n::english(N_("Left file")),
            i18n::english(N_("Right file")), i18n::english(N_("Trash entry")), i18n::english(N_("Difference")),
            i18n::english(N_("Undone"))});
    // A batch opens to its pairs.
    lstResolutions->setRootIsDecorated(true);
    QHeaderView *header = lstResolutions->header();
    header->setSectionResizeMode(kLeft, QHeaderView::Stretch);
    header->setSectionResizeMode(kRight, QHeaderView::Stretch);
    header->setSectionResizeMode(kTrash, QHeaderView::Interactive);
    header->resizeSection(kTrash, 140);
    btnUndo = newButton(grpResolutions, "btnUndo", N_("&Undo"));
    btnUndo->setToolTip(i18n::english(
        N_("Take back the selected resolution or batch, or the newest resolution when none is selected")));
    auto *resolutionButtons = new QHBoxLayout;
    resolutionButtons->addStretch();
    resolutionButtons->addWidget(btnUndo);
    auto *resolutionLayout = new QVBoxLayout(grpResolutions);
    resolutionLayout->addWidget(lstResolutions);
    resolutionLayout->addLayout(resolutionButtons);

    grpNotAMatches = new QGroupBox(i18n::english(N_("Pairs remembered as not a match")), this);
    grpNotAMatches->setObjectName(QStringLiteral("grpNotAMatches"));
    lstNotAMatches = newList(grpNotAMatches, "lstNotAMatches",
        {i18n::english(N_("Remembered")), i18n::english(N_("Left file")), i18n::english(N_("Right file"))});
    lstNotAMatches->header()->setSectionResizeMode(kRememberedLeft, QHeaderView::Stretch);
    lstNotAMatches->header()->setSectionResizeMode(kRememberedRight, QHeaderView::Stretch);
    btnForget = newButton(grpNotAMatches, "btnForget", N_("&Forget the selected pair"));
    btnForget->setToolTip(i18n::english(N_("The next scan that compares the two pictures reports them again")));
    auto *notAMatchButtons = new QHBoxLayout;
    notAMatchButtons->addStretch();
    notAMatchButtons->addWidget(btnForget);
    auto *notAMatchLayout = new QVBoxLayout(grpNotAMatches);
    notAMatchLayout->addWidget(lstNotAMatches);
    notAMatchLayout->addLayout(notAMatchButtons);

    btnClose = newButton(this, "btnClose", N_("&Close"));
    auto *closeLine = new QHBoxLayout;
    closeLine->addStretch();
    closeLine->addWidget(btnClose);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grpResolutions, 3);
    layout->addWidget(grpNotAMatches, 2);
    layout->addLayout(closeLine);

    connect(btnUndo, &QPushButton::clicked, this, &TfrmJournal::btnUndoClick);
    connect(btnForget, &QPushButton::clicked, this, &TfrmJournal::btnForgetClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(lstResolutions, &QTreeWidget::itemSelectionChanged, this, &TfrmJournal::updateButtons);
    connect(lstNotAMatches, &QTreeWidget::itemSelectionChanged, this, &TfrmJournal::updateButtons);

    i18n::TranslateComponent(this);
    updateButtons();
}

TfrmJournal::~TfrmJournal() = default;

void TfrmJournal::setFileOperation(std::unique_ptr<review::FileOperation> operation)
{
    m_fileOperation = std::move(operation);
}

void TfrmJournal::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The lists are read afresh each time, in the language of the moment.
    guarded(this, [this] {
        lstResolutions->clear();
        lstNotAMatches->clear();
        fillLists();
    });
}

std::optional<qint64> TfrmJournal::selectedId(const QTreeWidget *list) const
{
    const QList<QTreeWidgetItem *> selected = list->selectedItems();
    if (selected.isEmpty() || selected.first()->data(0, kBatchRole).toBool())
        return std::nullopt;
    return selected.first()->data(0, kIdRole).toLongLong();
}

std::optional<qint64> TfrmJournal::selectedBatch() const
{
    const QList<QTreeWidgetItem *> selected = lstResolutions->selectedItems();
    if (selected.isEmpty() || !selected.first()->data(0, kBatchRole).toBool())
        return std::nullopt;
    return selected.first()->data(0, kIdRole).toLongLong();
}

void TfrmJournal::fillLists()
{
    const std::optional<qint64> resolution = selectedId(lstResolutions);
    const std::optional<qint64> batch = selectedBatch();
    const std::optional<qint64> remembered = selectedId(lstNotAMatches);
    QSet<qint64> openBatches;
    for (int row = 0; row < lstResolutions->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = lstResolutions->topLevelItem(row);
        if (item->data(0, kBatchRole).toBool() && item->isExpanded())
            openBatches.insert(item->data(0, kIdRole).toLongLong());
    }
    lstResolutions->clear();
    lstNotAMatches->clear();

    const int collection = m_session.CurrentCollection.ID;
    QHash<qint64, store::BatchEntry> batches;
    for (store::BatchEntry &entry : store::ListBatches(m_session, collection))
        batches.insert(entry.id, std::move(entry));
    // A batch stands where its newest resolution would, its resolutions under it.
    QHash<qint64, QTreeWidgetItem *> batchItems;
    for (const store::JournalEntry &entry : store::ListResolutions(m_session, collection)) {
        QTreeWidgetItem *parent = nullptr;
        if (entry.batchId != 0 && batches.contains(entry.batchId)) {
            parent = batchItems.value(entry.batchId);
            if (!parent) {
                const store::BatchEntry &made = batches[entry.batchId];
                parent = new QTreeWidgetItem(lstResolutions);
                parent->setData(0, kIdRole, made.id);
                parent->setData(0, kBatchRole, true);
                parent->setData(0, kUndoneRole, made.undone >= made.resolutions);
                parent->setText(kTime, localDateTimeWithZoneText(made.time));
                setLongText(parent, kAction, batchCaption(made));
                parent->setText(kLeft, qtrFormat("%s pairs", {QLocale().toString(made.resolutions)}));
                parent->setText(kUndone,
                    made.undone == 0 ? qtr("No") : (made.undone >= made.resolutions ? qtr("Yes") : qtr("Partly")));
                if (batch == made.id)
                    parent->setSelected(true);
                if (openBatches.contains(made.id))
                    parent->setExpanded(true);
                batchItems.insert(made.id, parent);
            }
        }
        auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(lstResolutions);
        item->setData(0, kIdRole, entry.id);
        item->setData(0, kUndoneRole, entry.undone);
        item->setText(kTime, localDateTimeWithZoneText(entry.time));
        item->setText(kAction, qtr(review::actionInfo(entry.action).caption));
        setLongText(item, kLeft, entry.leftPath);
        setLongText(item, kRight, entry.rightPath);
        setLongText(item, kTrash, entry.trashInfoName);
        item->setText(kDifference, QString::number(entry.difference));
        item->setTextAlignment(kDifference, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(kUndone, entry.undone ? qtr("Yes") : qtr("No"));
        if (resolution == entry.id)
            item->setSelected(true);
    }
    for (const store::RememberedNotAMatch &pair : store::ListRememberedNotAMatches(m_session)) {
        auto *item = new QTreeWidgetItem(lstNotAMatches);
        item->setData(0, kIdRole, pair.id);
        item->setText(kRememberedTime, localDateTimeWithZoneText(pair.time));
        setLongText(item, kRememberedLeft, pair.leftPath);
        setLongText(item, kRememberedRight, pair.rightPath);
        if (remembered == pair.id)
            item->setSelected(true);
    }
    updateButtons();
}

void TfrmJournal::updateButtons()
{
    const QList<QTreeWidgetItem *> selected = lstResolutions->selectedItems();
    bool canUndo = false;
    if (!selected.isEmpty()) {
        canUndo = !selected.first()->data(0, kUndoneRole).toBool();
    } else {
        for (int row = 0; row < lstResolutions->topLevelItemCount() && !canUndo; ++row)
            canUndo = !lstResolutions->topLevelItem(row)->data(0, kUndoneRole).toBool();
    }
    btnUndo->setEnabled(canUndo);
    btnForget->setEnabled(!lstNotAMatches->selectedItems().isEmpty());
}

void TfrmJournal::btnUndoClick()
{
    guarded(this, [this] {
        if (const std::optional<qint64> batch = selectedBatch()) {
            undoBatch(*batch);
            return;
        }
        std::optional<qint64> entry = selectedId(lstResolutions);
        if (!entry)
            entry = store::LastResolution(m_session, m_session.CurrentCollection.ID);
        if (entry)
            review::UndoResolution(m_session, *m_fileOperation, *entry);
    });
    // Read again after a refusal as well: the list may be out of step with the database, say
    // with an entry that another program undid meanwhile.
    guarded(this, [this] { fillLists(); });
}

void TfrmJournal::undoBatch(qint64 batchId)
{
    const review::BatchUndoResult result = review::UndoBatch(m_session, *m_fileOperation, batchId);
    QString text = qtrFormat("%s restored, %s refused.",
        {QLocale().toString(result.restored), QLocale().toString(static_cast<qint64>(result.refused.size()))});
    for (const review::RefusedUndo &refused : result.refused)
        text += QLatin1Char('\n') + refused.reason;
    notify(this, applicationTitle(), text, result.refused.empty() ? QMessageBox::Information : QMessageBox::Warning);
}

void TfrmJournal::btnForgetClick()
{
    guarded(this, [this] {
        const std::optional<qint64> pair = selectedId(lstNotAMatches);
        if (!pair)
            return;
        store::ForgetRememberedNotAMatch(m_session, *pair);
        fillLists();
    });
}

} // namespace vexaris::ui
