// The processing log window over a log of its own, offscreen.
#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <QtTest>

#include "log/logwindow.h"
#include "log/processinglog.h"

using namespace vexaris;

class TestLogWindow : public QObject
{
    Q_OBJECT

private slots:
    void showsEarlierLinesAndFollowsNewOnes()
    {
        log::ProcessingLog processingLog;
        processingLog.append(QStringLiteral("The folder /a/ does not exist."));
        log::TfrmLog window(processingLog);
        QCOMPARE(window.LogWindow->toPlainText(), QStringLiteral("The folder /a/ does not exist."));

        // A second run's lines come below the first run's.
        processingLog.append(QStringLiteral("Could not read the file /b/x.txt: Unknown picture file extension (.txt)"));
        QCOMPARE(window.LogWindow->toPlainText(),
            QStringLiteral("The folder /a/ does not exist.\n"
                           "Could not read the file /b/x.txt: Unknown picture file extension (.txt)"));
        QCOMPARE(window.LogWindow->document()->blockCount(), 2);
    }

    void sameLineTwiceIsKeptTwice()
    {
        log::ProcessingLog processingLog;
        log::TfrmLog window(processingLog);
        processingLog.append(QStringLiteral("The folder /gone/ does not exist."));
        processingLog.append(QStringLiteral("The folder /gone/ does not exist."));
        QCOMPARE(processingLog.lineCount(), 2);
        QCOMPARE(window.LogWindow->document()->blockCount(), 2);
    }

    void readOnlyText()
    {
        log::ProcessingLog processingLog;
        log::TfrmLog window(processingLog);
        QCOMPARE(window.windowTitle(), QStringLiteral("Vexaris 3.0 processing log"));
        QVERIFY(window.LogWindow->isReadOnly());
        QCOMPARE(window.LogWindow->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(window.btnOK->text(), QStringLiteral("OK"));
    }

    void clickedTextTakesTheKeysButTabPassesItBy()
    {
        log::ProcessingLog processingLog;
        QStringList lines;
        for (int i = 1; i <= 200; ++i)
            lines.append(QStringLiteral("The folder /photos/%1/ does not exist.").arg(i));
        for (const QString &line : lines)
            processingLog.append(line);
        log::TfrmLog window(processingLog);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QPlainTextEdit *text = window.LogWindow;

        // Tab goes round the window's controls without ever stopping in the text.
        window.btnOK->setFocus();
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(!text->hasFocus());
        }

        QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(text->hasFocus());
        // The newest lines are in view, the earlier ones a page up.
        const int bottom = text->verticalScrollBar()->value();
        QTest::keyClick(text, Qt::Key_PageUp);
        QVERIFY(text->verticalScrollBar()->value() < bottom);
        QTest::keyClick(text, Qt::Key_PageDown);
        QCOMPARE(text->verticalScrollBar()->value(), bottom);
        QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), lines.join(QLatin1Char('\n')));
    }

    void okClosesTheModalWindow()
    {
        log::ProcessingLog processingLog;
        log::TfrmLog window(processingLog);
        bool okHadFocus = false;
        QTimer::singleShot(0, &window, [&] {
            okHadFocus = window.btnOK->hasFocus() || window.focusWidget() == window.btnOK;
            QTest::mouseClick(window.btnOK, Qt::LeftButton);
        });

        window.showLog();

        QVERIFY(okHadFocus);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }

    void windowGoneLeavesTheLogWorking()
    {
        log::ProcessingLog processingLog;
        {
            log::TfrmLog window(processingLog);
        }
        processingLog.append(QStringLiteral("after the window"));
        QCOMPARE(processingLog.lineCount(), 1);
    }
};

QTEST_MAIN(TestLogWindow)
#include "test_logwindow.moc"
