// The review window on a real database with real picture files and a Trash of the test's own:
// the list, the details and marks, navigation, the picture panes and the resolutions.
#include "review/duplicateswindow.h"

#include <memory>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>

#include <QSignalSpy>
#include <QTest>

#include "review/fileoperation.h"
#include "review/pairreview.h"
#include "store/data.h"
#include "store/datetime.h"
#include "store/journal.h"
#include "support/readonlyfolder.h"
#include "support/testdatabase.h"
#include "trashfixture.h"
#include "ui/dialogs.h"
#include "ui/elidedlabel.h"
#include "ui/picturelabel.h"

using namespace vexaris;
using namespace vexaris::ui;
using namespace Qt::Literals::StringLiterals;

namespace {

// Answers the questions in turn (No once the list runs out) and keeps every box it was shown.
class Boxes : public DialogHook
{
public:
    bool answer(const BoxRecord &question) override
    {
        questions << question;
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    void shown(const BoxRecord &notice) override { notices << notice; }
    QString input(const BoxRecord &, const QString &initial) override { return initial; }

    QList<bool> answers;
    QList<BoxRecord> questions;
    QList<BoxRecord> notices;
};

// The real operations, noting the title of the progress box that is up while each one runs.
class WatchedFileOperation : public review::FileOperation
{
public:
    explicit WatchedFileOperation(QStringList &titles)
        : m_titles(titles)
    {
    }
    QString trashFolderFor(const QString &path, QString &message) override
    {
        return m_real.trashFolderFor(path, message);
    }
    review::TrashSlotResult trashSlot(const QString &path) override { return m_real.trashSlot(path); }
    review::FileOperationResult recycle(const QString &path, const review::TrashSlot &slot) override
    {
        note();
        return m_real.recycle(path, slot);
    }
    review::FileOperationResult restore(const review::TrashSlot &slot, const QString &originalPath) override
    {
        return m_real.restore(slot, originalPath);
    }
    bool inTrash(const review::TrashSlot &slot, const QString &originalPath) override
    {
        return m_real.inTrash(slot, originalPath);
    }
    void discardSlot(const review::TrashSlot &slot, const QString &originalPath) override
    {
        m_real.discardSlot(slot, originalPath);
    }
    review::TrashSlot findTrashed(const QString &name, const QString &originalPath) override
    {
        return m_real.findTrashed(name, originalPath);
    }
    review::FileOperationResult move(
        const QString &source, const QString &target, review::FileOperationProgress &progress) override
    {
        note();
        return m_real.move(source, target, progress);
    }
    review::FileOperationResult copy(
        const QString &source, const QString &target, review::FileOperationProgress &progress) override
    {
        note();
        return m_real.copy(source, target, progress);
    }
    review::FileOperationResult removeCopy(const QString &path, qint64 size) override
    {
        return m_real.removeCopy(path, size);
    }

private:
    void note()
    {
        QString title;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<QProgressDialog *>(widget); box && box->isVisible())
                title = box->labelText();
        }
        m_titles << title;
    }

    review::QtFileOperation m_real;
    QStringList &m_titles;
};

struct PictureFixture
{
    QString folder; // a sub-folder of the test's folder
    QString name;
    QSize dimensions = QSize(64, 48);
    qint64 size = 0; // the Size column; 0: the file's real length
    double created = 40000.25;
    double modified = 40000.5;
};

} // namespace

class DuplicatesWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // The list and its details
    void onePairCannotBeSteppedAway();
    void largerFileGoesLeft_data();
    void largerFileGoesLeft();
    void moveButtonsNeedTwoFolders_data();
    void moveButtonsNeedTwoFolders();
    void marksFollowPixelCountsAndDates_data();
    void marksFollowPixelCountsAndDates();
    void datesInTheRegionalFormat_data();
    void datesInTheRegionalFormat();
    void navigationStepsThroughTheList();
    void opensAtTheStartPairWithItsDifference();
    void showingAgainAfterTheListShrankStartsAtOne();
    void spaceTogglesBothDetailsPanels();
    void escapeClosesTheWindow();
    void pathLabelsShowTheirPathAsToolTip();
    void smallestWindowShortensPathsButNotTheSeconds();
    void resizeSplitsHalvesAndCentresTheMiddleButtons();

    // The picture panes
    void fittedPicturesFillThePane();
    void actualSizeSmallerThanThePaneStaysCentred();
    void actualSizeLargerOneWayDragsOneWayOnly();
    void doubleClickWhenFittedGivesActualSize();
    void twoDoubleClicksKeepTheCentrePoint();
    void rightClickHalvesBothPictures();
    void halfSizePictureFollowsAtHalfTheSpeed();
    void zoomStaysWithinItsLimits();
    void pictureThatFailsLeavesItsPaneEmpty();
    void firstPairsMissingFileIsNamedOverTheShownWindow();
    void shownPictureFilesAreNotHeldOpen();
    void firstPairFollowsTheWindowUntilTouched();

    // Resolutions
    void deleteOnlyPairClosesTheWindow();
    void answeringNoChangesNothing();
    void notAMatchOnOnlyPairClosesTheWindow();
    void notAMatchRemembersWhenThePreferenceSaysSo();
    void notAMatchShowsTheNeighbour_data();
    void notAMatchShowsTheNeighbour();
    void deleteTakesEveryPairOfTheVictim_data();
    void deleteTakesEveryPairOfTheVictim();
    void moveOntoATakenNameAddsAnX();
    void moveKeepsTheNameWhenTheVictimHasGone();
    void moveShowsTheSurvivorsNextPair();
    void deleteLeftOnASwappedPair();
    void copyLeavesTheSurvivorAlone();
    void progressShowsTheOperationsTitle();
    void failedRecycleChangesNothing();
    void missingSurvivorOffersToForgetThePair();
    void failedMoveAfterRecycleSaysWhereEachFileIs();
    void oneFileOnBothSidesIsNeverRecycled();

private:
    QString folderPath(const QString &folder) const { return m_db->folder() + u'/' + folder; }
    int folderId(const QString &folder);
    int addPicture(const PictureFixture &fixture);
    void addPair(int left, int right, int difference) { m_db->addPair(m_collection, left, right, difference); }
    void showWindow();
    QSize pane(PictureLabel *image) const { return image->parentWidget()->size(); }
    // Drags an image by delta in screen coordinates, pressing at its pane's centre.
    void drag(PictureLabel *image, QPoint delta);
    qint64 rows(const char *sql, const store::Parameters &parameters = {}) { return m_db->count(sql, parameters); }
    bool pictureRowExists(int id) { return rows("SELECT COUNT(*) FROM Picture WHERE ID = ?", {id}) == 1; }
    bool pairExists(int left, int right)
    {
        return rows("SELECT COUNT(*) FROM Duplicate WHERE Left_ID = ? AND Right_ID = ?", {left, right}) == 1;
    }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::unique_ptr<test::OwnTrash> m_trash;
    std::unique_ptr<test::ConnectedTestDatabase> m_db;
    std::unique_ptr<TfrmDuplicates> m_window;
    Boxes m_boxes;
    QMap<QString, int> m_folders;
    int m_collection = 0;
    bool m_stretch = true;
};

void DuplicatesWindowTest::initTestCase()
{
    // Dates are shown in the user's time zone; the figures below are in UTC.
    qputenv("TZ", "UTC");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void DuplicatesWindowTest::init()
{
    m_trash = std::make_unique<test::OwnTrash>();
    QVERIFY(m_trash->isValid());
    m_db = std::make_unique<test::ConnectedTestDatabase>();
    m_collection = m_db->addCollection(u"Holiday"_s);
    m_db->session().CurrentCollection.ID = m_collection;
    m_folders.clear();
    m_boxes = Boxes();
    setDialogHook(&m_boxes);
    m_stretch = true;
    m_window = std::make_unique<TfrmDuplicates>(m_db->session());
    m_window->setStretchPreference([this] { return m_stretch; });
    m_window->resize(1000, 700);
}

void DuplicatesWindowTest::cleanup()
{
    m_window.reset();
    setDialogHook(nullptr);
    m_db.reset();
    m_trash.reset();
}

int DuplicatesWindowTest::folderId(const QString &folder)
{
    if (!m_folders.contains(folder)) {
        QDir().mkpath(folderPath(folder));
        m_folders[folder] = m_db->addFolder(m_collection, folderPath(folder));
    }
    return m_folders[folder];
}

int DuplicatesWindowTest::addPicture(const PictureFixture &fixture)
{
    const int folder = folderId(fixture.folder);
    const QString path = folderPath(fixture.folder) + u'/' + fixture.name;
    // A gradient, so that each picture point has a colour of its own.
    QImage image(fixture.dimensions, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / image.width(), y * 255 / image.height(), 128));
    }
    const QByteArray format = fixture.name.endsWith(u".png"_s, Qt::CaseInsensitive) ? "PNG" : "JPG";
    if (!image.save(path, format.constData()))
        qFatal("cannot write the picture fixture");
    // The file as its row says, so that a resolution finds it unchanged: padded to the row's
    // size (readers stop at the picture's end) and with the row's modification time. Sizes the
    // file cannot have (a few bytes, gigabytes) stay in the row alone, for tests that resolve nothing.
    QFile file(path);
    const bool padded = fixture.size > file.size() && fixture.size < (qint64(1) << 20);
    if (!file.open(QIODevice::ReadWrite) || (padded && !file.resize(fixture.size))
        || !file.setFileTime(store::fromDays(fixture.modified), QFileDevice::FileModificationTime))
        qFatal("cannot give the picture fixture its size and time");
    file.close();
    test::PictureRow row;
    row.collectionId = m_collection;
    row.folderId = folder;
    row.fileName = fixture.name;
    row.size = fixture.size ? fixture.size : QFileInfo(path).size();
    row.created = fixture.created;
    row.modified = fixture.modified;
    row.width = fixture.dimensions.width();
    row.height = fixture.dimensions.height();
    return m_db->addPicture(row);
}

void DuplicatesWindowTest::showWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void DuplicatesWindowTest::drag(PictureLabel *image, QPoint delta)
{
    const QPoint start = image->parentWidget()->mapTo(m_window.get(), image->parentWidget()->rect().center());
    const QPoint local = image->mapFrom(m_window.get(), start);
    const QPoint globalStart = image->mapToGlobal(local);
    QTest::mousePress(image, Qt::LeftButton, {}, local);
    QTest::mouseMove(image, image->mapFromGlobal(globalStart + delta));
    QTest::mouseRelease(image, Qt::LeftButton, {}, image->mapFromGlobal(globalStart + delta));
}

// ---- The list and its details ----

void DuplicatesWindowTest::onePairCannotBeSteppedAway()
{
    const int a = addPicture({u"a"_s, u"one.png"_s});
    const int b = addPicture({u"b"_s, u"two.png"_s});
    addPair(a, b, 3);
    showWindow();
    QCOMPARE(m_window->trbRecNo->minimum(), 1);
    QCOMPARE(m_window->trbRecNo->maximum(), 1);
    QCOMPARE(m_window->lblDupNumber->text(), u"1/1"_s);
    QVERIFY(m_window->lblDupNumber->isVisible());

    m_window->btnPrev->click();
    m_window->btnNext->click();
    QTest::keyClick(m_window.get(), Qt::Key_PageUp);
    QTest::keyClick(m_window.get(), Qt::Key_PageDown);
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_window->imgLeft, &wheel);
    QCOMPARE(m_window->review().position(), 1);
    QCOMPARE(m_window->trbRecNo->value(), 1);
    QCOMPARE(m_window->lblDupNumber->text(), u"1/1"_s);
    QVERIFY(m_boxes.notices.isEmpty());
}

void DuplicatesWindowTest::largerFileGoesLeft_data()
{
    QTest::addColumn<qint64>("storedLeftSize");
    QTest::addColumn<qint64>("storedRightSize");
    QTest::addColumn<bool>("swapped");
    QTest::addColumn<QColor>("leftBackground");
    QTest::addColumn<QColor>("leftText");
    QTest::addColumn<QColor>("rightBackground");

    const QPalette system = QApplication::palette();
    QTest::newRow("stored left larger") << qint64(5000) << qint64(3000) << false << QColor(0, 128, 0)
                                        << QColor(0, 255, 0) << QColor(128, 0, 0);
    QTest::newRow("equal sizes keep the stored order")
        << qint64(4000) << qint64(4000) << false << system.color(QPalette::Button) << system.color(QPalette::WindowText)
        << system.color(QPalette::Button);
    QTest::newRow("stored right larger is shown left")
        << qint64(3000) << qint64(5000) << true << QColor(0, 128, 0) << QColor(0, 255, 0) << QColor(128, 0, 0);
    // Sizes beyond 32 bits keep their sign.
    QTest::newRow("sizes beyond 32 bits")
        << qint64(3) << qint64(5'000'000'000) << true << QColor(0, 128, 0) << QColor(0, 255, 0) << QColor(128, 0, 0);
}

void DuplicatesWindowTest::largerFileGoesLeft()
{
    QFETCH(qint64, storedLeftSize);
    QFETCH(qint64, storedRightSize);
    QFETCH(bool, swapped);
    QFETCH(QColor, leftBackground);
    QFETCH(QColor, leftText);
    QFETCH(QColor, rightBackground);

    const int stored = addPicture({u"one"_s, u"stored-left.png"_s, QSize(80, 60), storedLeftSize, 40000.0, 40001.0});
    const int other = addPicture({u"two"_s, u"stored-right.png"_s, QSize(90, 70), storedRightSize, 40002.0, 40003.0});
    addPair(stored, other, 1);
    showWindow();

    QCOMPARE(m_window->review().leftSide(), swapped ? 'R' : 'L');
    QCOMPARE(m_window->review().rightSide(), swapped ? 'L' : 'R');
    const QString leftName = swapped ? u"stored-right.png"_s : u"stored-left.png"_s;
    QCOMPARE(m_window->lblLeftFile->text(), leftName);
    QCOMPARE(m_window->lblLeftPath->text(), folderPath(swapped ? u"two"_s : u"one"_s));
    QCOMPARE(m_window->lblLeftSize->text(), QString::number(swapped ? storedRightSize : storedLeftSize));
    QCOMPARE(m_window->lblLeftDimensions->text(), swapped ? u"90 x 70"_s : u"80 x 60"_s);
    QCOMPARE(m_window->imgLeft->pictureSize(), swapped ? QSize(90, 70) : QSize(80, 60));
    QCOMPARE(m_window->lblLeftSize->palette().color(QPalette::Window), leftBackground);
    QCOMPARE(m_window->lblLeftSize->palette().color(QPalette::WindowText), leftText);
    QCOMPARE(m_window->lblRightSize->palette().color(QPalette::Window), rightBackground);
    QVERIFY(m_boxes.notices.isEmpty());
}

void DuplicatesWindowTest::moveButtonsNeedTwoFolders_data()
{
    QTest::addColumn<QString>("leftFolder");
    QTest::addColumn<QString>("rightFolder");
    QTest::addColumn<bool>("movable");
    QTest::newRow("one folder") << u"pics"_s << u"pics"_s << false;
    QTest::newRow("two folders") << u"pics"_s << u"other"_s << true;
    QTest::newRow("letter case differs") << u"pics"_s << u"Pics"_s << true;
}

void DuplicatesWindowTest::moveButtonsNeedTwoFolders()
{
    QFETCH(QString, leftFolder);
    QFETCH(QString, rightFolder);
    QFETCH(bool, movable);
    addPair(addPicture({leftFolder, u"a.png"_s}), addPicture({rightFolder, u"b.png"_s}), 1);
    showWindow();
    QCOMPARE(m_window->btnMoveToLeft->isEnabled(), movable);
    QCOMPARE(m_window->btnMoveToRight->isEnabled(), movable);
    for (QPushButton *always : {m_window->btnDelLeft, m_window->btnDelRight, m_window->btnCopyToLeft,
             m_window->btnCopyToRight, m_window->btnNotAMatch})
        QVERIFY2(always->isEnabled(), qPrintable(always->objectName()));
}

void DuplicatesWindowTest::marksFollowPixelCountsAndDates_data()
{
    QTest::addColumn<QSize>("leftDimensions");
    QTest::addColumn<QSize>("rightDimensions");
    QTest::addColumn<double>("leftCreated");
    QTest::addColumn<double>("rightCreated");
    QTest::addColumn<double>("leftModified");
    QTest::addColumn<double>("rightModified");
    QTest::addColumn<int>("dimensionsMark"); // 1: left green, -1: left maroon, 0: ordinary
    QTest::addColumn<int>("createdMark");
    QTest::addColumn<int>("modifiedMark");

    QTest::newRow("equal pixel counts") << QSize(100, 200) << QSize(200, 100) << 40000.0 << 40000.0 << 40000.0
                                        << 40000.0 << 0 << 0 << 0;
    QTest::newRow("only Modified differs")
        << QSize(64, 48) << QSize(64, 48) << 40000.0 << 40000.0 << 40000.0 << 40000.75 << 0 << 0 << -1;
    QTest::newRow("left more pixels, earlier, later")
        << QSize(200, 200) << QSize(100, 100) << 39000.0 << 40000.0 << 41000.0 << 40000.0 << 1 << -1 << 1;
    // The labels show whole seconds: 12:00:00.200 and 12:00:00.700 read alike, 12:00:00.900
    // and 12:00:01.100 do not, though they are closer.
    const double second = 1.0 / 86400.0;
    QTest::newRow("milliseconds apart in one second, and across a second")
        << QSize(64, 48) << QSize(64, 48) << 40000.5 + 0.2 * second << 40000.5 + 0.7 * second << 40000.5 + 0.9 * second
        << 40000.5 + 1.1 * second << 0 << 0 << -1;
}

void DuplicatesWindowTest::marksFollowPixelCountsAndDates()
{
    QFETCH(QSize, leftDimensions);
    QFETCH(QSize, rightDimensions);
    QFETCH(double, leftCreated);
    QFETCH(double, rightCreated);
    QFETCH(double, leftModified);
    QFETCH(double, rightModified);
    QFETCH(int, dimensionsMark);
    QFETCH(int, createdMark);
    QFETCH(int, modifiedMark);

    // Equal Size columns, so the stored left side is shown left.
    addPair(addPicture({u"a"_s, u"l.png"_s, leftDimensions, 7000, leftCreated, leftModified}),
        addPicture({u"b"_s, u"r.png"_s, rightDimensions, 7000, rightCreated, rightModified}), 1);
    showWindow();

    const QPalette system = QApplication::palette();
    const auto check = [&](QLabel *left, QLabel *right, int mark) {
        const QColor leftBackground = mark > 0 ? QColor(0, 128, 0)
            : mark < 0                         ? QColor(128, 0, 0)
                                               : system.color(QPalette::Button);
        const QColor rightBackground = mark > 0 ? QColor(128, 0, 0)
            : mark < 0                          ? QColor(0, 128, 0)
                                                : system.color(QPalette::Button);
        QCOMPARE(left->palette().color(QPalette::Window), leftBackground);
        QCOMPARE(right->palette().color(QPalette::Window), rightBackground);
        if (mark < 0)
            QCOMPARE(left->palette().color(QPalette::WindowText), QColor(255, 160, 128));
    };
    check(m_window->lblLeftDimensions, m_window->lblRightDimensions, dimensionsMark);
    check(m_window->lblLeftCreated, m_window->lblRightCreated, createdMark);
    check(m_window->lblLeftModified, m_window->lblRightModified, modifiedMark);
    // Equal sizes: the size labels keep the ordinary colours.
    check(m_window->lblLeftSize, m_window->lblRightSize, 0);
}

void DuplicatesWindowTest::datesInTheRegionalFormat_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    // 45000 days after 30 December 1899 is 15 March 2023; .5 + 7 s is 12:00:07.
    // The test runs in UTC (initTestCase), which the labels name.
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << u"3/15/23 12:00:07\u202fPM UTC"_s;
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << u"15.03.23 12:00:07 UTC"_s;
}

void DuplicatesWindowTest::datesInTheRegionalFormat()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QLocale::setDefault(locale);
    const double noonAndSevenSeconds = 45000.5 + 7.0 / 86400.0;
    addPair(addPicture({u"a"_s, u"l.png"_s, QSize(64, 48), 0, noonAndSevenSeconds, noonAndSevenSeconds}),
        addPicture({u"b"_s, u"r.png"_s}), 1);
    showWindow();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QString shown = m_window->lblLeftCreated->text();
    // Some locale data separate the day period with a narrow blank, some with a plain one.
    shown.replace(u' ', u'\u202f');
    expected.replace(u' ', u'\u202f');
    QCOMPARE(shown, expected);
}

void DuplicatesWindowTest::navigationStepsThroughTheList()
{
    std::vector<int> pictures;
    for (int i = 0; i < 8; ++i)
        pictures.push_back(addPicture({u"f"_s, u"p%1.png"_s.arg(i)}));
    for (int i = 0; i < 4; ++i)
        addPair(pictures[2 * i], pictures[2 * i + 1], 10 - i); // listed in the reverse order
    showWindow();
    const auto shownNumber = [this] { return m_window->lblDupNumber->text(); };
    const auto leftName = [this] { return m_window->lblLeftFile->text(); };
    QCOMPARE(shownNumber(), u"1/4"_s);
    QCOMPARE(leftName(), u"p6.png"_s); // smallest Difference first

    m_window->btnLast->click();
    QCOMPARE(shownNumber(), u"4/4"_s);
    QCOMPARE(leftName(), u"p0.png"_s);
    m_window->btnNext->click();
    QCOMPARE(shownNumber(), u"4/4"_s);
    m_window->btnPrev->click();
    QCOMPARE(shownNumber(), u"3/4"_s);
    QCOMPARE(leftName(), u"p2.png"_s);
    m_window->btnFirst->click();
    QCOMPARE(shownNumber(), u"1/4"_s);
    m_window->btnPrev->click();
    QCOMPARE(shownNumber(), u"1/4"_s);

    QTest::keyClick(m_window.get(), Qt::Key_PageDown);
    QCOMPARE(shownNumber(), u"2/4"_s);
    QCOMPARE(m_window->trbRecNo->value(), 2);
    QTest::keyClick(m_window.get(), Qt::Key_PageUp);
    QCOMPARE(shownNumber(), u"1/4"_s);

    m_window->trbRecNo->setValue(3);
    QCOMPARE(shownNumber(), u"3/4"_s);
    QCOMPARE(m_window->review().position(), 3);

    // The wheel turned toward the user goes to the next pair, away from the user to the previous
    // one, a pair a notch, and the track bar takes the focus.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_window->btnFirst->click();
    QWheelEvent toward(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_window->imgLeft, &toward);
    QCOMPARE(shownNumber(), u"2/4"_s);
    QVERIFY(m_window->trbRecNo->hasFocus());
    QWheelEvent away(
        QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_window->trbRecNo, &away);
    QCOMPARE(shownNumber(), u"1/4"_s);
    QVERIFY(m_boxes.notices.isEmpty());
}

// As the overview opens it: at the pair asked for, once; the Difference beside the position.
void DuplicatesWindowTest::opensAtTheStartPairWithItsDifference()
{
    std::vector<int> pictures;
    for (int i = 0; i < 6; ++i)
        pictures.push_back(addPicture({u"f"_s, u"p%1.png"_s.arg(i)}));
    for (int i = 0; i < 3; ++i)
        addPair(pictures[2 * i], pictures[2 * i + 1], 1000 * (i + 1));
    const qint64 second = m_db->count("SELECT ID FROM Duplicate WHERE Difference = 2000");
    m_window->setStartPair(second);
    showWindow();
    QCOMPARE(m_window->lblDupNumber->text(), u"2/3"_s);
    QCOMPARE(m_window->review().current().id, second);
    QCOMPARE(m_window->lblDifference->text(), u"Difference 2,000"_s);
    QSignalSpy overview(m_window.get(), &TfrmDuplicates::overviewRequested);
    m_window->btnOverview->click();
    QCOMPARE(overview.size(), 1);
    QCOMPARE(overview[0][0].toLongLong(), second);

    m_window->close();
    showWindow();
    QCOMPARE(m_window->lblDupNumber->text(), u"1/3"_s);
}

void DuplicatesWindowTest::showingAgainAfterTheListShrankStartsAtOne()
{
    std::vector<int> pictures;
    for (int i = 0; i < 6; ++i)
        pictures.push_back(addPicture({u"f"_s, u"p%1.png"_s.arg(i)}));
    for (int i = 0; i < 3; ++i)
        addPair(pictures[2 * i], pictures[2 * i + 1], i);
    showWindow();
    m_window->btnLast->click();
    QCOMPARE(m_window->trbRecNo->value(), 3);
    m_window->hide();
    QVERIFY(!m_window->review().isOpen());

    m_db->database().Execute(u"DELETE FROM Duplicate WHERE Difference > 0"_s);
    showWindow();
    QCOMPARE(m_window->trbRecNo->value(), 1);
    QCOMPARE(m_window->trbRecNo->maximum(), 1);
    QCOMPARE(m_window->lblDupNumber->text(), u"1/1"_s);
    QCOMPARE(m_window->lblLeftFile->text(), u"p0.png"_s);
    QVERIFY(m_boxes.notices.isEmpty());
}

void DuplicatesWindowTest::spaceTogglesBothDetailsPanels()
{
    addPair(addPicture({u"a"_s, u"l.png"_s}), addPicture({u"b"_s, u"r.png"_s}), 1);
    showWindow();
    const int paneHeight = m_window->pnlLeftPicture->height();
    QVERIFY(m_window->pnlLeftPictureDetails->isVisible());

    QTest::keyClick(m_window.get(), Qt::Key_Space);
    QVERIFY(!m_window->pnlLeftPictureDetails->isVisible());
    QVERIFY(!m_window->pnlRightPictureDetails->isVisible());
    QTRY_COMPARE(m_window->pnlLeftPicture->height(), paneHeight + 77);
    QCOMPARE(m_window->pnlRightPicture->height(), paneHeight + 77);

    QTest::keyClick(m_window.get(), Qt::Key_Space);
    QVERIFY(m_window->pnlLeftPictureDetails->isVisible());
    QVERIFY(m_window->pnlRightPictureDetails->isVisible());
    QTRY_COMPARE(m_window->pnlLeftPicture->height(), paneHeight);
}

void DuplicatesWindowTest::escapeClosesTheWindow()
{
    addPair(addPicture({u"a"_s, u"l.png"_s}), addPicture({u"b"_s, u"r.png"_s}), 1);
    showWindow();
    QTest::keyClick(m_window->trbRecNo, Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QVERIFY(!m_window->review().isOpen());
}

void DuplicatesWindowTest::pathLabelsShowTheirPathAsToolTip()
{
    addPair(addPicture({u"a"_s, u"l.png"_s}), addPicture({u"b"_s, u"r.png"_s}), 1);
    showWindow();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(m_window->lblLeftPath, &enter);
    QApplication::sendEvent(m_window->lblRightPath, &enter);
    QCOMPARE(m_window->lblLeftPath->toolTip(), folderPath(u"a"_s));
    QCOMPARE(m_window->lblRightPath->toolTip(), folderPath(u"b"_s));
}

void DuplicatesWindowTest::smallestWindowShortensPathsButNotTheSeconds()
{
    const QString longFolder = u"a/Holiday pictures from the summer we spent at the lake/exported again from the "
                               "camera after the first copy went missing"_s;
    const QString longName = u"IMG_20050812_183015_the_whole_family_on_the_jetty_before_the_storm_came.png"_s;
    const double noonAndSevenSeconds = 45000.5 + 7.0 / 86400.0;
    addPair(addPicture({longFolder, longName, QSize(1000, 1000), 123456789, noonAndSevenSeconds, noonAndSevenSeconds}),
        addPicture({u"b"_s, u"r.png"_s, QSize(64, 48), 1000}), 1);
    m_window->resize(m_window->minimumSize());
    showWindow();
    QCOMPARE(m_window->width(), 755);

    auto *path = qobject_cast<ElidedLabel *>(m_window->lblLeftPath);
    auto *file = qobject_cast<ElidedLabel *>(m_window->lblLeftFile);
    QVERIFY(path && file);
    for (ElidedLabel *label : {path, file}) {
        const QString whole = label->text();
        const QString shown = label->shownText();
        QVERIFY2(shown.contains(u'\u2026'), qPrintable(shown));
        QVERIFY2(shown.size() > 10 && whole.startsWith(shown.left(shown.indexOf(u'\u2026')))
                && whole.endsWith(shown.mid(shown.indexOf(u'\u2026') + 1)),
            qPrintable(shown));
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(label, &help);
        QCOMPARE(label->toolTip(), whole);
    }
    // What a resolution acts on is the whole path, not what the label could show of it.
    QCOMPARE(m_window->leftFullPath(), folderPath(longFolder) + u'/' + longName);

    // Dates and figures are shown whole: a date may leave out its time zone, never its seconds.
    for (QLabel *label : {m_window->lblLeftCreated, m_window->lblLeftModified, m_window->lblLeftSize,
             m_window->lblLeftDimensions, m_window->lblRightCreated}) {
        auto *fitted = qobject_cast<ElidedLabel *>(label);
        QVERIFY(fitted);
        const QString shown = fitted->shownText();
        QVERIFY2(!shown.contains(u'\u2026'), qPrintable(label->objectName() + u": "_s + shown));
        QVERIFY2(fitted->fontMetrics().horizontalAdvance(shown) <= fitted->contentsRect().width(),
            qPrintable(label->objectName() + u": "_s + shown));
    }
    QVERIFY(static_cast<ElidedLabel *>(m_window->lblLeftCreated)->shownText().contains(u"12:00:07"_s));
    QCOMPARE(m_window->lblLeftSize->text(), u"123456789"_s);

    // With room to spare the zone is shown as well.
    m_window->resize(1600, 700);
    QTRY_COMPARE(static_cast<ElidedLabel *>(m_window->lblLeftCreated)->shownText(), m_window->lblLeftCreated->text());
    QVERIFY(m_window->lblLeftCreated->text().endsWith(u" UTC"_s));
}

void DuplicatesWindowTest::resizeSplitsHalvesAndCentresTheMiddleButtons()
{
    QCOMPARE(m_window->minimumSize(), QSize(755, 539));
    showWindow();
    m_window->resize(1001, 700);
    QCOMPARE(m_window->pnlLeft->width(), 500);
    QCOMPARE(m_window->pnlRight->width(), 501);
    QCOMPARE(m_window->pnlRight->x(), 500);
    QCOMPARE(m_window->pnlMiddleButtons->x(), (1001 - 129) / 2);
    // The right-hand groups stay at the right edge.
    QCOMPARE(m_window->btnDelRight->geometry().right() + 8, 1000);
    QCOMPARE(m_window->btnLast->geometry().right() + 8, 1000);
    for (QPushButton *button : {m_window->btnDelLeft, m_window->btnMoveToLeft, m_window->btnCopyToLeft,
             m_window->btnNotAMatch, m_window->btnCopyToRight, m_window->btnMoveToRight, m_window->btnDelRight}) {
        QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
        QVERIFY2(!button->toolTip().isEmpty(), qPrintable(button->objectName()));
        QVERIFY(button->text().isEmpty());
    }
}

// ---- The picture panes ----

void DuplicatesWindowTest::fittedPicturesFillThePane()
{
    addPair(addPicture({u"a"_s, u"wide.png"_s, QSize(100, 20), 900}),
        addPicture({u"b"_s, u"tall.png"_s, QSize(20, 100), 800}), 1);
    showWindow();
    QVERIFY(m_window->Fitted);
    for (PictureLabel *image : {m_window->imgLeft, m_window->imgRight}) {
        const QSize room = pane(image) - QSize(2, 2);
        const QRect shown = image->geometry();
        // Enlarged until one side meets the pane less 2, the proportions kept, and centred.
        QVERIFY2(shown.width() == room.width() || shown.height() == room.height(), qPrintable(image->objectName()));
        QVERIFY(shown.width() <= room.width() && shown.height() <= room.height());
        QVERIFY(qAbs(shown.width() * image->pictureSize().height() - shown.height() * image->pictureSize().width())
            <= qMax(shown.width(), shown.height()));
        QCOMPARE(shown.x(), (pane(image).width() - shown.width()) / 2);
        QCOMPARE(shown.y(), (pane(image).height() - shown.height()) / 2);
    }
    // The wide one is limited by the width, the tall one by the height.
    QCOMPARE(m_window->imgLeft->width(), pane(m_window->imgLeft).width() - 2);
    QCOMPARE(m_window->imgRight->height(), pane(m_window->imgRight).height() - 2);
}

void DuplicatesWindowTest::actualSizeSmallerThanThePaneStaysCentred()
{
    m_stretch = false;
    addPair(addPicture({u"a"_s, u"l.png"_s, QSize(101, 51), 900}), addPicture({u"b"_s, u"r.png"_s}), 1);
    showWindow();
    QVERIFY(!m_window->Fitted);
    PictureLabel *image = m_window->imgLeft;
    const QRect centred((pane(image).width() - 101) / 2, (pane(image).height() - 51) / 2, 101, 51);
    QCOMPARE(image->geometry(), centred);
    drag(image, QPoint(-40, 25));
    QCOMPARE(image->geometry(), centred);
}

void DuplicatesWindowTest::actualSizeLargerOneWayDragsOneWayOnly()
{
    m_stretch = false;
    addPair(addPicture({u"a"_s, u"l.png"_s, QSize(2000, 100), 900}), addPicture({u"b"_s, u"r.png"_s}), 1);
    showWindow();
    PictureLabel *image = m_window->imgLeft;
    const int centredTop = (pane(image).height() - 100) / 2;
    QCOMPARE(image->pos(), QPoint(0, centredTop)); // at the left edge where it is larger

    drag(image, QPoint(60, 30)); // to the right: no strip may open at the left
    QCOMPARE(image->pos(), QPoint(0, centredTop));
    drag(image, QPoint(-300, -30));
    QCOMPARE(image->pos(), QPoint(-300, centredTop));
    drag(image, QPoint(-5000, 0)); // the right edge stops at the pane's right edge
    QCOMPARE(image->pos(), QPoint(pane(image).width() - 2000, centredTop));
}

void DuplicatesWindowTest::doubleClickWhenFittedGivesActualSize()
{
    addPair(addPicture({u"a"_s, u"l.png"_s, QSize(1600, 1200), 900}),
        addPicture({u"b"_s, u"r.png"_s, QSize(800, 600), 800}), 1);
    showWindow();
    QVERIFY(m_window->Fitted);
    QTest::mouseDClick(m_window->imgLeft, Qt::LeftButton);
    QVERIFY(!m_window->Fitted);
    QCOMPARE(m_window->imgLeft->size(), QSize(1600, 1200));
    QCOMPARE(m_window->imgRight->size(), QSize(800, 600));
}

void DuplicatesWindowTest::twoDoubleClicksKeepTheCentrePoint()
{
    m_stretch = false;
    addPair(addPicture({u"a"_s, u"l.png"_s, QSize(1200, 900), 900}),
        addPicture({u"b"_s, u"r.png"_s, QSize(600, 450), 800}), 1);
    showWindow();
    PictureLabel *left = m_window->imgLeft;
    PictureLabel *right = m_window->imgRight;
    drag(left, QPoint(-100, -80)); // somewhere inside, both pictures in step
    const QSize leftPane = pane(left);
    const QSize rightPane = pane(right);
    // The picture point at the centre of the left pane, in the picture's own pixels.
    const QPoint before(leftPane.width() / 2 - left->x(), leftPane.height() / 2 - left->y());

    QTest::mouseDClick(left, Qt::LeftButton);
    QTest::mouseRelease(left, Qt::LeftButton);
    QTest::mouseDClick(right, Qt::LeftButton); // the left pane leads whichever is clicked
    QTest::mouseRelease(right, Qt::LeftButton);
    QCOMPARE(left->size(), QSize(4800, 3600));
    QCOMPARE(right->size(), QSize(2400, 1800));
    const QPoint after(leftPane.width() / 2 - left->x(), leftPane.height() / 2 - left->y());
    QCOMPARE(after, before * 4);
    // The right picture shows the corresponding point (half the left's scale) at its centre.
    const QPoint rightCentre(rightPane.width() / 2 - right->x(), rightPane.height() / 2 - right->y());
    QCOMPARE(rightCentre, before * 2);
}

void DuplicatesWindowTest::rightClickHalvesBothPictures()
{
    m_stretch = false;
    addPair(addPicture({u"a"_s, u"l.png"_s, QSize(3000, 2000), 900}),
        addPicture({u"b"_s, u"r.png"_s, QSize(800, 600), 800}), 1);
    showWindow();
    PictureLabel *left = m_window->imgLeft;
    PictureLabel *right = m_window->imgRight;
    drag(left, QPoint(-100, -100));
    const QPoint rightBefore = right->pos();
    QTest::mouseClick(left, Qt::RightButton);
    QCOMPARE(left->size(), QSize(1500, 1000));
    QCOMPARE(right->size(), QSize(400, 300));
    // Still larger than its pane, the left one keeps its top-left corner; the right one has become
    // smaller than its pane and is centred.
    QCOMPARE(left->pos(), QPoint(-100, -100));
    QVERIFY(rightBefore != right->pos());
    QCOMPARE(right->pos(), QPoint((pane(right).width() - 400) / 2, (pane(right).height() - 300) / 2));
}

void DuplicatesWindowTest::halfSizePictureFollowsAtHalfTheSpeed()
{
    m_stretch = false;
    addPair(addPicture({u"a"_s, u"l.png"_s, QSize(2000, 1500), 900}),
        addPicture({u"b"_s, u"r.png"_s, QSize(1000, 750), 800}), 1);
    showWindow();
    PictureLabel *left = m_window->imgLeft;
    PictureLabel *right = m_window->imgRight;
    drag(left, QPoint(-400, -300)); // brings the right picture into step
    const QPoint leftBefore = left->pos();
    const QPoint rightBefore = right->pos();
    drag(left, QPoint(-100, 0));
    QCOMPARE(left->pos(), leftBefore + QPoint(-100, 0));
    QCOMPARE(right->pos(), rightBefore + QPoint(-50, 0));
    // Dragging the right picture leads the left one at twice the speed, give or take the pixel
    // that the integer division dropped on the way.
    drag(right, QPoint(20, 0));
    QVERIFY2(qAbs(left->pos().x() - (leftBefore.x() - 100 + 40)) <= 1, qPrintable(QString::number(left->pos().x())));
}

void DuplicatesWindowTest::zoomStaysWithinItsLimits()
{
    m_stretch = false;
    addPair(addPicture({u"a"_s, u"l.png"_s, QSize(400, 100), 900}),
        addPicture({u"b"_s, u"r.png"_s, QSize(200, 100), 800}), 1);
    showWindow();
    for (int i = 0; i < 12; ++i)
        QTest::mouseClick(m_window->imgLeft, Qt::RightButton);
    QCOMPARE(m_window->imgLeft->size(), QSize(1, 1));
    QCOMPARE(m_window->imgRight->size(), QSize(1, 1));
    QTest::mouseDClick(m_window->imgLeft, Qt::LeftButton); // from 1 × 1 the picture grows again
    QTest::mouseRelease(m_window->imgLeft, Qt::LeftButton);
    QCOMPARE(m_window->imgLeft->size(), QSize(2, 2));

    m_window->btnFirst->click(); // back to the pictures' own sizes
    for (int i = 0; i < 12; ++i) {
        QTest::mouseDClick(m_window->imgLeft, Qt::LeftButton);
        QTest::mouseRelease(m_window->imgLeft, Qt::LeftButton);
    }
    // 400 doubles to 25600; one more would pass 32767.
    QCOMPARE(m_window->imgLeft->size(), QSize(25600, 6400));
    QCOMPARE(m_window->imgRight->size(), QSize(12800, 6400));
    QVERIFY(m_boxes.notices.isEmpty());
}

void DuplicatesWindowTest::firstPairsMissingFileIsNamedOverTheShownWindow()
{
    const int kept = addPicture({u"f"_s, u"kept.png"_s, QSize(64, 48), 1000});
    const int gone = addPicture({u"f"_s, u"gone.png"_s, QSize(64, 48), 900});
    addPair(kept, gone, 1);
    QVERIFY(QFile::remove(folderPath(u"f"_s) + u"/gone.png"_s));
    m_window->show();
    // Not while the window is still coming up, over the main window, but once it is there.
    QVERIFY(m_boxes.notices.isEmpty());
    QTRY_COMPARE(m_boxes.notices.size(), 1);
    QVERIFY(m_window->isVisible());
    QVERIFY2(
        m_boxes.notices[0].text.contains(folderPath(u"f"_s) + u"/gone.png"_s), qPrintable(m_boxes.notices[0].text));
}

void DuplicatesWindowTest::pictureThatFailsLeavesItsPaneEmpty()
{
    std::vector<int> pictures;
    for (int i = 0; i < 4; ++i)
        pictures.push_back(addPicture({u"f"_s, u"p%1.png"_s.arg(i), QSize(64, 48), 1000 - i}));
    addPair(pictures[0], pictures[1], 1);
    addPair(pictures[2], pictures[3], 2);
    QVERIFY(QFile::remove(folderPath(u"f"_s) + u"/p3.png"_s));
    showWindow();
    QVERIFY(m_window->imgRight->hasPicture());

    m_window->btnNext->click();
    QCOMPARE(m_boxes.notices.size(), 1);
    QCOMPARE(m_boxes.notices[0].icon, QMessageBox::Critical);
    QVERIFY(!m_boxes.notices[0].text.isEmpty());
    QCOMPARE(m_window->lblRightFile->text(), u"p3.png"_s);
    QCOMPARE(m_window->lblDupNumber->text(), u"2/2"_s);
    QVERIFY(m_window->imgLeft->hasPicture());
    QVERIFY(!m_window->imgRight->hasPicture());
    QVERIFY(m_window->imgRight->size().isEmpty());
}

void DuplicatesWindowTest::shownPictureFilesAreNotHeldOpen()
{
    addPair(addPicture({u"a"_s, u"l.jpg"_s}), addPicture({u"b"_s, u"r.png"_s}), 1);
    showWindow();
    QVERIFY(m_window->imgLeft->hasPicture());
    QVERIFY(m_window->imgRight->hasPicture());
    const QDir descriptors(u"/proc/self/fd"_s);
    for (const QFileInfo &entry : descriptors.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        QVERIFY2(!entry.symLinkTarget().startsWith(m_db->folder() + u"/a"_s)
                && !entry.symLinkTarget().startsWith(m_db->folder() + u"/b"_s),
            qPrintable(entry.symLinkTarget()));
}

void DuplicatesWindowTest::firstPairFollowsTheWindowUntilTouched()
{
    addPair(addPicture({u"a"_s, u"l.png"_s, QSize(1600, 1200), 900}),
        addPicture({u"b"_s, u"r.png"_s, QSize(800, 600), 800}), 1);
    showWindow();
    const QSize before = m_window->imgLeft->size();
    m_window->resize(1400, 900); // as the window manager maximizes it
    const QSize room = pane(m_window->imgLeft) - QSize(2, 2);
    QVERIFY(m_window->imgLeft->size() != before);
    QVERIFY(m_window->imgLeft->width() == room.width() || m_window->imgLeft->height() == room.height());

    QTest::mouseDClick(m_window->imgLeft, Qt::LeftButton);
    QTest::mouseRelease(m_window->imgLeft, Qt::LeftButton);
    const QRect touched = m_window->imgLeft->geometry();
    m_window->resize(1000, 700);
    QCOMPARE(m_window->imgLeft->geometry(), touched);
}

// ---- Resolutions ----

void DuplicatesWindowTest::deleteOnlyPairClosesTheWindow()
{
    const int left = addPicture({u"a"_s, u"keep.png"_s, QSize(64, 48), 900});
    const int right = addPicture({u"b"_s, u"victim.png"_s, QSize(64, 48), 800});
    addPair(left, right, 1);
    showWindow();
    const QByteArray victimBytes = contents(folderPath(u"b"_s) + u"/victim.png"_s);
    m_boxes.answers = {true};
    m_window->btnDelRight->click();

    QCOMPARE(m_boxes.questions.size(), 1);
    QCOMPARE(m_boxes.questions[0].caption, u"Warning"_s);
    QCOMPARE(m_boxes.questions[0].icon, QMessageBox::NoIcon);
    QCOMPARE(m_boxes.questions[0].text,
        u"Do you want to move %1 to Recycle Bin?"_s.arg(folderPath(u"b"_s) + u"/victim.png"_s));
    QVERIFY(!QFile::exists(folderPath(u"b"_s) + u"/victim.png"_s));
    QCOMPARE(m_trash->files(), QStringList {u"victim.png"_s});
    QCOMPARE(m_trash->originalPath(u"victim.png"_s), folderPath(u"b"_s) + u"/victim.png"_s);
    QVERIFY(!pictureRowExists(right));
    QVERIFY(pictureRowExists(left));
    QCOMPARE(rows("SELECT COUNT(*) FROM Duplicate"), 0);
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_boxes.notices.isEmpty());
    QVERIFY(m_trash->restore(u"victim.png"_s));
    QCOMPARE(contents(folderPath(u"b"_s) + u"/victim.png"_s), victimBytes);
}

void DuplicatesWindowTest::answeringNoChangesNothing()
{
    const int left = addPicture({u"a"_s, u"l.png"_s, QSize(64, 48), 900});
    const int right = addPicture({u"b"_s, u"r.png"_s, QSize(64, 48), 800});
    addPair(left, right, 1);
    showWindow();
    m_boxes.answers = {false, false, false};
    m_window->btnMoveToLeft->click();
    m_window->btnCopyToRight->click();
    m_window->btnNotAMatch->click();
    QCOMPARE(m_boxes.questions.size(), 3);
    const QString l = folderPath(u"a"_s) + u"/l.png"_s;
    const QString r = folderPath(u"b"_s) + u"/r.png"_s;
    QCOMPARE(m_boxes.questions[0].text, u"Do you want to move %1 to Recycle Bin and move %2 in its place?"_s.arg(l, r));
    QCOMPARE(m_boxes.questions[1].text, u"Do you want to move %1 to Recycle Bin and copy %2 in its place?"_s.arg(r, l));
    QCOMPARE(m_boxes.questions[2].caption, u"Confirmation"_s);
    QCOMPARE(m_boxes.questions[2].icon, QMessageBox::Question);
    QVERIFY(QFile::exists(l) && QFile::exists(r));
    QVERIFY(m_trash->files().isEmpty());
    QVERIFY(pairExists(left, right));
    QVERIFY(m_window->isVisible());
}

void DuplicatesWindowTest::notAMatchOnOnlyPairClosesTheWindow()
{
    const int left = addPicture({u"a"_s, u"l.png"_s});
    const int right = addPicture({u"b"_s, u"r.png"_s});
    addPair(left, right, 1);
    showWindow();
    m_boxes.answers = {true};
    m_window->btnNotAMatch->click();
    QCOMPARE(m_boxes.questions.size(), 1);
    QCOMPARE(m_boxes.questions[0].text,
        u"Do you want to mark this duplicate pair as an error? (This will be remembered while the subsequent scans "
        "are with the same settings.)"_s);
    QVERIFY(!pairExists(left, right));
    QVERIFY(pictureRowExists(left) && pictureRowExists(right));
    QVERIFY(QFile::exists(folderPath(u"a"_s) + u"/l.png"_s));
    QVERIFY(m_trash->files().isEmpty());
    QVERIFY(!m_window->isVisible());
}

void DuplicatesWindowTest::notAMatchRemembersWhenThePreferenceSaysSo()
{
    const int left = addPicture({u"a"_s, u"l.png"_s});
    const int right = addPicture({u"b"_s, u"r.png"_s});
    addPair(left, right, 1);
    m_window->setRememberPreference([] { return true; });
    showWindow();
    m_boxes.answers = {true};
    m_window->btnNotAMatch->click();
    QCOMPARE(m_boxes.questions.size(), 1);
    QCOMPARE(m_boxes.questions[0].text,
        u"Do you want to mark this duplicate pair as an error? (This will be remembered by the content of both "
        "pictures, also after a full scan.)"_s);
    QVERIFY(!pairExists(left, right));
    const std::vector<store::RememberedNotAMatch> remembered = store::ListRememberedNotAMatches(m_db->session());
    QCOMPARE(remembered.size(), size_t(1));
    QCOMPARE(remembered[0].leftPath, folderPath(u"a"_s) + u"/l.png"_s);
}

void DuplicatesWindowTest::notAMatchShowsTheNeighbour_data()
{
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("expectedPair"); // the pair shown afterwards, by its number before
    QTest::addColumn<int>("expectedPosition");
    QTest::newRow("first pair shows the second") << 1 << 2 << 1;
    QTest::newRow("a later pair shows the one before") << 3 << 2 << 2;
    QTest::newRow("the last pair shows the one before") << 4 << 3 << 3;
}

void DuplicatesWindowTest::notAMatchShowsTheNeighbour()
{
    QFETCH(int, shown);
    QFETCH(int, expectedPair);
    QFETCH(int, expectedPosition);
    std::vector<int> pictures;
    for (int i = 1; i <= 8; ++i)
        pictures.push_back(addPicture({u"f"_s, u"p%1.png"_s.arg(i), QSize(64, 48), 1000 - i}));
    for (int i = 0; i < 4; ++i)
        addPair(pictures[2 * i], pictures[2 * i + 1], i);
    showWindow();
    m_window->trbRecNo->setValue(shown);
    QCOMPARE(m_window->review().position(), shown);
    m_boxes.answers = {true};
    m_window->btnNotAMatch->click();

    QVERIFY(!pairExists(pictures[2 * (shown - 1)], pictures[2 * (shown - 1) + 1]));
    QCOMPARE(rows("SELECT COUNT(*) FROM Duplicate"), 3);
    QCOMPARE(m_window->lblLeftFile->text(), u"p%1.png"_s.arg(2 * expectedPair - 1));
    QCOMPARE(m_window->review().position(), expectedPosition);
    QCOMPARE(m_window->lblDupNumber->text(), u"%1/3"_s.arg(expectedPosition));
    QVERIFY(m_window->isVisible());
}

void DuplicatesWindowTest::deleteTakesEveryPairOfTheVictim_data()
{
    QTest::addColumn<QString>("layout"); // pairs by picture letter; v is the victim, shown first
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("expectedLeft");
    QTest::addColumn<int>("expectedCount");
    QTest::newRow("next pair without the victim") << u"va,vb,xy,vc,zw"_s << 1 << u"x.png"_s << 2;
    QTest::newRow("last earlier pair when none follows") << u"xy,zw,va,vb"_s << 3 << u"z.png"_s << 2;
}

void DuplicatesWindowTest::deleteTakesEveryPairOfTheVictim()
{
    QFETCH(QString, layout);
    QFETCH(int, shown);
    QFETCH(QString, expectedLeft);
    QFETCH(int, expectedCount);
    // The victim is the largest file, so it is always shown left.
    QMap<QChar, int> ids;
    const QString letters = u"vabcxyzw"_s;
    for (qsizetype i = 0; i < letters.size(); ++i) {
        const QChar letter = letters[i];
        ids[letter] = addPicture({u"f%1"_s.arg(letter), QString(letter) + u".png"_s, QSize(64, 48), 1000 - i});
    }
    int difference = 0;
    for (const QString &pairText : layout.split(u','))
        addPair(ids[pairText[0]], ids[pairText[1]], difference++);
    showWindow();
    m_window->trbRecNo->setValue(shown);
    QCOMPARE(m_window->lblLeftFile->text(), u"v.png"_s);
    m_boxes.answers = {true};
    m_window->btnDelLeft->click();

    QVERIFY(!pictureRowExists(ids[u'v']));
    QCOMPARE(rows("SELECT COUNT(*) FROM Duplicate WHERE Left_ID = ? OR Right_ID = ?", {ids[u'v'], ids[u'v']}), 0);
    QCOMPARE(rows("SELECT COUNT(*) FROM Duplicate"), expectedCount);
    QCOMPARE(m_window->lblLeftFile->text(), expectedLeft);
    QCOMPARE(m_trash->files(), QStringList {u"v.png"_s});
    QVERIFY(m_window->isVisible());
    QVERIFY(m_boxes.notices.isEmpty());
}

void DuplicatesWindowTest::moveOntoATakenNameAddsAnX()
{
    // The left (larger) file is the victim; its folder also holds another photo.jpg.
    const int victim = addPicture({u"left"_s, u"victim.jpg"_s, QSize(64, 48), 9000});
    const int survivor = addPicture({u"right"_s, u"photo.jpg"_s, QSize(64, 48), 8000});
    const int neighbour = addPicture({u"left"_s, u"photo.jpg"_s, QSize(64, 48), 7000});
    addPair(victim, survivor, 1);
    showWindow();
    const QByteArray survivorBytes = contents(folderPath(u"right"_s) + u"/photo.jpg"_s);
    const QByteArray neighbourBytes = contents(folderPath(u"left"_s) + u"/photo.jpg"_s);
    m_boxes.answers = {true};
    m_window->btnMoveToLeft->click();

    QCOMPARE(contents(folderPath(u"left"_s) + u"/photox.jpg"_s), survivorBytes);
    QCOMPARE(contents(folderPath(u"left"_s) + u"/photo.jpg"_s), neighbourBytes);
    QVERIFY(!QFile::exists(folderPath(u"right"_s) + u"/photo.jpg"_s));
    QVERIFY(!QFile::exists(folderPath(u"left"_s) + u"/victim.jpg"_s));
    QCOMPARE(m_trash->files(), QStringList {u"victim.jpg"_s});
    QCOMPARE(rows("SELECT COUNT(*) FROM Picture WHERE ID = ? AND FileName = 'photox.jpg' AND FolderID = ?",
                 {survivor, folderId(u"left"_s)}),
        1);
    QVERIFY(!pictureRowExists(victim));
    QVERIFY(pictureRowExists(neighbour));
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_boxes.notices.isEmpty());
}

void DuplicatesWindowTest::moveKeepsTheNameWhenTheVictimHasGone()
{
    const int victim = addPicture({u"old"_s, u"photo.jpg"_s, QSize(64, 48), 9000});
    const int survivor = addPicture({u"new"_s, u"photo.jpg"_s, QSize(64, 48), 8000});
    addPair(victim, survivor, 1);
    showWindow();
    const QByteArray survivorBytes = contents(folderPath(u"new"_s) + u"/photo.jpg"_s);
    m_boxes.answers = {true};
    m_window->btnMoveToLeft->click();

    QCOMPARE(contents(folderPath(u"old"_s) + u"/photo.jpg"_s), survivorBytes);
    QVERIFY(!QFile::exists(folderPath(u"old"_s) + u"/photox.jpg"_s));
    QVERIFY(!QFile::exists(folderPath(u"new"_s) + u"/photo.jpg"_s));
    QCOMPARE(m_trash->originalPath(m_trash->files().value(0)), folderPath(u"old"_s) + u"/photo.jpg"_s);
    QCOMPARE(rows("SELECT COUNT(*) FROM Picture WHERE ID = ? AND FileName = 'photo.jpg' AND FolderID = ?",
                 {survivor, folderId(u"old"_s)}),
        1);
}

void DuplicatesWindowTest::moveShowsTheSurvivorsNextPair()
{
    const int victim = addPicture({u"a"_s, u"v.png"_s, QSize(64, 48), 900});
    const int survivor = addPicture({u"b"_s, u"s.png"_s, QSize(64, 48), 800});
    const int third = addPicture({u"c"_s, u"t.png"_s, QSize(64, 48), 700});
    const int x = addPicture({u"c"_s, u"x.png"_s, QSize(64, 48), 600});
    const int y = addPicture({u"c"_s, u"y.png"_s, QSize(64, 48), 500});
    addPair(victim, survivor, 1);
    addPair(survivor, third, 2);
    addPair(x, y, 3);
    showWindow();
    m_boxes.answers = {true};
    m_window->btnMoveToLeft->click();

    // The survivor's own pair comes next, now naming its new folder.
    QCOMPARE(m_window->lblDupNumber->text(), u"1/2"_s);
    QCOMPARE(m_window->lblLeftFile->text(), u"s.png"_s);
    QCOMPARE(m_window->lblLeftPath->text(), folderPath(u"a"_s));
    QVERIFY(m_window->imgLeft->hasPicture());
    QVERIFY(pairExists(survivor, third));
    QVERIFY(m_boxes.notices.isEmpty());
}

void DuplicatesWindowTest::deleteLeftOnASwappedPair()
{
    const int storedLeft = addPicture({u"a"_s, u"small.png"_s, QSize(64, 48), 300});
    const int storedRight = addPicture({u"b"_s, u"large.png"_s, QSize(64, 48), 900});
    addPair(storedLeft, storedRight, 1);
    showWindow();
    QCOMPARE(m_window->lblLeftFile->text(), u"large.png"_s);
    m_boxes.answers = {true};
    m_window->btnDelLeft->click();
    QVERIFY(!QFile::exists(folderPath(u"b"_s) + u"/large.png"_s));
    QVERIFY(QFile::exists(folderPath(u"a"_s) + u"/small.png"_s));
    QVERIFY(!pictureRowExists(storedRight));
    QVERIFY(pictureRowExists(storedLeft));
    QCOMPARE(m_trash->files(), QStringList {u"large.png"_s});
}

void DuplicatesWindowTest::copyLeavesTheSurvivorAlone()
{
    const int victim = addPicture({u"a"_s, u"victim.png"_s, QSize(64, 48), 900});
    const int survivor = addPicture({u"b"_s, u"survivor.png"_s, QSize(64, 48), 800});
    const int other = addPicture({u"c"_s, u"other.png"_s, QSize(64, 48), 700});
    const int victimsFriend = addPicture({u"c"_s, u"friend.png"_s, QSize(64, 48), 600});
    addPair(victim, survivor, 1);
    addPair(survivor, other, 2);
    addPair(victim, victimsFriend, 3);
    showWindow();
    const QByteArray survivorBytes = contents(folderPath(u"b"_s) + u"/survivor.png"_s);
    m_boxes.answers = {true};
    m_window->btnCopyToLeft->click();

    QCOMPARE(contents(folderPath(u"a"_s) + u"/survivor.png"_s), survivorBytes);
    QCOMPARE(contents(folderPath(u"b"_s) + u"/survivor.png"_s), survivorBytes);
    QCOMPARE(m_trash->files(), QStringList {u"victim.png"_s});
    QVERIFY(!pictureRowExists(victim));
    QCOMPARE(rows("SELECT COUNT(*) FROM Picture WHERE FolderID = ?", {folderId(u"a"_s)}), 0); // no row for the copy
    QCOMPARE(rows("SELECT COUNT(*) FROM Picture WHERE ID = ? AND FolderID = ?", {survivor, folderId(u"b"_s)}), 1);
    QVERIFY(pairExists(survivor, other));
    QCOMPARE(rows("SELECT COUNT(*) FROM Duplicate"), 1);
    QCOMPARE(m_window->lblLeftFile->text(), u"survivor.png"_s);
    QCOMPARE(m_window->lblLeftPath->text(), folderPath(u"b"_s));
}

void DuplicatesWindowTest::progressShowsTheOperationsTitle()
{
    QStringList titles;
    m_window->setFileOperation(std::make_unique<WatchedFileOperation>(titles));
    std::vector<int> pictures;
    for (int i = 0; i < 6; ++i)
        pictures.push_back(addPicture({u"f%1"_s.arg(i), u"p%1.png"_s.arg(i), QSize(64, 48), 1000 - i}));
    addPair(pictures[0], pictures[1], 1);
    addPair(pictures[2], pictures[3], 2);
    addPair(pictures[4], pictures[5], 3);
    showWindow();
    m_boxes.answers = {true, true, true};
    m_window->btnDelLeft->click();
    m_window->btnCopyToLeft->click();
    m_window->btnMoveToRight->click();
    QCOMPARE(titles,
        (QStringList {u"Deleting a file..."_s, u"Deleting a file..."_s, u"Copying a file..."_s, u"Deleting a file..."_s,
            u"Moving a file..."_s}));
    // The box is gone once the operation is over.
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QProgressDialog *>(widget) || !widget->isVisible());
}

void DuplicatesWindowTest::failedRecycleChangesNothing()
{
    const int left = addPicture({u"a"_s, u"l.png"_s, QSize(64, 48), 900});
    const int right = addPicture({u"b"_s, u"r.png"_s, QSize(64, 48), 800});
    addPair(left, right, 1);
    showWindow();
    m_boxes.answers = {true};
    {
        const test::ReadOnlyFolder readOnly(folderPath(u"a"_s));
        if (!readOnly.isValid())
            QSKIP("this file system cannot make a folder read-only");
        m_window->btnMoveToLeft->click();
    }
    QCOMPARE(m_boxes.notices.size(), 1);
    QVERIFY(m_boxes.notices[0].text.contains(folderPath(u"a"_s) + u"/l.png"_s));
    QVERIFY(QFile::exists(folderPath(u"a"_s) + u"/l.png"_s));
    QVERIFY(QFile::exists(folderPath(u"b"_s) + u"/r.png"_s));
    QVERIFY(m_trash->files().isEmpty());
    QVERIFY(pairExists(left, right));
    QVERIFY(pictureRowExists(left) && pictureRowExists(right));
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->lblLeftFile->text(), u"l.png"_s);
    QVERIFY(m_window->review().isOpen());
}

void DuplicatesWindowTest::missingSurvivorOffersToForgetThePair()
{
    const int left = addPicture({u"a"_s, u"l.png"_s, QSize(64, 48), 900});
    const int right = addPicture({u"b"_s, u"r.png"_s, QSize(64, 48), 800});
    addPair(left, right, 1);
    showWindow();
    // The survivor's file vanishes behind the program's back: nothing is recycled, and Yes to the
    // one question forgets the missing file's row.
    QVERIFY(QFile::remove(folderPath(u"b"_s) + u"/r.png"_s));
    m_boxes.answers = {true};
    m_window->btnMoveToLeft->click();

    QCOMPARE(m_boxes.questions.size(), 1);
    QVERIFY(m_boxes.questions[0].text.contains(folderPath(u"b"_s) + u"/r.png"_s));
    QVERIFY(m_trash->files().isEmpty());
    QVERIFY(QFile::exists(folderPath(u"a"_s) + u"/l.png"_s));
    QVERIFY(!pictureRowExists(right));
    QVERIFY(pictureRowExists(left));
    QVERIFY(!m_window->isVisible());
}

void DuplicatesWindowTest::failedMoveAfterRecycleSaysWhereEachFileIs()
{
    const int left = addPicture({u"a"_s, u"l.png"_s, QSize(64, 48), 900});
    const int right = addPicture({u"b"_s, u"r.png"_s, QSize(64, 48), 800});
    const int other = addPicture({u"b"_s, u"o.png"_s, QSize(64, 48), 700});
    addPair(left, right, 1);
    addPair(left, other, 2);
    addPair(right, other, 3);
    showWindow();
    m_boxes.answers = {true};
    {
        // The survivor cannot leave its folder, so the move fails after the recycle.
        const test::ReadOnlyFolder readOnly(folderPath(u"b"_s));
        if (!readOnly.isValid())
            QSKIP("this file system cannot make a folder read-only");
        m_window->btnMoveToLeft->click();
    }
    QCOMPARE(m_boxes.notices.size(), 1);
    QVERIFY(m_boxes.notices[0].text.contains(folderPath(u"a"_s) + u"/l.png"_s + u" is in the Trash now"_s));
    QVERIFY(m_boxes.notices[0].text.contains(folderPath(u"b"_s) + u"/r.png"_s + u" is still where it was"_s));
    QCOMPARE(m_trash->files(), QStringList {u"l.png"_s});
    // The list shows what is left: the recycled picture's row and pairs are gone.
    QVERIFY(!pictureRowExists(left));
    QVERIFY(pictureRowExists(right));
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->review().count(), 1);
    QCOMPARE(m_window->lblLeftFile->text(), u"r.png"_s);
    QCOMPARE(m_window->lblRightFile->text(), u"o.png"_s);
}

void DuplicatesWindowTest::oneFileOnBothSidesIsNeverRecycled()
{
    // The folder is in the collection twice, so its one file has two picture rows.
    const int first = addPicture({u"a"_s, u"same.png"_s});
    const int twin = m_db->addFolder(m_collection, folderPath(u"a"_s));
    const int second = m_db->addPicture({.collectionId = m_collection,
        .folderId = twin,
        .fileName = u"same.png"_s,
        .size = QFileInfo(folderPath(u"a"_s) + u"/same.png"_s).size()});
    addPair(first, second, 0);
    showWindow();
    m_boxes.answers = {true, true};
    m_window->btnDelLeft->click();
    m_window->btnCopyToRight->click();
    QVERIFY(m_boxes.questions.isEmpty());
    QCOMPARE(m_boxes.notices.size(), 2);
    QVERIFY(m_boxes.notices[0].text.contains(folderPath(u"a"_s) + u"/same.png"_s));
    QVERIFY(QFile::exists(folderPath(u"a"_s) + u"/same.png"_s));
    QVERIFY(m_trash->files().isEmpty());
    QVERIFY(pairExists(first, second));
    QVERIFY(m_window->isVisible());
}

QTEST_MAIN(DuplicatesWindowTest)
#include "duplicateswindowtest.moc"
