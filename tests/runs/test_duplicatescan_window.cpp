// The scan window and the main window's Scan command, offscreen, on a real database file.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStandardPaths>
#include <QWidget>

#include <QtTest>

#include "app/dialogs.h"
#include "runs/scancommand.h"
#include "runs/scanwindow.h"
#include "settings/optionswindow.h"
#include "store/data.h"
#include "store/database.h"
#include "support/testdatabase.h"

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
        return true;
    }
    void shown(const ui::BoxRecord &notice) override
    {
        shownBoxes.append(notice);
        if (onNotice)
            onNotice();
    }
    QString input(const ui::BoxRecord &, const QString &initial) override { return initial; }

    QList<ui::BoxRecord> shownBoxes;
    std::function<void()> onNotice;
};

} // namespace

class TestScanWindow : public QObject
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
        QVERIFY(store::LoadCollection(QStringLiteral("Holiday"), store::CurrentCollection, folders));
        m_hook = std::make_unique<RecordingHook>();
        ui::setDialogHook(m_hook.get());
    }

    void cleanup()
    {
        ui::setDialogHook(nullptr);
        m_hook.reset();
        m_db.reset();
    }

    void controlsAndTexts()
    {
        ui::TfrmScan window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Scanning for duplicates"));
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(
            window.findChild<QLabel *>(QStringLiteral("lblScanProgress"))->text(), QStringLiteral("Scan progress:"));
        QVERIFY(window.findChild<QProgressBar *>(QStringLiteral("GaugeLeft")));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblLeftRecNo"))->text(), QStringLiteral("0/0"));
        QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("btnCancel"))->text(), QStringLiteral("Stop"));
        QCOMPARE(ui::TfrmScan::instance(), &window);
    }

    void progressShownAndResetWhenShownAgain()
    {
        ui::TfrmScan window;
        window.show();
        window.RunScan(QList<int> {});
        QCOMPARE(window.GaugeLeft->maximum(), 3);
        QCOMPARE(window.GaugeLeft->value(), 3);
        QCOMPARE(window.lblLeftRecNo->text(), QStringLiteral("3/3"));
        QVERIFY(window.StopRequested());

        window.hide();
        window.show();
        QCOMPARE(window.GaugeLeft->value(), 0);
        QCOMPARE(window.lblLeftRecNo->text(), QStringLiteral("0/0"));
    }

    // The preferences window's controls, not the stored values, choose the method and threshold.
    void usesThePreferencesWindowsMethodAndThreshold()
    {
        settings::TfrmOptions options;
        options.findChild<QSlider *>(QStringLiteral("trbThreshold"))->setValue(37);
        const QList<QRadioButton *> methods = options.findChildren<QRadioButton *>();
        QCOMPARE(methods.size(), 6);
        methods[4]->setChecked(true);

        ui::TfrmScan window;
        QCOMPARE(window.RunScan(QList<int> {}).outcome, runs::ScanOutcome::Completed);
        QCOMPARE(m_db->count("SELECT LastMethod FROM Collection WHERE ID = ?", {m_collection}), 4);
        QCOMPARE(m_db->count("SELECT LastTolerance FROM Collection WHERE ID = ?", {m_collection}), 37);
    }

    void stopButtonEndsTheRunAfterTheLeftPictureInProgress()
    {
        ui::TfrmScan window;
        window.show();
        // Delivered when the run lets pending events through after its first left picture.
        QMetaObject::invokeMethod(window.btnCancel, &QPushButton::click, Qt::QueuedConnection);
        runs::ScanParameters parameters;
        parameters.collectionName = QStringLiteral("Holiday");
        parameters.method = 1;
        parameters.threshold = 10;
        QCOMPARE(window.RunScan(parameters).outcome, runs::ScanOutcome::Stopped);
        QCOMPARE(window.lblLeftRecNo->text(), QStringLiteral("1/3"));
        QCOMPARE(m_db->count("SELECT ScanProgress FROM Collection WHERE ID = ?", {m_collection}), 0);
        QCOMPARE(m_db->count("SELECT Scanned FROM Collection WHERE ID = ?", {m_collection}), 0);
        QVERIFY(m_hook->shownBoxes.isEmpty()); // no "No Duplicates" notice
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

        ui::executeScan(&mainWindow, {});
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
        store::CurrentCollection.Name = QStringLiteral("Gone");
        QVERIFY_THROWS_EXCEPTION(Error, ui::executeScan(&mainWindow, {}));
        QVERIFY(mainWindow.isEnabled());
        QVERIFY(!window.isVisible());
    }

private:
    std::unique_ptr<test::ConnectedTestDatabase> m_db;
    std::unique_ptr<RecordingHook> m_hook;
    int m_collection = 0;
    int m_folder = 0;
};

QTEST_MAIN(TestScanWindow)
#include "test_duplicatescan_window.moc"
