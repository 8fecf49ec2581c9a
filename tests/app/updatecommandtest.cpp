// The main window's Update command, offscreen, on a real database file and real picture
// folders: the windows around the run, the Stop button, and the log at the end.
#include "app/updatecommand.h"

#include <memory>

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <QtTest>

#include "log/logwindow.h"
#include "log/processinglog.h"
#include "runs/getthumbswindow.h"
#include "support/testdatabase.h"

using namespace vexaris;

class TestUpdateCommand : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_db = std::make_unique<test::ConnectedTestDatabase>();
        m_collection = m_db->addCollection(QStringLiteral("Holiday"));
        m_db->session().CurrentCollection.ID = m_collection;
        m_pictures = std::make_unique<QTemporaryDir>();
        m_window = std::make_unique<ui::TfrmGetThumbs>();
        m_logWindow = std::make_unique<log::TfrmLog>(m_log);
        m_mainWindow = std::make_unique<QWidget>();
        m_mainWindow->show();
    }

    void cleanup()
    {
        m_mainWindow.reset();
        m_logWindow.reset();
        m_window.reset();
        m_pictures.reset();
        m_db.reset();
    }

    void updateCommandDisablesTheMainWindowWhileItRuns()
    {
        const QString folder = folderWithPictures(QStringLiteral("two"), 2);
        const int folderId = m_db->addFolder(m_collection, folder);
        bool mainEnabled = true;
        bool runWindowVisible = false;
        bool stopEnabled = false;
        QTimer::singleShot(0, this, [&] {
            mainEnabled = m_mainWindow->isEnabled();
            runWindowVisible = m_window->isVisible();
            stopEnabled = m_window->btnCancel->isEnabled();
        });

        update();

        QVERIFY(!mainEnabled);
        QVERIFY(runWindowVisible);
        QVERIFY(stopEnabled);
        QVERIFY(m_mainWindow->isEnabled());
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_db->count("SELECT count(*) FROM Picture WHERE FolderID = ?", {folderId}), 2);
        QCOMPARE(m_window->lblFolderProgress->text(), QStringLiteral("1/1"));
        QCOMPARE(m_window->lblFileProgress->text(), QStringLiteral("2/2"));
        QCOMPARE(m_window->lblCurrentFolder->text(), folder + QStringLiteral("/1.jpg"));
    }

    void stopButtonEndsTheRunAfterTheFileInProgress()
    {
        const int folderId = m_db->addFolder(m_collection, folderWithPictures(QStringLiteral("five"), 5));
        // Pressed while the run lets pending events through at the start of the folder.
        QTimer::singleShot(0, m_window->btnCancel, [&] { QTest::mouseClick(m_window->btnCancel, Qt::LeftButton); });

        update();

        QCOMPARE(m_db->count("SELECT count(*) FROM Picture WHERE FolderID = ?", {folderId}), 1);
        QCOMPARE(m_window->lblFileProgress->text(), QStringLiteral("1/5"));
        QVERIFY(m_mainWindow->isEnabled());
    }

    void closingTheRunWindowOnlyHidesIt()
    {
        const int folderId = m_db->addFolder(m_collection, folderWithPictures(QStringLiteral("three"), 3));
        bool mainEnabledAfterClose = true;
        QTimer::singleShot(0, m_window.get(), [&] {
            m_window->close();
            mainEnabledAfterClose = m_mainWindow->isEnabled();
        });

        update();

        QVERIFY(!mainEnabledAfterClose);
        QCOMPARE(m_db->count("SELECT count(*) FROM Picture WHERE FolderID = ?", {folderId}), 3);
        QVERIFY(m_mainWindow->isEnabled());
    }

    void runEndingByAnErrorRestoresBothWindows()
    {
        const int folderId = m_db->addFolder(m_collection, folderWithPictures(QStringLiteral("err"), 1));
        m_db->addPicture({.collectionId = m_collection, .folderId = folderId, .fileName = QStringLiteral("gone.jpg")});
        m_db->database().Execute(QStringLiteral(
            "CREATE TRIGGER Keep BEFORE DELETE ON Picture BEGIN SELECT RAISE(ABORT, 'rows are kept'); END"));

        QVERIFY_THROWS_EXCEPTION(std::exception, update());

        QVERIFY(m_mainWindow->isEnabled());
        QVERIFY(!m_window->isVisible());
    }

    void logIsShownModallyWhenTheRunAddedLines()
    {
        const QString missing = m_pictures->filePath(QStringLiteral("missing"));
        m_db->addFolder(m_collection, missing);
        QString shownText;
        bool mainEnabledWhileShown = true;
        // The log comes up modally at the end of the run; read it and press OK.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (QApplication::activeModalWidget() != m_logWindow.get())
                return;
            shownText = m_logWindow->LogWindow->toPlainText();
            mainEnabledWhileShown = m_mainWindow->isEnabled();
            QTest::mouseClick(m_logWindow->btnOK, Qt::LeftButton);
        });
        poll.start(10);

        update();

        QVERIFY(shownText.endsWith(QStringLiteral("The folder %1/ does not exist.").arg(missing)));
        QVERIFY(!mainEnabledWhileShown);
        QVERIFY(!m_logWindow->isVisible());
        QVERIFY(m_mainWindow->isEnabled());
    }

    void aStopPressedBeforeTheCommandIsForgotten()
    {
        const int folderId = m_db->addFolder(m_collection, folderWithPictures(QStringLiteral("f"), 1));
        m_window->StopRequested = true;

        update();

        QCOMPARE(m_db->count("SELECT count(*) FROM Picture WHERE FolderID = ?", {folderId}), 1);
    }

private:
    void update() { ui::executeThumbnailUpdate(m_mainWindow.get(), m_db->session(), m_log, *m_window, *m_logWindow); }

    QString folderWithPictures(const QString &name, int count)
    {
        const QString folder = m_pictures->filePath(name);
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i) {
            QFile::copy(QStringLiteral(VEXARIS_TEST_DATA "/runs/photo-gradient-64x48.jpg"),
                folder + QStringLiteral("/%1.jpg").arg(i));
        }
        return folder;
    }

    log::ProcessingLog m_log;
    std::unique_ptr<test::ConnectedTestDatabase> m_db;
    std::unique_ptr<QTemporaryDir> m_pictures;
    std::unique_ptr<ui::TfrmGetThumbs> m_window;
    std::unique_ptr<log::TfrmLog> m_logWindow;
    std::unique_ptr<QWidget> m_mainWindow;
    int m_collection = 0;
};

QTEST_MAIN(TestUpdateCommand)
#include "updatecommandtest.moc"
