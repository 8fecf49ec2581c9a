// The scan window, offscreen, on a real database file: its controls, its progress, and how it
// words the run's plan and result.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>

#include <QtTest>

#include "log/processinglog.h"
#include "runs/scanwindow.h"
#include "store/data.h"
#include "store/database.h"
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

const QString kUnchangedText = QStringLiteral(
    "The database for this collection has not changed since the last scan. If pictures have been are added or "
    "deleted, update the DB, then retry the scan.");
const QString kQuestionText
    = QStringLiteral("The scan settings are different from the previous scan. Do you want to use these new settings? "
                     "(The current duplicate data will be lost.)");
const QString kNoDuplicatesText = QStringLiteral("No duplicates were found during the scan. If you suspect that there "
                                                 "still are duplicates, you may try to scan with a higher threshold.");

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
    }

    void progressShownAndResetWhenShownAgain()
    {
        ui::TfrmScan window;
        window.show();
        window.RunScan(m_db->session(), m_log, parameters());
        QCOMPARE(window.GaugeLeft->maximum(), 3);
        QCOMPARE(window.GaugeLeft->value(), 3);
        QCOMPARE(window.lblLeftRecNo->text(), QStringLiteral("3/3"));
        QVERIFY(window.StopRequested());

        window.hide();
        window.show();
        QCOMPARE(window.GaugeLeft->value(), 0);
        QCOMPARE(window.lblLeftRecNo->text(), QStringLiteral("0/0"));
    }

    // Only name, size and dates make a pair under the file properties method: after it, the notice
    // goes on to the methods that look at the pictures.
    void noDuplicatesAfterTheFilePropertiesMethodPointsFurther()
    {
        ui::TfrmScan window;
        runs::ScanParameters byFile = parameters();
        byFile.method = 0;
        QCOMPARE(window.RunScan(m_db->session(), m_log, byFile).outcome, runs::ScanOutcome::Completed);
        QCOMPARE(m_hook->shownBoxes.size(), 1);
        QCOMPARE(m_hook->shownBoxes[0].text,
            kNoDuplicatesText
                + QStringLiteral("\n\nThe file properties method finds only copies whose sizes and dates agree; the "
                                 "methods that compare the color image also find copies that were scaled, converted "
                                 "or retouched."));
    }

    // The run's plan and result in the desktop program's words: the notice when nothing was found,
    // the message when nothing changed, and the question about new settings, where only Yes goes on.
    void saysWhatThePlanAndTheResultAre()
    {
        ui::TfrmScan window;
        QCOMPARE(window.RunScan(m_db->session(), m_log, parameters()).outcome, runs::ScanOutcome::Completed);
        QCOMPARE(m_hook->shownBoxes.size(), 1);
        QCOMPARE(m_hook->shownBoxes[0].caption, QStringLiteral("No Duplicates"));
        QCOMPARE(m_hook->shownBoxes[0].text, kNoDuplicatesText);

        QCOMPARE(window.RunScan(m_db->session(), m_log, parameters()).outcome, runs::ScanOutcome::Unchanged);
        QCOMPARE(m_hook->shownBoxes.size(), 2);
        QCOMPARE(m_hook->shownBoxes[1].caption, ui::applicationTitle());
        QCOMPARE(m_hook->shownBoxes[1].text, kUnchangedText);

        m_hook->yes = false;
        runs::ScanParameters other = parameters();
        other.threshold = 20;
        QCOMPARE(window.RunScan(m_db->session(), m_log, other).outcome, runs::ScanOutcome::Declined);
        QCOMPARE(m_hook->shownBoxes.size(), 3);
        QCOMPARE(m_hook->shownBoxes[2].caption, QStringLiteral("Confirmation"));
        QCOMPARE(m_hook->shownBoxes[2].text, kQuestionText);
        QCOMPARE(m_hook->shownBoxes[2].icon, QMessageBox::Question);
        QCOMPARE(m_db->count("SELECT LastTolerance FROM Collection WHERE ID = ?", {m_collection}), 10);

        m_hook->yes = true;
        QCOMPARE(window.RunScan(m_db->session(), m_log, other).outcome, runs::ScanOutcome::Completed);
        QCOMPARE(m_db->count("SELECT LastTolerance FROM Collection WHERE ID = ?", {m_collection}), 20);
    }

    void stopButtonEndsTheRunAfterTheLeftPictureInProgress()
    {
        ui::TfrmScan window;
        window.show();
        // Delivered when the run lets pending events through after its first left picture.
        QMetaObject::invokeMethod(window.btnCancel, &QPushButton::click, Qt::QueuedConnection);
        QCOMPARE(window.RunScan(m_db->session(), m_log, parameters()).outcome, runs::ScanOutcome::Stopped);
        QCOMPARE(window.lblLeftRecNo->text(), QStringLiteral("1/3"));
        QCOMPARE(m_db->count("SELECT ScanProgress FROM Collection WHERE ID = ?", {m_collection}), 0);
        QCOMPARE(m_db->count("SELECT Scanned FROM Collection WHERE ID = ?", {m_collection}), 0);
        QVERIFY(m_hook->shownBoxes.isEmpty()); // no "No Duplicates" notice
    }

private:
    static runs::ScanParameters parameters()
    {
        runs::ScanParameters parameters;
        parameters.collectionName = QStringLiteral("Holiday");
        parameters.method = 1;
        parameters.threshold = 10;
        return parameters;
    }

    std::unique_ptr<test::ConnectedTestDatabase> m_db;
    log::ProcessingLog m_log;
    std::unique_ptr<RecordingHook> m_hook;
    int m_collection = 0;
    int m_folder = 0;
};

QTEST_MAIN(TestScanWindow)
#include "test_duplicatescan_window.moc"
