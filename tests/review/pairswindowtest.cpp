// The pairs overview's wiring, offscreen, on a real database with real files and a Trash of the
// test's own: the order and the filters through the window's controls, a rule's plan over the
// selection, Settle as one batch on its worker thread with the table following, and the journal
// window's batch taken back whole. The rules behind them (groups, filters, orders, plans, batches)
// are the core's and tested there.
#include "review/pairswindow.h"

#include <memory>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeView>
#include <QTreeWidget>

#include <QSignalSpy>
#include <QTest>

#include "review/batch.h"
#include "review/journalwindow.h"
#include "review/pairsmodel.h"
#include "store/datetime.h"
#include "store/journal.h"
#include "store/rules.h"
#include "support/testdatabase.h"
#include "support/testdialogs.h"
#include "trashfixture.h"
#include "ui/histogram.h"

using namespace vexaris;
using namespace Qt::Literals::StringLiterals;

class PairsWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void theControlsOrderAndFilterTheTable();
    void settlesTheApprovedPairsOfAPlanAsOneBatch();
    void notAMatchForASelectionIsOneBatch();
    void theJournalTakesABatchBackWhole();

private:
    // A picture row for a real file of the test's folder, as the update run would have read it.
    int addFile(const QString &folder, const QString &name, int bytes);
    QString path(const QString &folder, const QString &name) const
    {
        return m_db->folder() + u'/' + folder + u'/' + name;
    }
    void showWindow();
    template <class Widget> Widget *child(const char *name) const
    {
        auto *widget = m_window->findChild<Widget *>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    // The pairs the table shows, by their letters, top to bottom.
    QString shownPairs() const;
    void selectRows(const QList<int> &rows);

    std::unique_ptr<test::OwnTrash> m_trash;
    std::unique_ptr<test::ConnectedTestDatabase> m_db;
    std::unique_ptr<ui::TfrmPairs> m_window;
    TestDialogs m_boxes;
    int m_collection = 0;
    QHash<qint64, QChar> m_letters;
};

// Five files in three folders and four pairs, in list order A 3, C 5, B 9, D 12. A, B and D join
// the sunsets into group 1, C pairs the dunes as group 2. Each pair's left file is the larger.
void PairsWindowTest::init()
{
    m_trash = std::make_unique<test::OwnTrash>();
    QVERIFY(m_trash->isValid());
    m_db = std::make_unique<test::ConnectedTestDatabase>();
    m_collection = m_db->addCollection(u"Holiday"_s);
    m_db->session().CurrentCollection.ID = m_collection;
    const int sunset = addFile(u"a"_s, u"sunset.jpg"_s, 500);
    const int dunes = addFile(u"a"_s, u"dunes.jpg"_s, 400);
    const int sunsetCopy = addFile(u"b"_s, u"sunset copy.jpg"_s, 300);
    const int dunesCopy = addFile(u"b"_s, u"dunes copy.jpg"_s, 200);
    const int sunsetOld = addFile(u"c"_s, u"sunset old.jpg"_s, 100);
    const std::tuple<char, int, int, int> pairs[] = {{'A', sunset, sunsetCopy, 3}, {'B', sunsetCopy, sunsetOld, 9},
        {'C', dunes, dunesCopy, 5}, {'D', sunset, sunsetOld, 12}};
    for (const auto &[letter, left, right, difference] : pairs) {
        m_db->addPair(m_collection, left, right, difference);
        m_letters.insert(m_db->database().lastInsertId(), QLatin1Char(letter));
    }
    m_boxes.reset();
    ui::setDialogHook(&m_boxes);
    m_window = std::make_unique<ui::TfrmPairs>(m_db->session());
    m_window->setFileOperation(std::make_unique<review::QtFileOperation>());
    m_window->setRememberPreference([] { return false; });
}

void PairsWindowTest::cleanup()
{
    m_window.reset();
    ui::setDialogHook(nullptr);
    m_db.reset();
    m_trash.reset();
}

int PairsWindowTest::addFile(const QString &folder, const QString &name, int bytes)
{
    QDir().mkpath(m_db->folder() + u'/' + folder);
    QFile file(path(folder, name));
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(bytes, 'x')) != bytes)
        qFatal("cannot write the file fixture");
    file.close();
    test::PictureRow row;
    row.collectionId = m_collection;
    row.folderId = m_db->addFolder(m_collection, m_db->folder() + u'/' + folder);
    row.fileName = name;
    row.size = bytes;
    row.modified = store::toDays(QFileInfo(file.fileName()).lastModified().toUTC());
    row.created = row.modified;
    return m_db->addPicture(row);
}

void PairsWindowTest::showWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

QString PairsWindowTest::shownPairs() const
{
    QString letters;
    const ui::PairsModel &model = m_window->model();
    for (int row = 0; row < model.rowCount(); ++row)
        letters += m_letters.value(model.pairIdAt(row));
    return letters;
}

void PairsWindowTest::selectRows(const QList<int> &rows)
{
    auto *view = child<QTreeView>("lstPairs");
    view->clearSelection();
    for (const int row : rows)
        view->selectionModel()->select(
            view->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void PairsWindowTest::theControlsOrderAndFilterTheTable()
{
    showWindow();
    QCOMPARE(shownPairs(), u"ACBD"_s);
    auto *view = child<QTreeView>("lstPairs");
    view->sortByColumn(ui::PairsModel::RightFile, Qt::AscendingOrder);
    QCOMPARE(shownPairs(), u"CABD"_s);
    view->sortByColumn(ui::PairsModel::Difference, Qt::DescendingOrder);
    QCOMPARE(shownPairs(), u"DBCA"_s);

    // The histogram's upper end two bins down (one bin a Difference here): 3 to 10.
    auto *histogram = child<ui::Histogram>("hstDifference");
    histogram->setFocus();
    QTest::keyClick(histogram, Qt::Key_Left);
    QTest::keyClick(histogram, Qt::Key_Left);
    QCOMPARE(child<QSpinBox>("spnMaxDifference")->value(), 10);
    QCOMPARE(shownPairs(), u"BCA"_s);
    qint64 counted = 0;
    for (const qint64 count : histogram->counts())
        counted += count;
    QCOMPARE(counted, 4); // every pair, in or out of the interval

    // The group panel's first group is the largest; choosing it filters the table to it.
    auto *groups = child<QTreeView>("lstGroups");
    const QModelIndex largest = groups->model()->index(0, 0);
    QTest::mouseClick(groups->viewport(), Qt::LeftButton, {}, groups->visualRect(largest).center());
    QCOMPARE(child<QSpinBox>("spnGroup")->value(), 1);
    QCOMPARE(shownPairs(), u"BA"_s);

    child<QPushButton>("btnShowAll")->click();
    QCOMPARE(shownPairs(), u"DBCA"_s);
    auto *folders = child<QComboBox>("cmbFolder");
    folders->setCurrentIndex(folders->findData(m_db->folder() + u"/c"_s));
    QCOMPARE(shownPairs(), u"DB"_s);

    // Enter on a pair asks for it in the review window.
    QSignalSpy opened(m_window.get(), &ui::TfrmPairs::pairOpened);
    view->setCurrentIndex(view->model()->index(1, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(m_letters.value(opened[0][0].toLongLong()), u'B');
}

void PairsWindowTest::settlesTheApprovedPairsOfAPlanAsOneBatch()
{
    review::Rule rule;
    rule.keeperOrder = review::defaultKeeperOrder();
    rule.keepFolders = {m_db->folder() + u"/a"_s};
    store::SaveRule(m_db->session(), u"Keep a"_s, review::ruleToText(rule));
    showWindow();

    // A and C selected: the plan is over them alone.
    selectRows({0, 1});
    auto *rules = child<QComboBox>("cmbRule");
    rules->setCurrentIndex(rules->findText(u"Keep a"_s));
    const ui::PairsModel &model = m_window->model();
    QCOMPARE(model.tally().planned, 2);
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(model.index(row, ui::PairsModel::Verdict).data().toString(), u"act"_s);
        QCOMPARE(model.index(row, ui::PairsModel::Keeper).data().toString(), u"left"_s);
        QVERIFY2(model.index(row, ui::PairsModel::Reasons).data().toString().contains(u"keep folder"_s),
            qPrintable(model.index(row, ui::PairsModel::Reasons).data().toString()));
    }
    QVERIFY(!model.index(2, ui::PairsModel::Verdict).data().isValid());

    // C set aside: Settle gives up A's right file alone.
    selectRows({1});
    child<QPushButton>("btnSetAside")->click();
    QCOMPARE(model.tally().approved, 1);
    QSignalSpy finished(m_window.get(), &ui::TfrmPairs::batchFinished);
    m_boxes.answers = {true};
    child<QPushButton>("btnSettle")->click();
    QVERIFY(m_window->batchRunning());
    QVERIFY(finished.wait());
    QVERIFY(!m_window->batchRunning());

    QVERIFY(!QFile::exists(path(u"b"_s, u"sunset copy.jpg"_s)));
    QVERIFY(QFile::exists(path(u"b"_s, u"dunes copy.jpg"_s)));
    QCOMPARE(m_trash->files().size(), 1);
    // The given-up picture's pairs leave the table; the others stay where they were.
    QCOMPARE(shownPairs(), u"CD"_s);
    QCOMPARE(m_boxes.notices.size(), 1);
    QVERIFY2(m_boxes.notices[0].text.startsWith(u"1 pairs settled: 1 files"_s), qPrintable(m_boxes.notices[0].text));
    const std::vector<store::BatchEntry> batches = store::ListBatches(m_db->session(), m_collection);
    QCOMPARE(batches.size(), size_t(1));
    QCOMPARE(batches[0].ruleName, u"Keep a"_s);
    QCOMPARE(batches[0].resolutions, 1);
}

void PairsWindowTest::notAMatchForASelectionIsOneBatch()
{
    showWindow();
    // C and D, the second and the last in the order of Difference.
    selectRows({1, 3});
    QSignalSpy finished(m_window.get(), &ui::TfrmPairs::batchFinished);
    m_boxes.answers = {true};
    child<QPushButton>("btnNotAMatch")->click();
    QVERIFY(finished.wait());
    QCOMPARE(shownPairs(), u"AB"_s);
    QVERIFY(m_trash->files().isEmpty());
    const std::vector<store::BatchEntry> batches = store::ListBatches(m_db->session(), m_collection);
    QCOMPARE(batches.size(), size_t(1));
    QCOMPARE(batches[0].resolutions, 2);
    QCOMPARE(review::ruleFromText(batches[0].rule).action, review::RuleAction::NotAMatch);
}

void PairsWindowTest::theJournalTakesABatchBackWhole()
{
    // A and C settled as one batch, each giving up its right file.
    review::PairList list;
    list.read(m_db->session(), m_collection);
    std::vector<review::BatchStep> steps;
    for (const auto &[id, letter] : m_letters.asKeyValueRange()) {
        if (letter == u'A' || letter == u'C')
            steps.push_back({list.row(id).value(), store::ResolutionAction::DeleteRight});
    }
    review::QtFileOperation files;
    struct : review::BatchObserver
    {
        void progress(const review::BatchProgress &) override { }
        bool stopRequested() override { return false; }
    } quiet;
    const review::BatchResult batch
        = review::applyBatch(m_db->session(), files, m_collection, steps, {u"Keep a"_s, QString(), false}, quiet);
    QCOMPARE(batch.settled, 2);
    // Another file has taken the place that one given-up file would come back to.
    QFile stranger(path(u"b"_s, u"dunes copy.jpg"_s));
    QVERIFY(stranger.open(QIODevice::WriteOnly));
    stranger.write("someone else's");
    stranger.close();

    ui::TfrmJournal journal(m_db->session());
    journal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&journal));
    QTreeWidget *entries = journal.lstResolutions;
    QCOMPARE(entries->topLevelItemCount(), 1);
    QTreeWidgetItem *item = entries->topLevelItem(0);
    QCOMPARE(item->text(1), u"Batch of the rule Keep a"_s);
    QCOMPARE(item->text(2), u"2 pairs"_s);
    QCOMPARE(item->childCount(), 2);

    item->setSelected(true);
    journal.btnUndo->click();
    QCOMPARE(m_boxes.notices.size(), 1);
    const QString notice = m_boxes.notices[0].text;
    QVERIFY2(notice.startsWith(u"1 restored, 1 refused."_s), qPrintable(notice));
    QVERIFY2(notice.contains(path(u"b"_s, u"dunes copy.jpg"_s)), qPrintable(notice));
    QVERIFY(QFile::exists(path(u"b"_s, u"sunset copy.jpg"_s)));
    QCOMPARE(m_trash->files().size(), 1);
    QCOMPARE(entries->topLevelItem(0)->text(6), u"Partly"_s);
}

QTEST_MAIN(PairsWindowTest)
#include "pairswindowtest.moc"
