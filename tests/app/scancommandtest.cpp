// The main window's Scan command, offscreen, on a real database file: the windows around the
// run, and the log at its end.
#include "app/scancommand.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <QtTest>

#include "log/logwindow.h"
#include "log/processinglog.h"
#include "runs/duplicatescan.h"
#include "runs/scanwindow.h"
#include "store/data.h"
#include "support/testdatabase.h"
#include "ui/dialogs.h"

using namespace vexaris;

namespace {

// Answers every question with Yes and notes what the run showed, and how the windows stood at
// that moment.
class RecordingHook : public ui::DialogHook
{
public:
    bool answer(const ui::BoxRecord &question) override
    {
        shownBoxes.append(question);
        return yes;
    }
    void shown(const ui::BoxRecord &notice) override
    {
        shownBoxes.append(notice);
        if (onNotice)
            onNotice();
    }
    QString input(const ui::BoxRecord &, const QString &initial) override { return initial; }

    bool yes = true;
    QList<ui::BoxRecord> shownBoxes;
    std::function<void()> onNotice;
};

} // namespace

class TestScanCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_db = std::make_unique<test::ConnectedTestDatabase>();
        m_collection = m_db->addCollection(QStringLiteral("Holiday"));
        m_folder = m_db->addFolder(m_collection, QStringLiteral("/pictures"));
        for (int i = 0; i < 3; ++i) {
            test::PictureRow row;
            row.collectionId = m_collection;
            row.folderId = m_folder;
            row.fileName = QStringLiteral("p%1.jpg").arg(i);
            row.size = 1000 + i;
            row.created = 40000 + i;
            row.thumbnail = QByteArray(3072, static_cast<char>(100 * i)); // no two alike
            row.colorRank = 1000 * i;
            m_db->addPicture(row);
        }
        store::FolderList folders;
        QVERIFY(store::LoadCollection(
            m_db->session(), QStringLiteral("Holiday"), m_db->session().CurrentCollection, folders));
        m_hook = std::make_unique<RecordingHook>();
        ui::setDialogHook(m_hook.get());
    }

    void cleanup()
    {
        ui::setDialogHook(nullptr);
        m_hook.reset();
        m_db.reset();
    }

    void scanCommandDisablesTheMainWindowAndRestoresIt()
    {
        QWidget mainWindow;
        mainWindow.show();
        // Owned by the main window, as at program start: disabling the main window must leave the
        // Stop button usable.
        ui::TfrmScan window(&mainWindow);
        bool mainEnabledDuringRun = true;
        bool scanVisibleDuringRun = false;
        bool stopEnabledDuringRun = false;
        m_hook->onNotice = [&] {
            mainEnabledDuringRun = mainWindow.isEnabled();
            scanVisibleDuringRun = window.isVisible();
            stopEnabledDuringRun = window.btnCancel->isEnabled();
        };

        scan(&mainWindow, window);
        QVERIFY(!mainEnabledDuringRun);
        QVERIFY(scanVisibleDuringRun);
        QVERIFY(stopEnabledDuringRun);
        QVERIFY(mainWindow.isEnabled());
        QVERIFY(!window.isVisible());
        QCOMPARE(m_hook->shownBoxes.size(), 1);
        QCOMPARE(m_hook->shownBoxes[0].caption, QStringLiteral("No Duplicates"));
    }

    void scanCommandRestoresTheWindowsWhenTheRunFails()
    {
        QWidget mainWindow;
        mainWindow.show();
        ui::TfrmScan window;
        QVERIFY_THROWS_EXCEPTION(Error, scan(&mainWindow, window, QStringLiteral("Gone")));
        QVERIFY(mainWindow.isEnabled());
        QVERIFY(!window.isVisible());
    }

    void showsTheLogOnlyWhenTheRunAddedLines()
    {
        QWidget mainWindow;
        ui::TfrmScan window;
        log::TfrmLog logWindow(m_log);
        int shown = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (QApplication::activeModalWidget() != &logWindow)
                return;
            ++shown;
            QTest::mouseClick(logWindow.btnOK, Qt::LeftButton);
        });
        poll.start(10);

        m_log.append(QStringLiteral("a line of an earlier run"));
        ui::executeScan(&mainWindow, m_db->session(), parameters(), window, m_log, logWindow);
        QCOMPARE(shown, 0);

        // Lines added while the scan runs, as by a window that logs what it meets.
        m_db->database().Execute(QStringLiteral("UPDATE Collection SET Scanned = 0"));
        QTimer::singleShot(0, this, [this] { m_log.append(QStringLiteral("a line of this run")); });
        ui::executeScan(&mainWindow, m_db->session(), parameters(), window, m_log, logWindow);
        QCOMPARE(shown, 1);
    }

private:
    static runs::ScanParameters parameters(const QString &collection = QStringLiteral("Holiday"))
    {
        runs::ScanParameters parameters;
        parameters.collectionName = collection;
        parameters.method = 1;
        parameters.threshold = 10;
        return parameters;
    }

    void scan(QWidget *mainWindow, ui::TfrmScan &window, const QString &collection = QStringLiteral("Holiday"))
    {
        log::TfrmLog logWindow(m_log);
        ui::executeScan(mainWindow, m_db->session(), parameters(collection), window, m_log, logWindow);
    }

    log::ProcessingLog m_log;
    std::unique_ptr<test::ConnectedTestDatabase> m_db;
    std::unique_ptr<RecordingHook> m_hook;
    int m_collection = 0;
    int m_folder = 0;
};

QTEST_MAIN(TestScanCommand)
#include "scancommandtest.moc"
