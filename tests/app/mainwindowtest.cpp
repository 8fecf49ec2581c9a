// The main window on a fresh database and real folders in a temporary directory: what the user
// types, drags, drops, deletes, checks and renames, and what the database holds afterwards.
#include "app/mainwindow.h"

#include <algorithm>

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>

#include <QSignalSpy>
#include <QTest>

#include "app/aboutwindow.h"
#include "app/desktop.h"
#include "i18n/catalog.h"
#include "i18n/catalogfixture.h"
#include "log/processinglog.h"
#include "settings/optionswindow.h"
#include "store/data.h"
#include "store/journal.h"
#include "store/session.h"
#include "support/testdatabase.h"
#include "support/testdialogs.h"
#include "ui/dialogs.h"
#include "ui/keyboard.h"

using namespace vexaris;
using namespace vexaris::ui;

namespace {

// Lets the event loop run until it has nothing left to do and is about to wait, which is when
// the program does its idle work (the window's handler was connected first, so it has run).
void letIdle()
{
    QEventLoop loop;
    QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
}

bool makeFolders(const QString &root, const QStringList &relative)
{
    for (const QString &folder : relative) {
        if (!QDir(root).mkpath(folder))
            return false;
    }
    return true;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithOnlyPreferencesAndSaveAfterTyping();
    void typingLooksUpEveryPartialName_data();
    void typingLooksUpEveryPartialName();
    void pickingFromTheListLoadsTheCollection();
    void saveMakesTheNewCollectionCurrent();
    void saveRefusesANameNoOneCouldTypeBack();
    void deleteCollection_data();
    void deleteCollection();
    void dragOverAcceptsOnlyTheTreeWithACollection();
    void draggingATreeAddsEveryVisibleFolder();
    void shiftDraggingAddsTheFolderAlone();
    void aHiddenFolderDraggedItselfIsAdded();
    void dropsFromTheDesktop_data();
    void dropsFromTheDesktop();
    void shiftIsReadAgainForEveryDroppedFolder();
    void addFolderCommand_data();
    void addFolderCommand();
    void keepsItsSizeAndPositionBetweenRuns();
    void deleteKey_data();
    void deleteKey();
    void checkMarks_data();
    void checkMarks();
    void doubleClickChangesThePath_data();
    void doubleClickChangesThePath();
    void scanReloadsTheCollection_data();
    void scanReloadsTheCollection();
    void scanUsesThePreferencesWindowsMethodAndThreshold();
    void scanPassesOverRememberedPairsWhenTicked_data();
    void scanPassesOverRememberedPairsWhenTicked();
    void errorInAHandlerIsReportedAndTheWindowGoesOn();
    void manualOpensTheHelpFile_data();
    void manualOpensTheHelpFile();
    void toolStripCannotBeHidden();
    void folderTreeOpensAtHome();
    void changeFolderPathBoxShowsThePath_data();
    void changeFolderPathBoxShowsThePath();
    void preferencesAndAboutAreModal_data();
    void preferencesAndAboutAreModal();
    void storedLanguageTranslatesTheWindowAtStart();
    void preferencesFitWithinTheMainWindow_data();
    void preferencesFitWithinTheMainWindow();
    void noWindowWithoutAUsableDatabase_data();
    void noWindowWithoutAUsableDatabase();
    void exitClosesTheWindow();

public slots:
    void openUrl(const QUrl &url) { m_openedUrls.append(url); }

private:
    QStringList listTexts() const;
    QListWidgetItem *entry(const QString &path) const;
    void typeName(const QString &name);
    void selectInTree(const QString &path);
    int makeCurrentCollection(const QString &name);
    void sendDrop(QWidget *target, const QList<QUrl> &urls);
    // The program's windows over the test's database, as main() makes them.
    void makeDesktop();

    qint64 queryInt(const QString &sql, const store::Parameters &parameters = {});
    int insertCollection(const QString &name);
    int insertFolder(int collectionId, const QString &path);
    // The stored paths of a collection's folders, sorted, to compare with the list.
    QStringList storedPaths(int collectionId);
    QString storedPath(int folderId);

    std::unique_ptr<test::TestDatabase> m_database;
    std::unique_ptr<QTemporaryDir> m_disk;
    store::Session m_session;
    log::ProcessingLog m_log;
    std::unique_ptr<Desktop> m_desktop;
    TfrmMain *m_window = nullptr;
    TestDialogs m_dialogs;
    QList<QUrl> m_openedUrls;
};

void TestMainWindow::init()
{
    // Each test starts with the window's first size, whatever an earlier one left behind.
    QSettings(QStringLiteral("Quillmark"), QStringLiteral("Vexaris")).remove(QStringLiteral("Layout"));
    m_database = std::make_unique<test::TestDatabase>();
    m_disk = std::make_unique<QTemporaryDir>();
    QVERIFY(m_disk->isValid());
    m_dialogs.reset();
    setDialogHook(&m_dialogs);
    setShiftDownForTests(false);
    makeDesktop();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestMainWindow::makeDesktop()
{
    m_desktop.reset();
    m_desktop = std::make_unique<Desktop>(m_session, m_log, m_database->path());
    m_window = &m_desktop->frmMain;
}

qint64 TestMainWindow::queryInt(const QString &sql, const store::Parameters &parameters)
{
    store::Statement statement(m_session.DatabaseConnection, sql);
    statement.bindAll(parameters);
    if (!statement.step())
        return -1;
    return statement.column(0).toInt64();
}

int TestMainWindow::insertCollection(const QString &name)
{
    m_session.DatabaseConnection.Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES (?)"), {name});
    return static_cast<int>(m_session.DatabaseConnection.lastInsertId());
}

int TestMainWindow::insertFolder(int collectionId, const QString &path)
{
    m_session.DatabaseConnection.Execute(
        QStringLiteral("INSERT INTO Folder (CollectionID, Path) VALUES (?, ?)"), {collectionId, path});
    return static_cast<int>(m_session.DatabaseConnection.lastInsertId());
}

QStringList TestMainWindow::storedPaths(int collectionId)
{
    QStringList paths;
    store::Statement statement(
        m_session.DatabaseConnection, QStringLiteral("SELECT Path FROM Folder WHERE CollectionID = ? ORDER BY Path"));
    statement.bind(0, collectionId);
    while (statement.step())
        paths.append(statement.column(0).toString());
    return paths;
}

QString TestMainWindow::storedPath(int folderId)
{
    store::Statement statement(m_session.DatabaseConnection, QStringLiteral("SELECT Path FROM Folder WHERE ID = ?"));
    statement.bind(0, folderId);
    return statement.step() ? statement.column(0).toString() : QString();
}

void TestMainWindow::cleanup()
{
    m_desktop.reset();
    m_window = nullptr;
    setDialogHook(nullptr);
    setShiftDownForTests(std::nullopt);
    m_database.reset();
    m_disk.reset();
}

QStringList TestMainWindow::listTexts() const
{
    QStringList texts;
    for (int row = 0; row < m_window->lstCollectionFolders->count(); ++row)
        texts.append(m_window->lstCollectionFolders->item(row)->text());
    return texts;
}

QListWidgetItem *TestMainWindow::entry(const QString &path) const
{
    const auto found = m_window->lstCollectionFolders->findItems(path, Qt::MatchExactly);
    return found.size() == 1 ? found.first() : nullptr;
}

void TestMainWindow::typeName(const QString &name)
{
    m_window->cmbCollection->lineEdit()->clear();
    QTest::keyClicks(m_window->cmbCollection->lineEdit(), name);
}

void TestMainWindow::selectInTree(const QString &path)
{
    auto *model = qobject_cast<QFileSystemModel *>(m_window->tvShellFolders->model());
    QVERIFY(model);
    const QModelIndex index = model->index(path);
    QVERIFY(index.isValid());
    m_window->tvShellFolders->setCurrentIndex(index);
}

int TestMainWindow::makeCurrentCollection(const QString &name)
{
    const int id = insertCollection(name);
    typeName(name);
    return id;
}

void TestMainWindow::sendDrop(QWidget *target, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint centre(target->width() / 2, target->height() / 2);
    // The drop goes to the widget that accepted the drag when it entered, as in a real drag.
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

void TestMainWindow::startsWithOnlyPreferencesAndSaveAfterTyping()
{
    letIdle();
    QCOMPARE(m_window->cmbCollection->currentText(), QString());
    QCOMPARE(m_session.CurrentCollection.ID, 0);
    QVERIFY(m_window->actPreferences->isEnabled());
    QVERIFY(!m_window->actSaveCollection->isEnabled());
    QVERIFY(!m_window->actDeleteCollection->isEnabled());
    QVERIFY(!m_window->actUpdate->isEnabled());
    QVERIFY(!m_window->actScan->isEnabled());
    QVERIFY(!m_window->actViewDuplicates->isEnabled());

    QTest::keyClicks(m_window->cmbCollection->lineEdit(), QStringLiteral("N"));
    letIdle();
    QVERIFY(m_window->actSaveCollection->isEnabled());
    QVERIFY(!m_window->actUpdate->isEnabled());

    // Emptying the box again takes Save collection away.
    QTest::keyClick(m_window->cmbCollection->lineEdit(), Qt::Key_Backspace);
    letIdle();
    QVERIFY(!m_window->actSaveCollection->isEnabled());
}

void TestMainWindow::typingLooksUpEveryPartialName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("current");

    QTest::newRow("a prefix of the name") << QStringLiteral("Holi") << false;
    QTest::newRow("the name as stored") << QStringLiteral("Holiday") << true;
    QTest::newRow("the name in other letter case") << QStringLiteral("hOLIDAY") << true;
    QTest::newRow("the name and one letter more") << QStringLiteral("Holidays") << false;
    QTest::newRow("the name with a trailing blank") << QStringLiteral("Holiday ") << false;
}

void TestMainWindow::typingLooksUpEveryPartialName()
{
    QFETCH(QString, typed);
    QFETCH(bool, current);

    const int holiday = insertCollection(QStringLiteral("Holiday"));
    const int folder = insertFolder(holiday, QStringLiteral("/pictures/holiday"));
    insertCollection(QStringLiteral("Work"));

    // Letter by letter: each partial name is looked up, and only the complete name is current.
    m_window->cmbCollection->lineEdit()->clear();
    for (qsizetype length = 1; length <= typed.size(); ++length) {
        QTest::keyClick(m_window->cmbCollection->lineEdit(), typed.at(length - 1).toLatin1());
        const bool whole = QString::compare(typed.left(length), QStringLiteral("Holiday"), Qt::CaseInsensitive) == 0;
        QCOMPARE(m_session.CurrentCollection.ID, whole ? holiday : 0);
    }
    letIdle();

    QCOMPARE(m_window->cmbCollection->currentText(), typed);
    QCOMPARE(m_session.CurrentCollection.ID > 0, current);
    QCOMPARE(m_window->actSaveCollection->isEnabled(), !current);
    QCOMPARE(m_window->actDeleteCollection->isEnabled(), current);
    QCOMPARE(m_window->actUpdate->isEnabled(), current);
    if (current) {
        QCOMPARE(m_session.CurrentCollection.Name, QStringLiteral("Holiday"));
        QCOMPARE(listTexts(), QStringList {QStringLiteral("/pictures/holiday")});
        QCOMPARE(CollectionFolderList::folderId(m_window->lstCollectionFolders->item(0)), folder);
    } else {
        QCOMPARE(listTexts(), QStringList());
    }
}

void TestMainWindow::pickingFromTheListLoadsTheCollection()
{
    // The box's list was filled when the window was created; refill it through a save.
    const int holiday = insertCollection(QStringLiteral("Holiday"));
    insertFolder(holiday, QStringLiteral("/b"));
    insertFolder(holiday, QStringLiteral("/A"));
    typeName(QStringLiteral("Garden"));
    letIdle();
    m_window->actSaveCollection->trigger();
    const QStringList names {QStringLiteral("Holiday"), QStringLiteral("Garden")};
    QCOMPARE(m_window->cmbCollection->count(), 2);
    QCOMPARE(m_window->cmbCollection->itemText(0), names[0]);
    QCOMPARE(m_window->cmbCollection->itemText(1), names[1]);

    m_window->cmbCollection->setCurrentIndex(0);
    QCOMPARE(m_session.CurrentCollection.ID, holiday);
    // Sorted without regard to letter case, whatever order the rows came in.
    QCOMPARE(listTexts(), (QStringList {QStringLiteral("/A"), QStringLiteral("/b")}));
    for (int row = 0; row < 2; ++row)
        QCOMPARE(m_window->lstCollectionFolders->item(row)->checkState(), Qt::Unchecked);
}

void TestMainWindow::saveMakesTheNewCollectionCurrent()
{
    typeName(QStringLiteral("Bob's pictures"));
    letIdle();
    QVERIFY(m_window->actSaveCollection->isEnabled());
    m_window->actSaveCollection->trigger();
    letIdle();

    const qint64 id
        = queryInt(QStringLiteral("SELECT ID FROM Collection WHERE Name = ?"), {QStringLiteral("Bob's pictures")});
    QVERIFY(id > 0);
    QCOMPARE(m_session.CurrentCollection.ID, id);
    QCOMPARE(m_window->cmbCollection->currentText(), QStringLiteral("Bob's pictures"));
    QCOMPARE(m_window->cmbCollection->findText(QStringLiteral("Bob's pictures")), 0);
    QCOMPARE(listTexts(), QStringList());
    QVERIFY(!m_window->actSaveCollection->isEnabled());
    QVERIFY(m_window->actDeleteCollection->isEnabled());
    QVERIFY(m_window->actScan->isEnabled());
}

void TestMainWindow::saveRefusesANameNoOneCouldTypeBack()
{
    typeName(QStringLiteral(" Bob"));
    letIdle();
    m_window->actSaveCollection->trigger();
    letIdle();
    QCOMPARE(m_dialogs.notices.size(), 1);
    QCOMPARE(m_dialogs.notices[0].text, QStringLiteral("The collection name \" Bob\" begins or ends with a blank."));
    QCOMPARE(queryInt(QStringLiteral("SELECT count(*) FROM Collection")), 0);
    QCOMPARE(m_session.CurrentCollection.ID, 0);
}

void TestMainWindow::deleteCollection_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("Yes deletes") << true;
    QTest::newRow("No keeps everything") << false;
}

void TestMainWindow::deleteCollection()
{
    QFETCH(bool, answer);
    const int id = makeCurrentCollection(QStringLiteral("Holiday"));
    insertFolder(id, QStringLiteral("/pictures"));
    typeName(QStringLiteral("Holiday")); // reload, now with its folder
    QCOMPARE(listTexts().size(), 1);

    m_dialogs.answers.append(answer);
    letIdle();
    m_window->actDeleteCollection->trigger();
    letIdle();

    QCOMPARE(m_dialogs.questions.size(), 1);
    QCOMPARE(m_dialogs.questions[0].caption, QStringLiteral("Confirmation"));
    QCOMPARE(m_dialogs.questions[0].text,
        QStringLiteral("Do you want to remove the selected collection? (The collected thumbnails data will be "
                       "permanently deleted.)"));
    QCOMPARE(m_dialogs.questions[0].icon, QMessageBox::Question);
    QCOMPARE(m_window->cmbCollection->currentText(), QStringLiteral("Holiday"));

    if (answer) {
        QCOMPARE(queryInt(QStringLiteral("SELECT count(*) FROM Collection")), 0);
        QCOMPARE(queryInt(QStringLiteral("SELECT count(*) FROM Folder")), 0);
        QCOMPARE(m_session.CurrentCollection.ID, 0);
        QCOMPARE(listTexts(), QStringList());
        QCOMPARE(m_window->cmbCollection->count(), 0);
        QVERIFY(m_window->actSaveCollection->isEnabled());
        QVERIFY(!m_window->actDeleteCollection->isEnabled());
        // The same name can be created again at once.
        letIdle();
        m_window->actSaveCollection->trigger();
        QVERIFY(m_session.CurrentCollection.ID > id);
    } else {
        QCOMPARE(queryInt(QStringLiteral("SELECT count(*) FROM Collection")), 1);
        QCOMPARE(m_session.CurrentCollection.ID, id);
        QCOMPARE(listTexts(), QStringList {QStringLiteral("/pictures")});
        QVERIFY(m_window->actDeleteCollection->isEnabled());
    }
}

void TestMainWindow::dragOverAcceptsOnlyTheTreeWithACollection()
{
    const QString root = m_disk->path();
    // No collection current yet.
    selectInTree(root);
    QVERIFY(!m_window->lstCollectionFoldersDragOver(m_window->tvShellFolders));

    makeCurrentCollection(QStringLiteral("Holiday"));
    QVERIFY(m_window->lstCollectionFoldersDragOver(m_window->tvShellFolders));
    QVERIFY(!m_window->lstCollectionFoldersDragOver(m_window->lstCollectionFolders));
    QVERIFY(!m_window->lstCollectionFoldersDragOver(nullptr));

    m_window->tvShellFolders->clearSelection();
    QVERIFY(!m_window->lstCollectionFoldersDragOver(m_window->tvShellFolders));
    // A drop without a selected node adds nothing.
    m_window->lstCollectionFoldersDragDrop(m_window->tvShellFolders);
    QCOMPARE(listTexts(), QStringList());
}

void TestMainWindow::draggingATreeAddsEveryVisibleFolder()
{
    const QString root = m_disk->path() + QStringLiteral("/Photos");
    QVERIFY(makeFolders(m_disk->path(),
        {QStringLiteral("Photos/2005/May/Beach"), QStringLiteral("Photos/2006"),
            QStringLiteral("Photos/.thumbnails/big"), QStringLiteral("Photos/2005/.git")}));
    QFile file(root + QStringLiteral("/2005/notes.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    // A link back to the top of the tree must not make the walk go round for ever.
    QVERIFY(QFile::link(root, root + QStringLiteral("/2006/back")));

    const int id = makeCurrentCollection(QStringLiteral("Holiday"));
    selectInTree(root);
    m_window->lstCollectionFoldersDragDrop(m_window->tvShellFolders);

    const QStringList expected {root, root + QStringLiteral("/2005"), root + QStringLiteral("/2005/May"),
        root + QStringLiteral("/2005/May/Beach"), root + QStringLiteral("/2006")};
    QCOMPARE(listTexts(), expected);
    QCOMPARE(storedPaths(id), expected);
    // Each entry carries the ID of its own row.
    for (const QString &path : expected) {
        QListWidgetItem *item = entry(path);
        QVERIFY2(item, qPrintable(path));
        QCOMPARE(storedPath(CollectionFolderList::folderId(item)), path);
        QCOMPARE(item->checkState(), Qt::Unchecked);
    }
}

void TestMainWindow::shiftDraggingAddsTheFolderAlone()
{
    const QString root = m_disk->path() + QStringLiteral("/Photos");
    QVERIFY(makeFolders(m_disk->path(), {QStringLiteral("Photos/2005/May")}));
    const int id = makeCurrentCollection(QStringLiteral("Holiday"));
    selectInTree(root);
    setShiftDownForTests(true);
    m_window->lstCollectionFoldersDragDrop(m_window->tvShellFolders);

    QCOMPARE(listTexts(), QStringList {root});
    QCOMPARE(storedPaths(id), QStringList {root});
    QCOMPARE(storedPath(CollectionFolderList::folderId(entry(root))), root);

    // The same folder dragged again is held already: no second row, no second entry.
    m_window->lstCollectionFoldersDragDrop(m_window->tvShellFolders);
    QCOMPARE(listTexts(), QStringList {root});
    QCOMPARE(storedPaths(id), QStringList {root});
}

void TestMainWindow::aHiddenFolderDraggedItselfIsAdded()
{
    const QString hidden = m_disk->path() + QStringLiteral("/.archive");
    QVERIFY(makeFolders(m_disk->path(), {QStringLiteral(".archive/old"), QStringLiteral(".archive/.cache")}));
    makeCurrentCollection(QStringLiteral("Holiday"));
    // The tree shows no hidden folders, so the drag comes from the desktop instead.
    sendDrop(m_window, {QUrl::fromLocalFile(hidden)});
    QCOMPARE(listTexts(), (QStringList {hidden, hidden + QStringLiteral("/old")}));
}

void TestMainWindow::dropsFromTheDesktop_data()
{
    QTest::addColumn<bool>("collection");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<bool>("onList");
    QTest::addColumn<QStringList>("dropped"); // relative to the temporary folder
    QTest::addColumn<QStringList>("expected");

    const QStringList mixed {QStringLiteral("a.jpg"), QStringLiteral("Photos"), QStringLiteral("missing"),
        QStringLiteral("Scans"), QStringLiteral("b.png")};
    QTest::newRow("files only add nothing")
        << true << false << false << QStringList {QStringLiteral("a.jpg"), QStringLiteral("b.png")} << QStringList();
    QTest::newRow("folders add their trees, files are skipped")
        << true << false << false << mixed
        << QStringList {QStringLiteral("Photos"), QStringLiteral("Photos/2005"), QStringLiteral("Scans")};
    QTest::newRow("with Shift each folder alone")
        << true << true << false << mixed << QStringList {QStringLiteral("Photos"), QStringLiteral("Scans")};
    QTest::newRow("dropped on the folder list")
        << true << false << true << mixed
        << QStringList {QStringLiteral("Photos"), QStringLiteral("Photos/2005"), QStringLiteral("Scans")};
    QTest::newRow("no collection current") << false << false << false << mixed << QStringList();
}

void TestMainWindow::dropsFromTheDesktop()
{
    QFETCH(bool, collection);
    QFETCH(bool, shift);
    QFETCH(bool, onList);
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, expected);

    const QString base = m_disk->path() + QLatin1Char('/');
    QVERIFY(makeFolders(base, {QStringLiteral("Photos/2005"), QStringLiteral("Scans")}));
    for (const char *name : {"a.jpg", "b.png"}) {
        QFile file(base + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    if (collection)
        makeCurrentCollection(QStringLiteral("Holiday"));
    setShiftDownForTests(shift);

    QList<QUrl> urls;
    for (const QString &name : dropped)
        urls.append(QUrl::fromLocalFile(base + name));
    sendDrop(onList ? m_window->lstCollectionFolders->viewport() : static_cast<QWidget *>(m_window), urls);

    QStringList full;
    for (const QString &name : expected)
        full.append(base + name);
    QCOMPARE(listTexts(), full);
    QCOMPARE(queryInt(QStringLiteral("SELECT count(*) FROM Folder")), expected.size());
}

void TestMainWindow::shiftIsReadAgainForEveryDroppedFolder()
{
    const QString base = m_disk->path() + QLatin1Char('/');
    QVERIFY(makeFolders(base, {QStringLiteral("A/a1"), QStringLiteral("B/b1"), QStringLiteral("C/c1")}));
    makeCurrentCollection(QStringLiteral("Holiday"));
    // Shift is let go after the first folder and pressed again for the third.
    QList<bool> shift {true, false, true};
    setShiftQueryForTests([&shift] { return shift.isEmpty() ? false : shift.takeFirst(); });

    sendDrop(m_window,
        {QUrl::fromLocalFile(base + QStringLiteral("A")), QUrl::fromLocalFile(base + QStringLiteral("B")),
            QUrl::fromLocalFile(base + QStringLiteral("C"))});
    QCOMPARE(listTexts(),
        (QStringList {base + QStringLiteral("A"), base + QStringLiteral("B"), base + QStringLiteral("B/b1"),
            base + QStringLiteral("C")}));
}

void TestMainWindow::addFolderCommand_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("chosen"); // relative to the temporary folder; empty: cancelled
    QTest::addColumn<QStringList>("expected");

    const QKeySequence plain(Qt::CTRL | Qt::Key_O);
    const QKeySequence shifted(Qt::CTRL | Qt::SHIFT | Qt::Key_O);
    QTest::newRow("the folder with the folders below it")
        << plain << QStringLiteral("Photos") << QStringList {QStringLiteral("Photos"), QStringLiteral("Photos/2005")};
    QTest::newRow("with Shift the folder alone")
        << shifted << QStringLiteral("Photos") << QStringList {QStringLiteral("Photos")};
    QTest::newRow("cancelled") << plain << QString() << QStringList();
}

void TestMainWindow::addFolderCommand()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, chosen);
    QFETCH(QStringList, expected);

    const QString base = m_disk->path() + QLatin1Char('/');
    QVERIFY(makeFolders(base, {QStringLiteral("Photos/2005")}));
    letIdle();
    QVERIFY(!m_window->actAddFolder->isEnabled());
    makeCurrentCollection(QStringLiteral("Holiday"));
    letIdle();
    QVERIFY(m_window->actAddFolder->isEnabled());
    if (!chosen.isEmpty())
        m_dialogs.folders.append(base + chosen);
    // The key's own Shift is what the command reads, as the keyboard's live state.
    setShiftDownForTests(keys[0].keyboardModifiers().testFlag(Qt::ShiftModifier));

    QTest::keySequence(m_window, keys);
    QCOMPARE(m_dialogs.folderChoosers.size(), 1);
    QCOMPARE(m_dialogs.folderChoosers[0].caption, QStringLiteral("Add folder"));
    QStringList full;
    for (const QString &name : expected)
        full.append(base + name);
    QCOMPARE(listTexts(), full);
    QCOMPARE(queryInt(QStringLiteral("SELECT count(*) FROM Folder")), expected.size());
}

void TestMainWindow::keepsItsSizeAndPositionBetweenRuns()
{
    const QRect first = m_window->geometry();
    const QRect moved(first.topLeft() + QPoint(40, 30), first.size() + QSize(120, 60));
    m_window->setGeometry(moved);
    QTRY_COMPARE(m_window->geometry(), moved);
    m_window->close();
    makeDesktop();
    QCOMPARE(m_window->geometry(), moved);
}

void TestMainWindow::deleteKey_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("remaining");

    const QString tree = QStringLiteral(
        "Do you want to remove all subfolders of /photos from the collection? (The collected thumbnails data will be "
        "permanently deleted.)");
    const QString single = QStringLiteral(
        "Do you want to remove the folder /photos from the collection? (The collected thumbnails data will be "
        "permanently deleted.)");
    const QStringList all {QStringLiteral("/photos"), QStringLiteral("/photos old"), QStringLiteral("/photos/2005"),
        QStringLiteral("/photos/2005/May"), QStringLiteral("/photos2")};

    QTest::newRow("Delete removes the tree") << Qt::KeyboardModifiers() << true << tree
                                             << QStringList {QStringLiteral("/photos old"), QStringLiteral("/photos2")};
    QTest::newRow("Shift+Delete removes the folder alone")
        << Qt::KeyboardModifiers(Qt::ShiftModifier) << true << single
        << QStringList {QStringLiteral("/photos old"), QStringLiteral("/photos/2005"),
               QStringLiteral("/photos/2005/May"), QStringLiteral("/photos2")};
    QTest::newRow("Ctrl does not matter") << Qt::KeyboardModifiers(Qt::ControlModifier) << true << tree
                                          << QStringList {QStringLiteral("/photos old"), QStringLiteral("/photos2")};
    QTest::newRow("No keeps the tree") << Qt::KeyboardModifiers() << false << tree << all;
    QTest::newRow("No keeps the folder") << Qt::KeyboardModifiers(Qt::ShiftModifier) << false << single << all;
}

void TestMainWindow::deleteKey()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    QFETCH(QStringList, remaining);

    const int id = insertCollection(QStringLiteral("Holiday"));
    for (const char *path : {"/photos/2005/May", "/photos2", "/photos", "/photos old", "/photos/2005"})
        insertFolder(id, QString::fromUtf8(path));
    typeName(QStringLiteral("Holiday"));
    QCOMPARE(listTexts().size(), 5);

    m_dialogs.answers.append(answer);
    m_window->lstCollectionFolders->setFocus();
    m_window->lstCollectionFolders->setCurrentItem(entry(QStringLiteral("/photos")));
    QTest::keyClick(m_window->lstCollectionFolders, Qt::Key_Delete, modifiers);

    QCOMPARE(m_dialogs.questions.size(), 1);
    QCOMPARE(m_dialogs.questions[0].caption, QStringLiteral("Confirmation"));
    QCOMPARE(m_dialogs.questions[0].text, question);
    QCOMPARE(listTexts(), remaining);
    QStringList sortedRemaining = remaining;
    sortedRemaining.sort();
    QCOMPARE(storedPaths(id), sortedRemaining);
}

void TestMainWindow::checkMarks_data()
{
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QStringList>("checked");

    QTest::newRow("a folder checks its subfolders, not a sibling with a longer name")
        << false << QStringLiteral("/photos")
        << QStringList {QStringLiteral("/photos"), QStringLiteral("/photos/2005"), QStringLiteral("/photos/2005/May")};
    QTest::newRow("Shift checks the folder alone")
        << true << QStringLiteral("/photos") << QStringList {QStringLiteral("/photos")};
    QTest::newRow("a subfolder checks only its own subfolders")
        << false << QStringLiteral("/photos/2005")
        << QStringList {QStringLiteral("/photos/2005"), QStringLiteral("/photos/2005/May")};
    QTest::newRow("a folder without subfolders stays alone")
        << false << QStringLiteral("/photos old") << QStringList {QStringLiteral("/photos old")};
}

void TestMainWindow::checkMarks()
{
    QFETCH(bool, shift);
    QFETCH(QString, clicked);
    QFETCH(QStringList, checked);

    const int id = insertCollection(QStringLiteral("Holiday"));
    for (const char *path : {"/photos", "/photos old", "/photos/2005", "/photos/2005/May", "/pictures", "/photosx"})
        insertFolder(id, QString::fromUtf8(path));
    typeName(QStringLiteral("Holiday"));
    setShiftDownForTests(shift);

    QListWidgetItem *item = entry(clicked);
    QVERIFY(item);
    // A click on the entry's check box, as the user makes it; another entry is selected before.
    QListWidget *list = m_window->lstCollectionFolders;
    list->setCurrentRow(list->count() - 1);
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.rect = list->visualItemRect(item);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect box = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
    QCOMPARE(item->checkState(), Qt::Checked);

    QStringList checkedNow;
    QList<int> expectedIds;
    for (int row = 0; row < m_window->lstCollectionFolders->count(); ++row) {
        QListWidgetItem *each = m_window->lstCollectionFolders->item(row);
        if (each->checkState() == Qt::Checked) {
            checkedNow.append(each->text());
            expectedIds.append(
                static_cast<int>(queryInt(QStringLiteral("SELECT ID FROM Folder WHERE Path = ?"), {each->text()})));
        }
    }
    QCOMPARE(checkedNow, checked);
    QCOMPARE(m_window->lstCollectionFolders->currentItem(), item);
    QCOMPARE(m_window->checkedFolderIds(), expectedIds);

    // Taking the mark away again follows the same rule.
    item->setCheckState(Qt::Unchecked);
    QCOMPARE(m_window->checkedFolderIds(), QList<int>());
}

void TestMainWindow::doubleClickChangesThePath_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("list");

    QTest::newRow("unchanged text") << QStringLiteral(
        "/photos") << QStringList {QStringLiteral("/photos"), QStringLiteral("/photos/2005"), QStringLiteral("/scans")};
    QTest::newRow("a new path that does not exist, moved to its place")
        << QStringLiteral("/zz/new place's name")
        << QStringList {
               QStringLiteral("/photos/2005"), QStringLiteral("/scans"), QStringLiteral("/zz/new place's name")};
    QTest::newRow("a path differing only in letter case") << QStringLiteral(
        "/Photos") << QStringList {QStringLiteral("/Photos"), QStringLiteral("/photos/2005"), QStringLiteral("/scans")};
}

void TestMainWindow::doubleClickChangesThePath()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, list);

    const int id = insertCollection(QStringLiteral("Holiday"));
    const int photos = insertFolder(id, QStringLiteral("/photos"));
    const int year = insertFolder(id, QStringLiteral("/photos/2005"));
    insertFolder(id, QStringLiteral("/scans"));
    m_session.DatabaseConnection.Execute(
        QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, "
                       "Thumbnail, Derivative) VALUES (?, ?, 'a.jpg', 1, x'00', x'00')"),
        {id, photos});
    typeName(QStringLiteral("Holiday"));

    m_dialogs.inputs.append(typed);
    QListWidget *list_ = m_window->lstCollectionFolders;
    QListWidgetItem *item = entry(QStringLiteral("/photos"));
    const QPoint centre = list_->visualItemRect(item).center();
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, centre);

    QCOMPARE(m_dialogs.inputBoxes.size(), 1);
    QCOMPARE(m_dialogs.inputBoxes[0].caption, QStringLiteral("Change folder path"));
    QCOMPARE(m_dialogs.inputBoxes[0].text, QStringLiteral("Enter new path:"));
    QCOMPARE(m_dialogs.initialTexts[0], QStringLiteral("/photos"));
    QCOMPARE(listTexts(), list);
    QCOMPARE(storedPath(photos), typed);
    QCOMPARE(CollectionFolderList::folderId(entry(typed)), photos);
    // Only that row changes: the subfolder keeps its old path, the pictures keep their rows.
    QCOMPARE(storedPath(year), QStringLiteral("/photos/2005"));
    QCOMPARE(queryInt(QStringLiteral("SELECT count(*) FROM Picture WHERE FolderID = ?"), {photos}), 1);
}

void TestMainWindow::scanReloadsTheCollection_data()
{
    QTest::addColumn<bool>("failing");
    QTest::newRow("after a scan") << false;
    QTest::newRow("after a scan that ends by an error") << true;
}

void TestMainWindow::scanReloadsTheCollection()
{
    QFETCH(bool, failing);
    // The scan itself belongs to its run; the window's part is the reloads at its start and
    // afterwards, which clear every check mark and bring in what changed meanwhile, also when the
    // scan fails.
    const int id = insertCollection(QStringLiteral("Holiday"));
    const int photos = insertFolder(id, QStringLiteral("/photos"));
    m_session.DatabaseConnection.Execute(
        QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, Height, "
                       "Thumbnail, Derivative, ColorRank, DerivativeRank) "
                       "VALUES (?, ?, 'a.jpg', 1000, 40000.0, 40000.0, 64, 64, zeroblob(3072), zeroblob(1024), 0, 0)"),
        {id, photos});
    typeName(QStringLiteral("Holiday"));
    entry(QStringLiteral("/photos"))->setCheckState(Qt::Checked);
    insertFolder(id, QStringLiteral("/later"));
    if (failing) {
        m_session.DatabaseConnection.Execute(QStringLiteral(
            "CREATE TRIGGER refuse BEFORE UPDATE ON Picture BEGIN SELECT RAISE(ABORT, 'the disk is full'); END"));
    }

    QStringList listAtReport;
    QList<QList<int>> checkedAtNotices;
    m_dialogs.whenShown = [this, &listAtReport, &checkedAtNotices] {
        listAtReport = listTexts();
        checkedAtNotices.append(m_window->checkedFolderIds());
    };

    letIdle();
    m_window->actScan->trigger();
    m_dialogs.whenShown = nullptr;
    QCOMPARE(listTexts(), (QStringList {QStringLiteral("/later"), QStringLiteral("/photos")}));
    QCOMPARE(m_window->checkedFolderIds(), QList<int>());
    QVERIFY(m_window->isEnabled());
    // The marks are gone already while the scan runs: the one picture makes no pair, which the
    // run says before it ends.
    QVERIFY(!checkedAtNotices.isEmpty());
    QCOMPARE(checkedAtNotices.first(), QList<int>());
    if (!failing)
        QCOMPARE(m_dialogs.notices.first().caption, QStringLiteral("No Duplicates"));
    if (failing) {
        QVERIFY(!m_dialogs.notices.isEmpty());
        QCOMPARE(m_dialogs.notices.last().text, QStringLiteral("the disk is full."));
        QCOMPARE(m_dialogs.notices.last().icon, QMessageBox::Critical);
        // The reload came before the report.
        QCOMPARE(listAtReport, listTexts());
    }
}

// The preferences window's controls, not the stored values, choose the method and threshold.
void TestMainWindow::scanUsesThePreferencesWindowsMethodAndThreshold()
{
    const int id = insertCollection(QStringLiteral("Holiday"));
    const int photos = insertFolder(id, QStringLiteral("/photos"));
    for (int i = 0; i < 3; ++i) {
        m_session.DatabaseConnection.Execute(
            QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, "
                           "Height, Thumbnail, Derivative, ColorRank, DerivativeRank) VALUES (?, ?, ?, 1000, 40000.0, "
                           "40000.0, 64, 64, ?, zeroblob(1024), ?, 0)"),
            {id, photos, QStringLiteral("p%1.jpg").arg(i), store::Value::fromBlob(QByteArray(3072, char(100 * i))),
                1000 * i});
    }
    typeName(QStringLiteral("Holiday"));
    m_desktop->frmOptions.findChild<QSlider *>(QStringLiteral("trbThreshold"))->setValue(37);
    const QList<QRadioButton *> methods = m_desktop->frmOptions.findChildren<QRadioButton *>();
    QCOMPARE(methods.size(), 6);
    methods[4]->setChecked(true);

    letIdle();
    m_window->actScan->trigger();
    QCOMPARE(queryInt(QStringLiteral("SELECT LastMethod FROM Collection WHERE ID = ?"), {id}), 4);
    QCOMPARE(queryInt(QStringLiteral("SELECT LastTolerance FROM Collection WHERE ID = ?"), {id}), 37);
}

void TestMainWindow::scanPassesOverRememberedPairsWhenTicked_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::newRow("ticked") << true;
    QTest::newRow("not ticked") << false;
}

// The check box as the preferences window shows it, not the stored value, decides.
void TestMainWindow::scanPassesOverRememberedPairsWhenTicked()
{
    QFETCH(bool, ticked);
    const int id = insertCollection(QStringLiteral("Holiday"));
    const int photos = insertFolder(id, QStringLiteral("/photos"));
    // Close enough in colour for the second method at 10; each has a fingerprint of its own.
    QList<int> pictures;
    for (const int value : {10, 12}) {
        m_session.DatabaseConnection.Execute(
            QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, "
                           "Height, Thumbnail, Derivative, ColorRank, DerivativeRank) VALUES (?, ?, ?, ?, 40000.0, "
                           "40000.0, 64, 64, ?, zeroblob(1024), ?, 0)"),
            {id, photos, QStringLiteral("p%1.jpg").arg(value), 500 * value,
                store::Value::fromBlob(QByteArray(3072, char(value))), 1000 * value});
        pictures << static_cast<int>(m_session.DatabaseConnection.lastInsertId());
    }
    store::RememberNotAMatch(m_session, store::pictureFingerprint(m_session, pictures[0]).value(),
        store::pictureFingerprint(m_session, pictures[1]).value(), QStringLiteral("/photos/p10.jpg"),
        QStringLiteral("/photos/p12.jpg"));
    typeName(QStringLiteral("Holiday"));
    m_desktop->frmOptions.findChild<QRadioButton *>(QStringLiteral("rbgMethodItem1"))->setChecked(true);
    m_desktop->frmOptions.findChild<QSlider *>(QStringLiteral("trbThreshold"))->setValue(10);
    m_desktop->frmOptions.findChild<QCheckBox *>(QStringLiteral("chkRememberNotAMatch"))->setChecked(ticked);

    letIdle();
    m_window->actScan->trigger();
    QCOMPARE(queryInt(QStringLiteral("SELECT COUNT(*) FROM Duplicate WHERE Collection_ID = ?"), {id}), ticked ? 0 : 1);
    // What the scan found, in the status bar.
    QCOMPARE(m_window->lblStatus->text(),
        ticked ? QStringLiteral("Holiday: 0 pairs in 0 groups") : QStringLiteral("Holiday: 1 pairs in 1 groups"));
}

void TestMainWindow::errorInAHandlerIsReportedAndTheWindowGoesOn()
{
    const QString root = m_disk->path();
    const int id = makeCurrentCollection(QStringLiteral("Holiday"));
    m_session.DatabaseConnection.Execute(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON Folder BEGIN SELECT RAISE(ABORT, 'the disk is full'); END"));

    setShiftDownForTests(true);
    selectInTree(root);
    m_window->lstCollectionFoldersDragDrop(m_window->tvShellFolders);

    QCOMPARE(m_dialogs.notices.size(), 1);
    QCOMPARE(m_dialogs.notices[0].caption, QStringLiteral("Vexaris 3.0 beta"));
    QCOMPARE(m_dialogs.notices[0].text, QStringLiteral("the disk is full."));
    QCOMPARE(m_dialogs.notices[0].icon, QMessageBox::Critical);
    QCOMPARE(listTexts(), QStringList());

    // The program goes on: the same command works once the cause is gone.
    m_session.DatabaseConnection.Execute(QStringLiteral("DROP TRIGGER refuse"));
    m_window->lstCollectionFoldersDragDrop(m_window->tvShellFolders);
    QCOMPARE(listTexts(), QStringList {root});
    QCOMPARE(storedPaths(id), QStringList {root});
    QCOMPARE(m_dialogs.notices.size(), 1);
    QVERIFY(m_window->isVisible());
}

void TestMainWindow::manualOpensTheHelpFile_data()
{
    QTest::addColumn<QString>("translatedPage"); // empty: no catalog
    QTest::addColumn<QString>("opened"); // below the program's folder
    QTest::addColumn<bool>("delivered");
    QTest::newRow("the English pages the build delivers") << QString() << QStringLiteral("Help/index.html") << true;
    QTest::newRow("a translated manual's page")
        << QStringLiteral("de/index.html") << QStringLiteral("Help/de/index.html") << false;
}

void TestMainWindow::manualOpensTheHelpFile()
{
    QFETCH(QString, translatedPage);
    QFETCH(QString, opened);
    QFETCH(bool, delivered);

    testing::CatalogFixture catalogs;
    const QByteArray page = translatedPage.toUtf8();
    if (!translatedPage.isEmpty()) {
        QVERIFY(catalogs.addCatalog(QStringLiteral("xx"), {{"index.html", page.constData()}}));
        i18n::setCatalogRoot(catalogs.root());
        i18n::SelectLanguage(QStringLiteral("xx"));
    }
    const auto restore = qScopeGuard([] {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        i18n::resetCatalogForTests();
        i18n::setCatalogRoot(QString());
    });
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    m_openedUrls.clear();
    // F1 and the Help menu's entry are one action.
    QTest::keyClick(m_window, Qt::Key_F1);
    m_window->findChild<QMenu *>(QStringLiteral("mnuHelp"))->actions().last()->trigger();

    const QString expected = QCoreApplication::applicationDirPath() + QLatin1Char('/') + opened;
    QCOMPARE(m_openedUrls, (QList<QUrl> {QUrl::fromLocalFile(expected), QUrl::fromLocalFile(expected)}));
    QCOMPARE(QFile::exists(expected), delivered);
    QCOMPARE(m_dialogs.notices.size(), 0);
}

void TestMainWindow::toolStripCannotBeHidden()
{
    QStringList offered;
    // A menu that does open would hold the test in its own loop: it is read and closed at once.
    const auto readMenu = [&offered] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (const QAction *action : menu->actions())
                offered.append(action->text());
            menu->close();
        }
    };
    const QList<QToolBar *> bars = m_window->findChildren<QToolBar *>();
    QCOMPARE(bars.size(), 2);
    QList<QWidget *> targets {m_window->menuBar()};
    for (QToolBar *bar : bars)
        targets.append(bar);
    for (QWidget *target : targets) {
        const QPoint inside(target->width() - 2, target->height() / 2);
        QContextMenuEvent click(QContextMenuEvent::Mouse, inside, target->mapToGlobal(inside));
        QTimer::singleShot(0, this, readMenu);
        QApplication::sendEvent(target, &click);
        QCoreApplication::processEvents();
        QVERIFY2(offered.isEmpty(),
            qPrintable(QString::fromLatin1(target->metaObject()->className()) + QStringLiteral(" offers ")
                + offered.join(QStringLiteral(", "))));
    }
    for (QToolBar *bar : bars) {
        QVERIFY(bar->isVisible());
        QVERIFY2(!bar->isMovable(), qPrintable(bar->objectName()));
    }
}

void TestMainWindow::folderTreeOpensAtHome()
{
    // A home folder far down its parent's list, so that it is out of sight unless the tree
    // scrolls to it after the folders on the way there are listed.
    QStringList folders;
    for (int i = 0; i < 60; ++i)
        folders.append(QStringLiteral("a%1").arg(i, 2, 10, QLatin1Char('0')));
    folders.append(QStringLiteral("zhome/Pictures"));
    QVERIFY(makeFolders(m_disk->path(), folders));
    const QString home = m_disk->filePath(QStringLiteral("zhome"));
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    const auto restore = qScopeGuard([&realHome] { qputenv("HOME", realHome); });

    makeDesktop();
    QTreeView *tree = m_window->tvShellFolders;
    auto *model = qobject_cast<QFileSystemModel *>(tree->model());
    QVERIFY(model);
    QSignalSpy listed(model, &QFileSystemModel::directoryLoaded);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QStringList onTheWay;
    for (QDir folder(m_disk->path()); !folder.isRoot(); folder.cdUp())
        onTheWay.append(folder.path());
    onTheWay.append(QDir::rootPath());
    const auto listedAll = [&listed, &onTheWay] {
        QStringList seen;
        for (const QList<QVariant> &signal : listed)
            seen.append(signal.at(0).toString());
        return std::all_of(
            onTheWay.begin(), onTheWay.end(), [&seen](const QString &folder) { return seen.contains(folder); });
    };
    QTRY_VERIFY(listedAll());
    letIdle();

    const QRect homeRow = tree->visualRect(model->index(home));
    QVERIFY2(tree->viewport()->rect().contains(homeRow),
        qPrintable(QStringLiteral("home row at %1 of %2").arg(homeRow.top()).arg(tree->viewport()->height())));
    // No branch line or expand arrow before the root.
    QCOMPARE(tree->visualRect(model->index(QDir::rootPath())).left(), 0);
}

void TestMainWindow::changeFolderPathBoxShowsThePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("fits");
    QTest::newRow("a path longer than the box used to be")
        << QStringLiteral("/home/anna/Pictures/2005/Summer holiday in the mountains/Camera two") << true;
    QTest::newRow("a path longer than the screen is wide") << QStringLiteral("/photos").repeated(80) << false;
}

void TestMainWindow::changeFolderPathBoxShowsThePath()
{
    QFETCH(QString, path);
    QFETCH(bool, fits);
    const int id = insertCollection(QStringLiteral("Holiday"));
    insertFolder(id, path);
    typeName(QStringLiteral("Holiday"));

    // The real input box this time, cancelled once it is measured.
    setDialogHook(nullptr);
    const auto restore = qScopeGuard([this] { setDialogHook(&m_dialogs); });
    int boxWidth = 0;
    int editWidth = 0;
    int textWidth = 0;
    QString shownText;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!box)
            return;
        const auto *edit = box->findChild<QLineEdit *>();
        shownText = edit->text();
        boxWidth = box->frameGeometry().width();
        editWidth = edit->contentsRect().width();
        textWidth = edit->fontMetrics().horizontalAdvance(edit->text());
        box->reject();
    });
    QListWidget *list = m_window->lstCollectionFolders;
    const QPoint centre = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);

    QCOMPARE(shownText, path);
    QVERIFY2(boxWidth <= m_window->screen()->availableGeometry().width(), qPrintable(QString::number(boxWidth)));
    if (fits)
        QVERIFY2(editWidth >= textWidth, qPrintable(QStringLiteral("%1 < %2").arg(editWidth).arg(textWidth)));
    // Cancelled: nothing changed.
    QCOMPARE(storedPaths(id), QStringList {path});
}

void TestMainWindow::preferencesAndAboutAreModal_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("window");
    QTest::newRow("Preferences") << QStringLiteral("actPreferences")
                                 << QString::fromLatin1(settings::TfrmOptions::staticMetaObject.className());
    QTest::newRow("About") << QStringLiteral("mnuHelpAbout")
                           << QString::fromLatin1(TfrmAbout::staticMetaObject.className());
    // The log of the runs, also after its window was closed once.
    QTest::newRow("Processing log") << QStringLiteral("actLog")
                                    << QString::fromLatin1(log::TfrmLog::staticMetaObject.className());
}

void TestMainWindow::preferencesAndAboutAreModal()
{
    QFETCH(QString, action);
    QFETCH(QString, window);

    QString shown;
    QTimer::singleShot(0, this, [&shown] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            shown = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        }
    });
    m_window->findChild<QAction *>(action)->trigger();
    QCOMPARE(shown, window);
    QVERIFY(!m_desktop->frmOptions.isVisible());
    QVERIFY(!m_desktop->frmAbout.isVisible());
}

void TestMainWindow::preferencesFitWithinTheMainWindow_data()
{
    QTest::addColumn<QString>("language");
    for (const char *language : {"en", "de", "fr"})
        QTest::newRow(language) << QString::fromLatin1(language);
}

void TestMainWindow::preferencesFitWithinTheMainWindow()
{
    QFETCH(QString, language);
    // The catalogs the build delivers beside the program.
    m_desktop.reset();
    m_window = nullptr;
    i18n::SelectLanguage(language);
    const auto restore = qScopeGuard([] { i18n::resetCatalogForTests(); });
    makeDesktop();
    m_window->show();
    settings::TfrmOptions &options = m_desktop->frmOptions;
    options.show();
    QVERIFY(QTest::qWaitForWindowExposed(&options));
    QVERIFY(language == QLatin1String("en") || options.windowTitle() != QStringLiteral("Vexaris 3.0 Options"));
    QVERIFY2(options.frameGeometry().width() <= m_window->frameGeometry().width(),
        qPrintable(QStringLiteral("%1 wider than %2")
                       .arg(options.frameGeometry().width())
                       .arg(m_window->frameGeometry().width())));
    options.hide();
}

void TestMainWindow::storedLanguageTranslatesTheWindowAtStart()
{
    m_desktop.reset();
    m_window = nullptr;
    QTemporaryDir locale;
    const QString messages = locale.filePath(QStringLiteral("xx/LC_MESSAGES"));
    QVERIFY(QDir().mkpath(messages));
    QFile po(locale.filePath(QStringLiteral("xx.po")));
    QVERIFY(po.open(QIODevice::WriteOnly));
    po.write("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
             "msgid \"&Update\"\nmsgstr \"&Aktualisieren\"\n\n"
             "msgid \"  Folders on your machine:\"\nmsgstr \"  Ordner des Rechners:\"\n\n"
             "msgid \"Confirmation\"\nmsgstr \"Best\xc3\xa4tigung\"\n\n"
             "msgid \"Holiday\"\nmsgstr \"Urlaub\"\n");
    po.close();
    QCOMPARE(QProcess::execute(QStringLiteral("msgfmt"),
                 {QStringLiteral("-o"), messages + QStringLiteral("/default.mo"), po.fileName()}),
        0);
    i18n::setCatalogRoot(locale.path());
    QSettings(QStringLiteral("Quillmark"), QStringLiteral("Vexaris"))
        .setValue(QStringLiteral("Language"), QStringLiteral("xx"));
    const auto restore = qScopeGuard([] {
        QSettings(QStringLiteral("Quillmark"), QStringLiteral("Vexaris")).remove(QStringLiteral("Language"));
        i18n::resetCatalogForTests();
        i18n::setCatalogRoot(QString());
    });

    makeDesktop();
    QCOMPARE(i18n::currentLanguage(), QStringLiteral("xx"));
    QCOMPARE(m_window->actUpdate->text(), QStringLiteral("&Aktualisieren"));
    QVERIFY(m_window->findChild<QLabel *>(QStringLiteral("lblShellFolders")));
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("lblShellFolders"))->text(),
        QStringLiteral("  Ordner des Rechners:"));
    // A text without a translation stays English.
    QCOMPARE(m_window->actScan->text(), QStringLiteral("&Scan for duplicates"));

    // Names and paths are the user's: a collection and a folder that happen to have a
    // translation keep their own texts, and messages are translated when they are shown.
    const int id = insertCollection(QStringLiteral("Holiday"));
    insertFolder(id, QStringLiteral("Holiday"));
    typeName(QStringLiteral("Holiday"));
    QCOMPARE(m_session.CurrentCollection.ID, id);
    QCOMPARE(listTexts(), QStringList {QStringLiteral("Holiday")});
    letIdle();
    m_window->actDeleteCollection->trigger();
    QCOMPARE(m_dialogs.questions.size(), 1);
    QCOMPARE(m_dialogs.questions[0].caption, QString::fromUtf8("Best\xc3\xa4tigung"));
}

void TestMainWindow::noWindowWithoutAUsableDatabase_data()
{
    QTest::addColumn<QByteArray>("schema");
    QTest::addColumn<QByteArray>("bytes"); // a file of these bytes when there is no schema; neither: no file
    QTest::newRow("no database file") << QByteArray() << QByteArray();
    QTest::newRow("a database of other tables") << QByteArray("CREATE TABLE Notes (Text TEXT);") << QByteArray();
    QTest::newRow("a file that is no database") << QByteArray() << QByteArray("Vexaris collections\n", 20);
}

void TestMainWindow::noWindowWithoutAUsableDatabase()
{
    QFETCH(QByteArray, schema);
    QFETCH(QByteArray, bytes);
    m_desktop.reset();
    m_window = nullptr;
    const QString file = m_disk->filePath(QStringLiteral("Vexaris.db"));
    if (!schema.isEmpty()) {
        store::createDatabase(file, schema);
    } else if (!bytes.isEmpty()) {
        QFile garbage(file);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(bytes);
    }

    QString message;
    store::Session session;
    try {
        TfrmMain window(session, m_log, file);
    } catch (const std::exception &e) {
        message = QString::fromUtf8(e.what());
    }
    QVERIFY(!message.isEmpty());
    QVERIFY2(!message.contains(QLatin1Char('\n')), qPrintable(message));
    QVERIFY(!session.DatabaseConnection.isOpen());
    // A missing file is not created, and an existing one is left as it was.
    QCOMPARE(QFile::exists(file), !schema.isEmpty() || !bytes.isEmpty());
    if (!bytes.isEmpty()) {
        QFile garbage(file);
        QVERIFY(garbage.open(QIODevice::ReadOnly));
        QCOMPARE(garbage.readAll(), bytes);
    }
}

void TestMainWindow::exitClosesTheWindow()
{
    m_window->mnuFileExit->trigger();
    QVERIFY(!m_window->isVisible());
}

#include "mainwindowtest.moc"

QObject *newMainWindowTest()
{
    return new TestMainWindow;
}
