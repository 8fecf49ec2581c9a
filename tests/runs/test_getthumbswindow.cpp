// The update run's window and the main window's Update command, offscreen, on a real database
// file and real picture folders.
#include <memory>

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <QtTest>

#include "log/logwindow.h"
#include "log/processinglog.h"
#include "runs/getthumbswindow.h"
#include "runs/updatecommand.h"
#include "store/data.h"
#include "support/testdatabase.h"

using namespace vexaris;

class TestGetThumbsWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_db = std::make_unique<test::ConnectedTestDatabase>();
        m_collection = m_db->addCollection(QStringLiteral("Holiday"));
        store::CurrentCollection.ID = m_collection;
        m_pictures = std::make_unique<QTemporaryDir>();
        m_window = std::make_unique<ui::TfrmGetThumbs>();
        m_logWindow = std::make_unique<log::TfrmLog>(log::ProcessingLog::instance());
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

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("geometry"); // only left and top are checked for labels

        QTest::newRow("caption of the path") << "lblProcessing"
                                             << "Processing:" << QRect(8, 8, 0, 0);
        QTest::newRow("path") << "lblCurrentFolder"
                              << "" << QRect(104, 8, 0, 0);
        QTest::newRow("caption of the folder gauge") << "Label1"
                                                     << "Folders:" << QRect(8, 32, 0, 0);
        QTest::newRow("folder count") << "lblFolderProgress"
                                      << "0/0" << QRect(496, 32, 0, 0);
        QTest::newRow("caption of the file gauge") << "Label2"
                                                   << "Current folder:" << QRect(8, 56, 0, 0);
        QTest::newRow("file count") << "lblFileProgress"
                                    << "0/0" << QRect(496, 56, 0, 0);
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QRect, geometry);
        const auto *label = m_window->findChild<QLabel *>(name);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        QCOMPARE(label->pos(), geometry.topLeft());
    }

    void windowAndGauges()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Collecting and updating thumbnails"));
        QCOMPARE(m_window->size(), QSize(563, 119));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QCOMPARE(m_window->FoldersGauge->geometry(), QRect(104, 32, 385, 17));
        QCOMPARE(m_window->FilesGauge->geometry(), QRect(104, 56, 385, 17));
        QCOMPARE(m_window->btnCancel->geometry(), QRect(244, 88, 75, 25));
        QCOMPARE(m_window->btnCancel->text(), QStringLiteral("Stop"));
    }

    void stopButtonOnlySetsTheFlag()
    {
        QVERIFY(!m_window->StopRequested);
        QTest::mouseClick(m_window->btnCancel, Qt::LeftButton);
        QVERIFY(m_window->StopRequested);
        QVERIFY(m_window->stopRequested());
        m_window->clearStopRequest();
        QVERIFY(!m_window->StopRequested);
    }

    void progressShownAsTheRunReportsIt()
    {
        ui::TfrmGetThumbs &w = *m_window;
        w.folderProgress(0, 3);
        QCOMPARE(w.lblFolderProgress->text(), QStringLiteral("0/3"));
        QCOMPARE(ui::gaugeMaximum(w.FoldersGauge), 3);

        w.folderStarted(QStringLiteral("/photos/Tom & Jerry <2>/"));
        QCOMPARE(w.lblCurrentFolder->text(), QStringLiteral("/photos/Tom & Jerry <2>/"));
        QCOMPARE(w.lblFileProgress->text(), QStringLiteral("..."));
        QCOMPARE(w.FilesGauge->value(), 0);

        // A folder of one file: the gauge runs from 0 to 0 and stays at 0.
        w.filesCounted(1);
        QCOMPARE(ui::gaugeMaximum(w.FilesGauge), 0);
        QCOMPARE(w.lblFileProgress->text(), QStringLiteral("0/1"));
        w.fileDone(0, 1);
        QCOMPARE(w.FilesGauge->value(), 0);
        QCOMPARE(w.lblFileProgress->text(), QStringLiteral("1/1"));
        // An empty range must not turn into a busy bar.
        QVERIFY(w.FilesGauge->maximum() > w.FilesGauge->minimum());

        w.filesCounted(10);
        QCOMPARE(ui::gaugeMaximum(w.FilesGauge), 9);
        w.fileDone(9, 10);
        QCOMPARE(w.FilesGauge->value(), 9);
        QCOMPARE(w.lblFileProgress->text(), QStringLiteral("10/10"));

        w.folderProgress(1, 3);
        QCOMPARE(w.FoldersGauge->value(), 1);
        QCOMPARE(w.lblFolderProgress->text(), QStringLiteral("1/3"));
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

        ui::executeThumbnailUpdate(m_mainWindow.get());

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

        ui::executeThumbnailUpdate(m_mainWindow.get());

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

        ui::executeThumbnailUpdate(m_mainWindow.get());

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

        QVERIFY_THROWS_EXCEPTION(std::exception, ui::executeThumbnailUpdate(m_mainWindow.get()));

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

        ui::executeThumbnailUpdate(m_mainWindow.get());

        QVERIFY(shownText.endsWith(QStringLiteral("The folder %1/ does not exist.").arg(missing)));
        QVERIFY(!mainEnabledWhileShown);
        QVERIFY(!m_logWindow->isVisible());
        QVERIFY(m_mainWindow->isEnabled());
    }

private:
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

    std::unique_ptr<test::ConnectedTestDatabase> m_db;
    std::unique_ptr<QTemporaryDir> m_pictures;
    std::unique_ptr<ui::TfrmGetThumbs> m_window;
    std::unique_ptr<log::TfrmLog> m_logWindow;
    std::unique_ptr<QWidget> m_mainWindow;
    int m_collection = 0;
};

QTEST_MAIN(TestGetThumbsWindow)
#include "test_getthumbswindow.moc"
