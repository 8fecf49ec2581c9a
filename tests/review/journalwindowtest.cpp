// The journal window's wiring, offscreen, on a real database, real files and a Trash of the
// test's own: the resolutions it lists, Undo through to the files and back into the list, a
// refusal, and giving up a remembered not-a-match pair. What an undo does is the review core's
// and tested there.
#include "review/journalwindow.h"

#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTreeWidget>

#include <QTest>

#include "review/pairreview.h"
#include "store/datetime.h"
#include "store/journal.h"
#include "support/testdatabase.h"
#include "support/testdialogs.h"
#include "trashfixture.h"

using namespace vexaris;
using namespace Qt::Literals::StringLiterals;

namespace {

class NoSteps : public review::ResolutionSteps, public review::FileOperationProgress
{
public:
    review::FileOperationProgress &started(Step) override { return *this; }
    void finished() override { }
    void advanced(qint64, qint64) override { }
};

} // namespace

class JournalWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listsAResolutionAndUndoesTheNewest();
    void refusalShowsOneMessageAndChangesNothing();
    void forgettingTakesTheSelectedPairOnly();

private:
    // A picture row for a real file of the test's folder, as the update run would have read it.
    int addFile(const QString &folder, const QString &name, const QByteArray &contents);
    // Two files paired, and the right one sent to the Trash through the review.
    qint64 resolveOnePair();
    void showWindow();

    std::unique_ptr<test::OwnTrash> m_trash;
    std::unique_ptr<test::ConnectedTestDatabase> m_db;
    std::unique_ptr<ui::TfrmJournal> m_window;
    TestDialogs m_boxes;
    int m_collection = 0;
    QString m_rightPath;
};

void JournalWindowTest::initTestCase()
{
    qputenv("TZ", "UTC");
}

void JournalWindowTest::init()
{
    m_trash = std::make_unique<test::OwnTrash>();
    QVERIFY(m_trash->isValid());
    m_db = std::make_unique<test::ConnectedTestDatabase>();
    m_collection = m_db->addCollection(u"Holiday"_s);
    m_db->session().CurrentCollection.ID = m_collection;
    m_boxes.reset();
    ui::setDialogHook(&m_boxes);
    m_window = std::make_unique<ui::TfrmJournal>(m_db->session());
}

void JournalWindowTest::cleanup()
{
    m_window.reset();
    ui::setDialogHook(nullptr);
    m_db.reset();
    m_trash.reset();
}

int JournalWindowTest::addFile(const QString &folder, const QString &name, const QByteArray &contents)
{
    const QString folderPath = m_db->folder() + u'/' + folder;
    QDir().mkpath(folderPath);
    QFile file(folderPath + u'/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write the file fixture");
    file.close();
    const QFileInfo info(file.fileName());
    test::PictureRow row;
    row.collectionId = m_collection;
    row.folderId = m_db->addFolder(m_collection, folderPath);
    row.fileName = name;
    row.size = info.size();
    row.modified = store::toDays(info.lastModified().toUTC());
    row.created = row.modified;
    return m_db->addPicture(row);
}

qint64 JournalWindowTest::resolveOnePair()
{
    const int left = addFile(u"a"_s, u"sunset.jpg"_s, QByteArray(300, 'L'));
    const int right = addFile(u"b"_s, u"sunset copy.jpg"_s, QByteArray(200, 'R'));
    m_rightPath = m_db->folder() + u"/b/sunset copy.jpg"_s;
    m_db->addPair(m_collection, left, right, 7);
    review::QtFileOperation files;
    review::PairReview review(m_db->session(), files);
    review.open();
    NoSteps steps;
    const review::ResolutionResult result
        = review.resolve(review.current().id, store::ResolutionAction::DeleteRight, steps);
    if (result.outcome != review::ResolutionOutcome::Done)
        qFatal("the resolution of the fixture failed: %s", qPrintable(result.message));
    return result.journalId;
}

void JournalWindowTest::showWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void JournalWindowTest::listsAResolutionAndUndoesTheNewest()
{
    resolveOnePair();
    QVERIFY(!QFile::exists(m_rightPath));
    showWindow();

    QCOMPARE(m_window->lstResolutions->topLevelItemCount(), 1);
    const QTreeWidgetItem *row = m_window->lstResolutions->topLevelItem(0);
    QVERIFY2(row->text(0).endsWith(u" UTC"_s), qPrintable(row->text(0)));
    QCOMPARE(row->text(1), u"Right file to the Trash"_s);
    QCOMPARE(row->text(2), m_db->folder() + u"/a/sunset.jpg"_s);
    QCOMPARE(row->toolTip(3), m_rightPath);
    QCOMPARE(row->text(4), m_trash->files().value(0));
    QCOMPARE(row->text(5), u"7"_s);
    QCOMPARE(row->text(6), u"No"_s);
    QVERIFY(m_window->btnUndo->isEnabled());

    // Nothing selected: the newest entry not yet undone.
    m_window->btnUndo->click();
    QVERIFY(m_boxes.notices.isEmpty());
    QVERIFY(QFile::exists(m_rightPath));
    QVERIFY(m_trash->files().isEmpty());
    QCOMPARE(m_window->lstResolutions->topLevelItemCount(), 1);
    QCOMPARE(m_window->lstResolutions->topLevelItem(0)->text(6), u"Yes"_s);
    QVERIFY(!m_window->btnUndo->isEnabled());
}

void JournalWindowTest::refusalShowsOneMessageAndChangesNothing()
{
    const qint64 entry = resolveOnePair();
    // Another file has taken the place the given-up one would come back to.
    QFile stranger(m_rightPath);
    QVERIFY(stranger.open(QIODevice::WriteOnly));
    stranger.write("someone else's");
    stranger.close();
    showWindow();
    m_window->lstResolutions->topLevelItem(0)->setSelected(true);

    m_window->btnUndo->click();
    QCOMPARE(m_boxes.notices.size(), 1);
    QVERIFY2(m_boxes.notices[0].text.contains(m_rightPath), qPrintable(m_boxes.notices[0].text));
    QCOMPARE(m_trash->files().size(), 1);
    QFile kept(m_rightPath);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("someone else's"));
    QVERIFY(!store::FindResolution(m_db->session(), entry).value().undone);
    QCOMPARE(m_window->lstResolutions->topLevelItem(0)->text(6), u"No"_s);
}

void JournalWindowTest::forgettingTakesTheSelectedPairOnly()
{
    store::RememberNotAMatch(
        m_db->session(), QByteArray(16, 'a'), QByteArray(16, 'b'), u"/pics/a.jpg"_s, u"/pics/b.jpg"_s);
    store::RememberNotAMatch(
        m_db->session(), QByteArray(16, 'c'), QByteArray(16, 'd'), u"/pics/c.jpg"_s, u"/pics/d.jpg"_s);
    showWindow();
    QTreeWidget *list = m_window->lstNotAMatches;
    QCOMPARE(list->topLevelItemCount(), 2);
    QVERIFY(!m_window->btnForget->isEnabled());
    int row = 0;
    while (row < list->topLevelItemCount() && list->topLevelItem(row)->text(1) != u"/pics/c.jpg"_s)
        ++row;
    QVERIFY(row < list->topLevelItemCount());
    list->topLevelItem(row)->setSelected(true);
    QVERIFY(m_window->btnForget->isEnabled());

    m_window->btnForget->click();
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(1), u"/pics/a.jpg"_s);
    const std::vector<store::RememberedNotAMatch> left = store::ListRememberedNotAMatches(m_db->session());
    QCOMPARE(left.size(), size_t(1));
    QCOMPARE(left[0].rightPath, u"/pics/b.jpg"_s);
}

QTEST_MAIN(JournalWindowTest)
#include "journalwindowtest.moc"
