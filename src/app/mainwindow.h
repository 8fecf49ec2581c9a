// The main window: the collection box, the tree of the machine's folders, the folder check list
// of the current collection, and the commands that start the runs. Every handler runs its body
// through the general error report, so a failed command leaves the window usable.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QUrl>

#include "app/collectionfolderlist.h"

class QAction;
class QComboBox;
class QFileSystemModel;
class QKeyEvent;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QSplitter;
class QTreeView;

namespace vexaris::log {
class ProcessingLog;
class TfrmLog;
} // namespace vexaris::log

namespace vexaris::settings {
class TfrmOptions;
}

namespace vexaris::store {
class Session;
}

namespace vexaris::ui {

class TfrmAbout;
class TfrmDuplicates;
class TfrmGetThumbs;
class TfrmJournal;
class TfrmPairs;
class TfrmScan;

// The windows the main window's commands show; main() makes them after the main window.
struct MainWindowParts
{
    TfrmGetThumbs *getThumbs = nullptr;
    log::TfrmLog *log = nullptr;
    TfrmScan *scan = nullptr;
    settings::TfrmOptions *options = nullptr;
    TfrmAbout *about = nullptr;
    TfrmDuplicates *duplicates = nullptr;
    TfrmJournal *journal = nullptr;
    TfrmPairs *pairs = nullptr;
};

class TfrmMain : public QMainWindow
{
    Q_OBJECT

public:
    // Opens the database file as the session's connection for the window's life. Raises an
    // error when it cannot be opened: the program then has nothing to show.
    TfrmMain(store::Session &session, log::ProcessingLog &processingLog, const QString &databaseFile,
        QWidget *parent = nullptr);
    ~TfrmMain() override;

    // The windows the commands show; until they are given, no command may run.
    void setWindows(const MainWindowParts &parts);

    // What the runs read: the collection box's text and the checked folders, in list order.
    QString collectionName() const;
    QList<int> checkedFolderIds() const { return m_folders.checkedFolderIds(); }

    // Loads the collection named in the box into CurrentCollection and the folder check list;
    // an unknown name leaves none current and the list empty.
    void reloadCollection();

    // The enabling rules of the six actions; run whenever the program is idle.
    void updateActions();

    // The window's routine that adds a folder and every folder below it.
    void AddFolderTree(const QString &path);

    // Handlers, by the names of the events they serve. Each runs through the error report.
    bool lstCollectionFoldersDragOver(const QObject *source) const;
    void lstCollectionFoldersDragDrop(const QObject *source);
    void WMDropFiles(const QList<QUrl> &urls);
    void lstCollectionFoldersKeyDown(QKeyEvent *event);
    void lstCollectionFoldersClickCheck(QListWidgetItem *item);
    void lstCollectionFoldersDblClick();
    void cmbCollectionChange(const QString &text);
    void actUpdateExecute();
    void actScanExecute();
    void actViewDuplicatesExecute();
    void actPairsExecute();
    void actPreferencesExecute();
    void actJournalExecute();
    void actAddFolderExecute();
    void actLogExecute();
    void actSaveCollectionExecute();
    void actDeleteCollectionExecute();
    void mnuFileExitClick();
    void mnuHelpAboutClick();
    void Manual1Click();

    // The manual's file: Help/ in the program's folder, under the translated name.
    static QString manualFile();

    QComboBox *cmbCollection = nullptr;
    QTreeView *tvShellFolders = nullptr;
    QListWidget *lstCollectionFolders = nullptr;
    QSplitter *splitter = nullptr;
    // What the last update or scan did.
    QLabel *lblStatus = nullptr;

    QAction *actUpdate = nullptr;
    QAction *actScan = nullptr;
    QAction *actViewDuplicates = nullptr;
    QAction *actPairs = nullptr;
    QAction *actPreferences = nullptr;
    QAction *actJournal = nullptr;
    QAction *actAddFolder = nullptr;
    QAction *actLog = nullptr;
    QAction *actSaveCollection = nullptr;
    QAction *actDeleteCollection = nullptr;
    QAction *mnuFileExit = nullptr;
    QAction *mnuHelpAbout = nullptr;
    QAction *Manual1 = nullptr;

protected:
    // None: its only entries would hide the tool bars, and with them the collection box.
    QMenu *createPopupMenu() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void FormCreate(const QString &databaseFile);
    void createActions();
    void createMenus();
    void createToolBars();
    void createPanels();
    void scrollTreeToHome();

    void actUpdateUpdate();
    void actScanUpdate();
    void actViewDuplicatesUpdate();
    void actPairsUpdate();
    void actJournalUpdate();
    void actAddFolderUpdate();
    void actSaveCollectionUpdate();
    void actDeleteCollectionUpdate();

    // Adds one folder row to the current collection and its entry to the list.
    void addSingleFolder(const QString &path);
    // A folder from outside the window (a drop, the folder chooser): with the folders below it,
    // or alone (Shift); anything but a folder adds nothing.
    void addFolderFromOutside(QString path, bool alone);
    QListWidgetItem *selectedEntry() const;
    QString selectedTreePath() const;
    void setListCollections();

    store::Session &m_session;
    log::ProcessingLog &m_log;
    MainWindowParts m_parts;
    QFileSystemModel *m_shellModel = nullptr;
    CollectionFolderList m_folders;
    // Set while the window itself changes entries, so that only the user's check clicks count.
    bool m_changingEntries = false;
};

} // namespace vexaris::ui
