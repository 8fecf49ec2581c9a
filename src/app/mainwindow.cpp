#include "app/mainwindow.h"

#include <memory>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/aboutwindow.h"
#include "app/scancommand.h"
#include "app/updatecommand.h"
#include "app/viewcommand.h"
#include "common/bytenames.h"
#include "common/error.h"
#include "i18n/catalog.h"
#include "i18n/qtranslate.h"
#include "log/logwindow.h"
#include "log/processinglog.h"
#include "review/fileoperation.h"
#include "review/journalwindow.h"
#include "review/pairgroups.h"
#include "review/undo.h"
#include "runs/duplicatescan.h"
#include "settings/optionswindow.h"
#include "settings/settingsstore.h"
#include "store/data.h"
#include "store/foldertree.h"
#include "ui/componenttranslation.h"
#include "ui/dialogs.h"
#include "ui/errorreport.h"
#include "ui/keyboard.h"
#include "ui/translatedwindows.h"
#include "ui/windowlayout.h"

namespace vexaris::ui {

namespace {

constexpr int kInitialWidth = 750;
constexpr int kInitialHeight = 488;
constexpr int kCollectionBoxWidth = 241;
constexpr int kTreePanelWidth = 225;
constexpr int kTreePanelMinWidth = 150;
constexpr int kListPanelMinWidth = 200;

QIcon actionIcon(const char *name)
{
    const QString base = QStringLiteral(":/icons/") + QLatin1String(name);
    QIcon icon;
    icon.addFile(base + QStringLiteral(".png"), QSize(), QIcon::Normal);
    icon.addFile(base + QStringLiteral("-disabled.png"), QSize(), QIcon::Disabled);
    icon.addFile(base + QStringLiteral("-highlighted.png"), QSize(), QIcon::Active);
    return icon;
}

QAction *newAction(QObject *parent, const char *objectName, const char *caption, const char *hint, const char *icon)
{
    auto *action = new QAction(parent);
    action->setObjectName(QLatin1String(objectName));
    action->setText(i18n::english(caption));
    action->setToolTip(i18n::english(hint));
    action->setIcon(actionIcon(icon));
    return action;
}

} // namespace

TfrmMain::TfrmMain(
    store::Session &session, log::ProcessingLog &processingLog, const QString &databaseFile, QWidget *parent)
    : QMainWindow(parent)
    , lstCollectionFolders(new QListWidget)
    , m_session(session)
    , m_log(processingLog)
    , m_folders(lstCollectionFolders)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(i18n::english(N_("Vexaris 3.0")));
    setWindowIcon(QIcon(QStringLiteral(":/icons/vexaris.png")));
    createActions();
    createMenus();
    createToolBars();
    createPanels();
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(true);
    // A label rather than the bar's own message, which a menu's tips would wipe out.
    lblStatus = new QLabel;
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    i18n::keepUntranslated(lblStatus);
    statusBar()->addWidget(lblStatus, 1);

    resize(kInitialWidth, kInitialHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    rememberGeometry(this, QStringLiteral("MainWindow"));

    FormCreate(databaseFile);

    // The enabling rules follow every change without each handler having to remember them.
    connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, &TfrmMain::updateActions);
    updateActions();
}

TfrmMain::~TfrmMain()
{
    // FormDestroy
    m_session.DisconnectDatabase();
}

void TfrmMain::setWindows(const MainWindowParts &parts)
{
    m_parts = parts;
}

void TfrmMain::FormCreate(const QString &databaseFile)
{
    m_session.CurrentCollection.ID = 0;
    m_session.ConnectDatabase(databaseFile);
    // A window that fails to come up is never destroyed as one, so it lets the connection go here.
    auto closeOnFailure = qScopeGuard([this] { m_session.DisconnectDatabase(); });
    {
        // What a crash left on its way is settled before any window reads the journal or the pairs.
        review::QtFileOperation files;
        review::SettleUnfinished(m_session, files);
    }
    setListCollections();
    setAcceptDrops(true);

    // A stored language that cannot be read or selected leaves the default language in force.
    try {
        if (const auto language = settings::SettingsStore().storedLanguage())
            i18n::SelectLanguage(*language);
    } catch (const std::exception &) {
    }

    // Names and paths are the user's own and never pass through the catalog.
    i18n::keepUntranslated(cmbCollection);
    i18n::keepUntranslated(tvShellFolders);
    i18n::keepUntranslated(lstCollectionFolders);
    i18n::TranslateComponent(this);
    closeOnFailure.dismiss();
}

void TfrmMain::createActions()
{
    actSaveCollection = newAction(this, "actSaveCollection", N_("Save collection"),
        N_("Create a new empty collection with the currently entered name"), "0-savecollection");
    actDeleteCollection = newAction(this, "actDeleteCollection", N_("Delete collection"),
        N_("Permanently delete the current collection"), "1-deletecollection");
    actPreferences
        = newAction(this, "actPreferences", N_("&Preferences"), N_("Open the Preferences dialog box"), "2-preferences");
    actUpdate = newAction(this, "actUpdate", N_("&Update"),
        N_("Update the thumbnail data for the collection in the database"), "3-update");
    actScan = newAction(this, "actScan", N_("&Scan for duplicates"),
        N_("Search the collection for duplicates with the current settings"), "4-scan");
    actViewDuplicates = newAction(
        this, "actViewDuplicates", N_("&View duplicates"), N_("Open the duplicate viewing window"), "5-viewduplicates");
    actPairs = newAction(this, "actPairs", N_("&Pairs overview"),
        N_("All pairs of the collection in one table: their groups and Differences, and rules to settle many at once"),
        "7-pairs");
    actPairs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    actPairs->setEnabled(false);
    actPreferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    // A menu entry only: the tool bars hold only the everyday actions.
    actJournal = new QAction(i18n::english(N_("Resolution &history…")), this);
    actJournal->setObjectName(QStringLiteral("actJournal"));
    actJournal->setEnabled(false);
    // Without a mouse to drag with, folders come through the desktop's folder chooser.
    actAddFolder = newAction(this, "actAddFolder", N_("Add &folder…"),
        N_("Add a folder with every folder below it to the collection (with Shift: the folder alone)"), "6-addfolder");
    actAddFolder->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_O), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)});
    actAddFolder->setEnabled(false);
    // The log of the runs stays readable after its window was closed.
    actLog = new QAction(i18n::english(N_("Processing &log")), this);
    actLog->setObjectName(QStringLiteral("actLog"));
    actLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));

    actUpdate->setEnabled(false);
    actScan->setEnabled(false);
    actViewDuplicates->setEnabled(false);

    connect(actUpdate, &QAction::triggered, this, &TfrmMain::actUpdateExecute);
    connect(actScan, &QAction::triggered, this, &TfrmMain::actScanExecute);
    connect(actViewDuplicates, &QAction::triggered, this, &TfrmMain::actViewDuplicatesExecute);
    connect(actPairs, &QAction::triggered, this, &TfrmMain::actPairsExecute);
    connect(actPreferences, &QAction::triggered, this, &TfrmMain::actPreferencesExecute);
    connect(actJournal, &QAction::triggered, this, &TfrmMain::actJournalExecute);
    connect(actAddFolder, &QAction::triggered, this, &TfrmMain::actAddFolderExecute);
    connect(actLog, &QAction::triggered, this, &TfrmMain::actLogExecute);
    connect(actSaveCollection, &QAction::triggered, this, &TfrmMain::actSaveCollectionExecute);
    connect(actDeleteCollection, &QAction::triggered, this, &TfrmMain::actDeleteCollectionExecute);
}

void TfrmMain::createMenus()
{
    QMenu *mnuFile = menuBar()->addMenu(i18n::english(N_("&File")));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->addAction(actPreferences);
    mnuFile->addSeparator();
    mnuFileExit = mnuFile->addAction(i18n::english(N_("Exit")));
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    mnuFileExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(mnuFileExit, &QAction::triggered, this, &TfrmMain::mnuFileExitClick);

    QMenu *mnuActions = menuBar()->addMenu(i18n::english(N_("&Actions")));
    mnuActions->setObjectName(QStringLiteral("mnuActions"));
    mnuActions->addAction(actAddFolder);
    mnuActions->addSeparator();
    mnuActions->addAction(actUpdate);
    mnuActions->addAction(actScan);
    mnuActions->addAction(actViewDuplicates);
    mnuActions->addAction(actPairs);
    mnuActions->addAction(actJournal);
    mnuActions->addAction(actLog);

    QMenu *mnuHelp = menuBar()->addMenu(i18n::english(N_("&Help")));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpAbout = mnuHelp->addAction(i18n::english(N_("&About")));
    mnuHelpAbout->setObjectName(QStringLiteral("mnuHelpAbout"));
    connect(mnuHelpAbout, &QAction::triggered, this, &TfrmMain::mnuHelpAboutClick);
    Manual1 = mnuHelp->addAction(i18n::english(N_("&Manual")));
    Manual1->setObjectName(QStringLiteral("Manual1"));
    Manual1->setShortcut(QKeySequence(Qt::Key_F1));
    connect(Manual1, &QAction::triggered, this, &TfrmMain::Manual1Click);
}

void TfrmMain::createToolBars()
{
    QToolBar *tbCollection = addToolBar(QString());
    tbCollection->setObjectName(QStringLiteral("tbCollection"));
    tbCollection->setMovable(false);
    auto *lblCollection = new QLabel(i18n::english(N_("Collection:  ")));
    lblCollection->setObjectName(QStringLiteral("lblCollection"));
    tbCollection->addWidget(lblCollection);
    cmbCollection = new QComboBox;
    cmbCollection->setObjectName(QStringLiteral("cmbCollection"));
    cmbCollection->setEditable(true);
    // Every partial name is looked up as typed; completing it would jump ahead of the user.
    cmbCollection->setCompleter(nullptr);
    cmbCollection->setInsertPolicy(QComboBox::NoInsert);
    cmbCollection->setFixedWidth(kCollectionBoxWidth);
    tbCollection->addWidget(cmbCollection);
    tbCollection->addAction(actSaveCollection);
    tbCollection->addAction(actDeleteCollection);
    tbCollection->addAction(actAddFolder);
    connect(cmbCollection, &QComboBox::editTextChanged, this, &TfrmMain::cmbCollectionChange);

    QToolBar *tbActions = addToolBar(QString());
    tbActions->setObjectName(QStringLiteral("tbActions"));
    tbActions->setMovable(false);
    tbActions->addAction(actUpdate);
    tbActions->addAction(actScan);
    tbActions->addAction(actViewDuplicates);
    tbActions->addAction(actPairs);
    tbActions->addAction(actPreferences);
}

void TfrmMain::createPanels()
{
    auto *pnlShellFolders = new QWidget;
    pnlShellFolders->setObjectName(QStringLiteral("pnlShellFolders"));
    auto *lblShellFolders = new QLabel(i18n::english(N_("  Folders on your machine:")));
    lblShellFolders->setObjectName(QStringLiteral("lblShellFolders"));
    m_shellModel = new QFileSystemModel(this);
    m_shellModel->setObjectName(QStringLiteral("shellFolderModel"));
    // The tree shows the folders as they were when it read them, as a snapshot of the machine.
    m_shellModel->setOption(QFileSystemModel::DontWatchForChanges);
    m_shellModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_shellModel->setRootPath(QDir::rootPath());
    tvShellFolders = new QTreeView;
    tvShellFolders->setObjectName(QStringLiteral("tvShellFolders"));
    tvShellFolders->setModel(m_shellModel);
    for (int column = 1; column < m_shellModel->columnCount(); ++column)
        tvShellFolders->hideColumn(column);
    tvShellFolders->header()->hide();
    tvShellFolders->setSelectionMode(QAbstractItemView::SingleSelection);
    tvShellFolders->setDragEnabled(true);
    tvShellFolders->setDragDropMode(QAbstractItemView::DragOnly);
    tvShellFolders->setDefaultDropAction(Qt::CopyAction);
    tvShellFolders->setRootIsDecorated(false);
    scrollTreeToHome();
    auto *shellLayout = new QVBoxLayout(pnlShellFolders);
    shellLayout->setContentsMargins(0, 0, 0, 0);
    shellLayout->addWidget(lblShellFolders);
    shellLayout->addWidget(tvShellFolders);
    pnlShellFolders->setMinimumWidth(kTreePanelMinWidth);

    auto *pnlCollectionFolders = new QWidget;
    pnlCollectionFolders->setObjectName(QStringLiteral("pnlCollectionFolders"));
    auto *lblCollectionFolders = new QLabel(i18n::english(N_("  Folders in the current collection:")));
    lblCollectionFolders->setObjectName(QStringLiteral("lblCollectionFolders"));
    lstCollectionFolders->setObjectName(QStringLiteral("lstCollectionFolders"));
    lstCollectionFolders->setSelectionMode(QAbstractItemView::SingleSelection);
    lstCollectionFolders->setAcceptDrops(true);
    lstCollectionFolders->setDragDropMode(QAbstractItemView::DropOnly);
    lstCollectionFolders->installEventFilter(this);
    lstCollectionFolders->viewport()->installEventFilter(this);
    connect(lstCollectionFolders, &QListWidget::itemChanged, this, &TfrmMain::lstCollectionFoldersClickCheck);
    auto *listLayout = new QVBoxLayout(pnlCollectionFolders);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(lblCollectionFolders);
    listLayout->addWidget(lstCollectionFolders);
    pnlCollectionFolders->setMinimumWidth(kListPanelMinWidth);

    splitter = new QSplitter(Qt::Horizontal);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->addWidget(pnlShellFolders);
    splitter->addWidget(pnlCollectionFolders);
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kTreePanelWidth, kInitialWidth - kTreePanelWidth});
    setCentralWidget(splitter);
}

void TfrmMain::scrollTreeToHome()
{
    const QModelIndex home = m_shellModel->index(QDir::homePath());
    auto unlisted = std::make_shared<QStringList>();
    for (QModelIndex index = home.parent(); index.isValid(); index = index.parent()) {
        tvShellFolders->expand(index);
        unlisted->append(m_shellModel->filePath(index));
    }
    auto scroll
        = [this] { tvShellFolders->scrollTo(m_shellModel->index(QDir::homePath()), QAbstractItemView::PositionAtTop); };
    // The model lists each folder in the background and sorts the rows it added a little later;
    // rows that arrive or are sorted in above the home folder push it down. So once each folder on
    // the way has been listed, its rows are sorted at once (the model's own sort then finds them in
    // order and moves nothing) and the tree scrolls to the home folder again.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(m_shellModel, &QFileSystemModel::directoryLoaded, this,
        [this, scroll, unlisted, connection](const QString &folder) {
            if (!unlisted->removeOne(folder))
                return;
            m_shellModel->sort(0, Qt::AscendingOrder);
            scroll();
            if (unlisted->isEmpty())
                disconnect(*connection);
        });
    scroll();
}

QString TfrmMain::collectionName() const
{
    return cmbCollection->currentText();
}

void TfrmMain::setListCollections()
{
    QStringList names;
    store::ListCollections(m_session, names);
    // Refilling the list must neither change the typed text nor count as the user's change.
    const QSignalBlocker blocker(cmbCollection);
    const QString text = cmbCollection->currentText();
    cmbCollection->clear();
    cmbCollection->addItems(names);
    cmbCollection->setEditText(text);
}

void TfrmMain::reloadCollection()
{
    m_changingEntries = true;
    const auto done = qScopeGuard([this] { m_changingEntries = false; });
    if (!store::LoadCollection(m_session, collectionName(), m_session.CurrentCollection, m_folders))
        m_folders.clearFolders();
}

void TfrmMain::updateActions()
{
    actUpdateUpdate();
    actScanUpdate();
    actViewDuplicatesUpdate();
    actPairsUpdate();
    actJournalUpdate();
    actAddFolderUpdate();
    actSaveCollectionUpdate();
    actDeleteCollectionUpdate();
}

void TfrmMain::actUpdateUpdate()
{
    actUpdate->setEnabled(m_session.CurrentCollection.ID > 0);
}

void TfrmMain::actScanUpdate()
{
    actScan->setEnabled(m_session.CurrentCollection.ID > 0);
}

void TfrmMain::actViewDuplicatesUpdate()
{
    actViewDuplicates->setEnabled(m_session.CurrentCollection.ID > 0);
}

void TfrmMain::actPairsUpdate()
{
    actPairs->setEnabled(m_session.CurrentCollection.ID > 0);
}

void TfrmMain::actJournalUpdate()
{
    actJournal->setEnabled(m_session.CurrentCollection.ID > 0);
}

void TfrmMain::actAddFolderUpdate()
{
    actAddFolder->setEnabled(m_session.CurrentCollection.ID > 0);
}

void TfrmMain::actSaveCollectionUpdate()
{
    actSaveCollection->setEnabled(m_session.CurrentCollection.ID == 0 && !collectionName().isEmpty());
}

void TfrmMain::actDeleteCollectionUpdate()
{
    actDeleteCollection->setEnabled(m_session.CurrentCollection.ID > 0);
}

void TfrmMain::cmbCollectionChange(const QString &)
{
    guarded(this, [this] { reloadCollection(); });
}

void TfrmMain::actSaveCollectionExecute()
{
    guarded(this, [this] {
        store::checkCollectionName(collectionName());
        store::AddCollection(m_session, collectionName());
        setListCollections();
        reloadCollection();
    });
}

void TfrmMain::actDeleteCollectionExecute()
{
    guarded(this, [this] {
        if (!askYesNo(this, qtr("Confirmation"),
                qtr("Do you want to remove the selected collection? (The collected thumbnails data will be "
                    "permanently deleted.)")))
            return;
        store::DeleteCollection(m_session, m_session.CurrentCollection.ID);
        setListCollections();
        m_folders.clearFolders();
        m_session.CurrentCollection.ID = 0;
    });
}

void TfrmMain::actUpdateExecute()
{
    guarded(this, [this] {
        const QString collection = m_session.CurrentCollection.Name;
        const runs::ThumbnailRunSummary summary = executeThumbnailUpdate(this, m_session, m_log, *m_parts.getThumbs,
            *m_parts.log, static_cast<unsigned>(m_parts.options->threads()));
        const QLocale locale;
        const QString read = locale.toString(summary.picturesRead);
        const QString unread = locale.toString(summary.problems);
        lblStatus->setText(summary.stopped
                ? qtrFormat("%s: update stopped; %s pictures read, %s could not be read", {collection, read, unread})
                : qtrFormat("%s: %s pictures read, %s could not be read", {collection, read, unread}));
    });
}

void TfrmMain::actScanExecute()
{
    guarded(this, [this] {
        // The reload also follows a failed scan, before its error is reported; a failing reload
        // gets its own report instead of ending the program in the middle of unwinding.
        const auto reload = qScopeGuard([this] { guarded(this, [this] { reloadCollection(); }); });
        // The marks choose the folders of this scan only: the collection is loaded afresh, with
        // every entry unchecked, before the run starts.
        runs::ScanParameters parameters;
        parameters.checkedFolderIds = checkedFolderIds();
        parameters.method = m_parts.options->method();
        parameters.threshold = m_parts.options->threshold();
        parameters.fullRun = liveShiftDown();
        parameters.threads = static_cast<unsigned>(m_parts.options->threads());
        parameters.skipRememberedNotAMatches = m_parts.options->rememberNotAMatch();
        reloadCollection();
        parameters.collectionName = m_session.CurrentCollection.Name;
        const runs::ScanSummary summary = executeScan(this, m_session, parameters, *m_parts.scan, m_log, *m_parts.log);
        if (summary.outcome == runs::ScanOutcome::Declined)
            return;
        const review::PairTally tally = review::countPairsAndGroups(m_session, m_session.CurrentCollection.ID);
        const QLocale locale;
        const QString pairs = locale.toString(tally.pairs);
        const QString groups = locale.toString(tally.groups);
        lblStatus->setText(summary.outcome == runs::ScanOutcome::Stopped
                ? qtrFormat(
                    "%s: scan stopped; %s pairs in %s groups so far", {parameters.collectionName, pairs, groups})
                : qtrFormat("%s: %s pairs in %s groups", {parameters.collectionName, pairs, groups}));
    });
}

void TfrmMain::actViewDuplicatesExecute()
{
    guarded(this, [this] { executeViewDuplicates(this, m_session, *m_parts.duplicates); });
}

void TfrmMain::actPairsExecute()
{
    guarded(this, [this] { executePairsOverview(this, m_session, *m_parts.pairs); });
}

void TfrmMain::actPreferencesExecute()
{
    guarded(this, [this] { m_parts.options->exec(); });
}

void TfrmMain::actJournalExecute()
{
    guarded(this, [this] { m_parts.journal->exec(); });
}

void TfrmMain::actLogExecute()
{
    guarded(this, [this] { m_parts.log->showLog(); });
}

void TfrmMain::actAddFolderExecute()
{
    guarded(this, [this] {
        if (m_session.CurrentCollection.ID <= 0)
            return;
        // Shift counts as the command is given (Ctrl+Shift+O, a Shift-click), not once the chooser
        // has closed.
        const bool alone = liveShiftDown();
        const QString path = chooseFolder(this, qtr("Add folder"), QDir::homePath());
        if (!path.isEmpty())
            addFolderFromOutside(path, alone);
    });
}

void TfrmMain::mnuFileExitClick()
{
    close();
}

void TfrmMain::mnuHelpAboutClick()
{
    guarded(this, [this] { m_parts.about->exec(); });
}

QString TfrmMain::manualFile()
{
#ifdef Q_OS_WIN
    const QString name = qtr("VexarisEN.chm");
#else
    // No Linux desktop opens a compiled help file, so the pages it is compiled from stand in for it.
    // TRANSLATORS: the manual's start page inside Help/; a translated manual names its own page here.
    const QString name = qtr("index.html");
#endif
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Help/") + name);
}

void TfrmMain::Manual1Click()
{
    // Whether a viewer opened the file is the desktop's business; there is no message of our own.
    guarded(this, [] { QDesktopServices::openUrl(QUrl::fromLocalFile(manualFile())); });
}

QListWidgetItem *TfrmMain::selectedEntry() const
{
    QListWidgetItem *item = lstCollectionFolders->currentItem();
    return item && item->isSelected() ? item : nullptr;
}

QString TfrmMain::selectedTreePath() const
{
    const QModelIndexList selected = tvShellFolders->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : m_shellModel->filePath(selected.first());
}

void TfrmMain::addSingleFolder(const QString &path)
{
    // A folder the collection holds already, by whatever path, would give every file two rows.
    if (store::FindFolder(m_session, m_session.CurrentCollection.ID, path))
        return;
    const int folderId = store::AddFolder(m_session, m_session.CurrentCollection.ID, path);
    m_changingEntries = true;
    const auto done = qScopeGuard([this] { m_changingEntries = false; });
    m_folders.insertEntry(path, folderId);
}

void TfrmMain::AddFolderTree(const QString &path)
{
    m_changingEntries = true;
    const auto done = qScopeGuard([this] { m_changingEntries = false; });
    QStringList skipped;
    QStringList tooLong;
    store::AddFolderTree(m_session, path, m_folders, skipped, &tooLong);
    if (skipped.isEmpty() && tooLong.isEmpty())
        return;
    for (const QString &folder : std::as_const(skipped))
        m_log.append(qtrFormat(N_("The folder %s is left out: its name is not valid UTF-8."), {folder}));
    for (const QString &folder : std::as_const(tooLong))
        m_log.append(qtrFormat(N_("The folder %s is left out: its path is longer than the system allows."), {folder}));
    m_parts.log->showLog();
}

bool TfrmMain::lstCollectionFoldersDragOver(const QObject *source) const
{
    return source == tvShellFolders && !selectedTreePath().isEmpty() && m_session.CurrentCollection.ID > 0;
}

void TfrmMain::lstCollectionFoldersDragDrop(const QObject *source)
{
    guarded(this, [this, source] {
        if (source != tvShellFolders)
            return;
        const QString path = selectedTreePath();
        if (path.isEmpty())
            return;
        if (liveShiftDown())
            addSingleFolder(path);
        else
            AddFolderTree(path);
    });
}

void TfrmMain::WMDropFiles(const QList<QUrl> &urls)
{
    guarded(this, [this, &urls] {
        if (m_session.CurrentCollection.ID <= 0)
            return;
        for (const QUrl &url : urls) {
            if (!url.isLocalFile())
                continue;
            // The URL keeps the name's bytes; the decoded path has lost those that are not UTF-8.
            const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
            if (!isValidUtf8(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) {
                m_log.append(qtrFormat(N_("The folder %s is left out: its name is not valid UTF-8."),
                    {QString::fromStdString(printableName(bytes.toStdString()))}));
                m_parts.log->showLog();
                continue;
            }
            addFolderFromOutside(url.toLocalFile(), liveShiftDown());
        }
    });
}

void TfrmMain::addFolderFromOutside(QString path, bool alone)
{
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (!QFileInfo(path).isDir())
        return;
    if (alone)
        addSingleFolder(path);
    else
        AddFolderTree(path);
}

void TfrmMain::lstCollectionFoldersKeyDown(QKeyEvent *event)
{
    guarded(this, [this, event] {
        QListWidgetItem *item = selectedEntry();
        if (!item || event->key() != Qt::Key_Delete)
            return;
        const QString path = CollectionFolderList::path(item);
        const bool single = event->modifiers().testFlag(Qt::ShiftModifier);
        const QString question = single
            ? qtrFormat("Do you want to remove the folder %s from the collection? (The collected thumbnails data "
                        "will be permanently deleted.)",
                {path})
            : qtrFormat("Do you want to remove all subfolders of %s from the collection? (The collected thumbnails "
                        "data will be permanently deleted.)",
                {path});
        if (!askYesNo(this, qtr("Confirmation"), question))
            return;
        if (single)
            store::RemoveFolder(m_session, m_session.CurrentCollection.ID, path);
        else
            store::RemoveFolderTree(m_session, m_session.CurrentCollection.ID, path);
        // The list follows the rows the store removed: every entry of this path (a folder added
        // twice has two), and without Shift every entry below it as well.
        m_changingEntries = true;
        const auto done = qScopeGuard([this] { m_changingEntries = false; });
        for (int row = lstCollectionFolders->count() - 1; row >= 0; --row) {
            const QString entry = lstCollectionFolders->item(row)->text();
            if (single ? entry == path : store::inFolderTree(entry, path))
                delete lstCollectionFolders->takeItem(row);
        }
    });
}

void TfrmMain::lstCollectionFoldersClickCheck(QListWidgetItem *item)
{
    if (m_changingEntries)
        return;
    guarded(this, [this, item] {
        lstCollectionFolders->setCurrentItem(item);
        if (liveShiftDown())
            return;
        m_changingEntries = true;
        const auto done = qScopeGuard([this] { m_changingEntries = false; });
        const QString path = CollectionFolderList::path(item);
        const Qt::CheckState state = item->checkState();
        // The list is in case-insensitive order, so everything that begins with the path follows
        // it in one run; of that run only the folders below it change, not a sibling such as
        // "/photos old" after "/photos".
        for (int row = lstCollectionFolders->row(item) + 1; row < lstCollectionFolders->count(); ++row) {
            QListWidgetItem *next = lstCollectionFolders->item(row);
            const QString text = CollectionFolderList::path(next);
            if (!text.startsWith(path, Qt::CaseInsensitive))
                break;
            if (store::inFolderTree(text, path))
                next->setCheckState(state);
        }
    });
}

void TfrmMain::lstCollectionFoldersDblClick()
{
    guarded(this, [this] {
        QListWidgetItem *item = selectedEntry();
        if (!item)
            return;
        const QString oldPath = CollectionFolderList::path(item);
        const QString newPath = inputText(this, qtr("Change folder path"), qtr("Enter new path:"), oldPath);
        if (newPath == oldPath)
            return;
        store::RenameFolder(m_session, CollectionFolderList::folderId(item), newPath);
        m_changingEntries = true;
        const auto done = qScopeGuard([this] { m_changingEntries = false; });
        m_folders.renameEntry(item, newPath);
    });
}

QMenu *TfrmMain::createPopupMenu()
{
    return nullptr;
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstCollectionFolders && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete) {
            lstCollectionFoldersKeyDown(key);
            return true;
        }
    } else if (watched == lstCollectionFolders || watched == lstCollectionFolders->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            const bool accept
                = drag->source() ? lstCollectionFoldersDragOver(drag->source()) : drag->mimeData()->hasUrls();
            if (accept) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            if (drop->source())
                lstCollectionFoldersDragDrop(drop->source());
            else
                WMDropFiles(drop->mimeData()->urls());
            return true;
        }
        case QEvent::MouseButtonDblClick:
            if (watched != lstCollectionFolders->viewport())
                break;
            lstCollectionFoldersDblClick();
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Drops from the desktop land anywhere on the window; a node of our own tree dropped elsewhere
// than on the folder list means nothing.
void TfrmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->source() && event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TfrmMain::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->source() && event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TfrmMain::dropEvent(QDropEvent *event)
{
    if (event->source() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    WMDropFiles(event->mimeData()->urls());
}

} // namespace vexaris::ui
