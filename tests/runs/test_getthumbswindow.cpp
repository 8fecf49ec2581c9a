// The update run's window, offscreen: its controls and how it shows the run's progress.
#include <memory>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <QtTest>

#include "runs/getthumbswindow.h"

using namespace vexaris;

class TestGetThumbsWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_window = std::make_unique<ui::TfrmGetThumbs>(); }
    void cleanup() { m_window.reset(); }

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
    }

    void progressShownAsTheRunReportsIt()
    {
        ui::TfrmGetThumbs &w = *m_window;
        using Stage = runs::RunProgress::Stage;
        w.progress({Stage::FolderProgress, 0, 3, {}});
        QCOMPARE(w.lblFolderProgress->text(), QStringLiteral("0/3"));
        QCOMPARE(ui::gaugeMaximum(w.FoldersGauge), 3);

        w.progress({Stage::FolderStarted, 0, 0, QStringLiteral("/photos/Tom & Jerry <2>/")});
        QCOMPARE(w.lblCurrentFolder->text(), QStringLiteral("/photos/Tom & Jerry <2>/"));
        QCOMPARE(w.lblFileProgress->text(), QStringLiteral("..."));
        QCOMPARE(w.FilesGauge->value(), 0);

        // A folder of one file: the gauge runs from 0 to 0 and stays at 0.
        w.progress({Stage::FilesCounted, 0, 1, {}});
        QCOMPARE(ui::gaugeMaximum(w.FilesGauge), 0);
        QCOMPARE(w.lblFileProgress->text(), QStringLiteral("0/1"));
        w.progress({Stage::FileDone, 0, 1, {}});
        QCOMPARE(w.FilesGauge->value(), 0);
        QCOMPARE(w.lblFileProgress->text(), QStringLiteral("1/1"));
        // An empty range must not turn into a busy bar.
        QVERIFY(w.FilesGauge->maximum() > w.FilesGauge->minimum());

        w.progress({Stage::FilesCounted, 0, 10, {}});
        QCOMPARE(ui::gaugeMaximum(w.FilesGauge), 9);
        w.progress({Stage::FileDone, 9, 10, {}});
        QCOMPARE(w.FilesGauge->value(), 9);
        QCOMPARE(w.lblFileProgress->text(), QStringLiteral("10/10"));

        w.progress({Stage::FolderProgress, 1, 3, {}});
        QCOMPARE(w.FoldersGauge->value(), 1);
        QCOMPARE(w.lblFolderProgress->text(), QStringLiteral("1/3"));
    }

private:
    std::unique_ptr<ui::TfrmGetThumbs> m_window;
};

QTEST_MAIN(TestGetThumbsWindow)
#include "test_getthumbswindow.moc"
