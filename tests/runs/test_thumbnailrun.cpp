// The update run over real folders of real picture files, against a fresh database.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/paths.h"
#include "imaging/imgutils.h"
#include "imaging/pictureloader.h"
#include "log/processinglog.h"
#include "runs/thumbnailrun.h"
#include "store/data.h"
#include "store/datetime.h"
#include "support/readonlyfolder.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::runs;

namespace {

const QString kData = QStringLiteral(VEXARIS_TEST_DATA "/runs/");
const QString kPhoto = QStringLiteral("photo-gradient-64x48.jpg");
const QString kPlasma = QStringLiteral("photo-plasma-80x60.jpg");

// Records what a window would show, and can press Stop while a given file is processed.
class RecordingObserver : public runs::RunObserver
{
public:
    int stopAtFile = 0; // 1-based count of files begun; 0 never stops
    bool stop = false;
    std::vector<std::pair<int, int>> folderProgressCalls;
    std::vector<QString> foldersStarted;
    std::vector<int> fileCounts;
    std::vector<QString> filesStarted;
    std::vector<std::pair<int, int>> filesDone;
    int pendingHandled = 0;

    bool stopRequested() override { return stop; }
    void handlePendingMessages() override { ++pendingHandled; }
    void progress(const runs::RunProgress &progress) override
    {
        using Stage = runs::RunProgress::Stage;
        switch (progress.stage) {
        case Stage::FolderProgress:
            folderProgressCalls.emplace_back(progress.done, progress.total);
            break;
        case Stage::FolderStarted:
            foldersStarted.push_back(progress.path);
            break;
        case Stage::FilesCounted:
            fileCounts.push_back(progress.total);
            break;
        case Stage::FileStarted:
            filesStarted.push_back(progress.path);
            if (stopAtFile > 0 && static_cast<int>(filesStarted.size()) == stopAtFile)
                stop = true;
            if (onFileStarted)
                onFileStarted(static_cast<int>(filesStarted.size()));
            break;
        case Stage::FileDone:
            filesDone.emplace_back(progress.done, progress.total);
            break;
        default:
            ADD_FAILURE() << "a scan's progress from the update run";
        }
    }

    std::function<void(int)> onFileStarted;
};

struct Row
{
    qint64 id = 0;
    qint64 size = 0;
    double created = 0;
    double modified = 0;
    int width = 0;
    int height = 0;
    bool old = false;
    int colorRank = 0;
    int derivativeRank = 0;
    qsizetype thumbnailBytes = 0;
    qsizetype derivativeBytes = 0;
};

double fileModified(const QString &path)
{
    struct stat info;
    EXPECT_EQ(stat(QFile::encodeName(path).constData(), &info), 0);
    const qint64 ms = static_cast<qint64>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    return store::toDays(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC));
}

void setModified(const QString &path, time_t seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// A lossless WebP of one colour whose pixels take no bits at all: a few dozen bytes that decode
// into side × side pixels.
QByteArray flatLosslessWebp(unsigned side)
{
    QByteArray bits;
    int used = 0;
    const auto put = [&](unsigned value, int count) {
        for (int i = 0; i < count; ++i, ++used) {
            if (used % 8 == 0)
                bits.append('\0');
            bits[used / 8] = static_cast<char>(bits[used / 8] | ((value >> i) & 1) << (used % 8));
        }
    };
    put(0x2f, 8);
    put(side - 1, 14);
    put(side - 1, 14);
    put(0, 6); // no alpha, version 0, no transform, no colour cache
    put(0, 1); // no meta prefix codes
    for (unsigned symbol : {96u, 160u, 64u, 255u, 0u})
        put(0b101 | symbol << 3, 11); // a simple prefix code of one 8-bit symbol
    if (bits.size() % 2)
        bits.append('\0');
    const auto le32 = [](quint32 v) {
        const char bytes[4]
            = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
        return QByteArray(bytes, 4);
    };
    return "RIFF" + le32(static_cast<quint32>(12 + bits.size())) + "WEBPVP8L" + le32(static_cast<quint32>(bits.size()))
        + bits;
}

class ThumbnailRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_collection = m_db.addCollection(QStringLiteral("Holiday"));
        m_db.session().CurrentCollection.ID = m_collection;
        m_db.database().Execute(QStringLiteral("UPDATE Collection SET Scanned = 1, LastLeft_ID = 5, ScanProgress = 9"));
        // The JPEG repair writes its temporary file into the current folder.
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_pictures.path());
    }
    void TearDown() override { QDir::setCurrent(m_previousDir); }

    QString makeFolder(const QString &name)
    {
        const QString path = m_pictures.filePath(name);
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }
    int addFolder(const QString &path) { return m_db.addFolder(m_collection, path); }
    static void copyFixture(const QString &fixture, const QString &folder, const QString &name)
    {
        ASSERT_TRUE(QFile::copy(kData + fixture, folder + QLatin1Char('/') + name)) << name.toStdString();
    }

    // The run as a front end starts it; the runs that added lines to the log are counted, as
    // those are the runs after which the log is shown.
    ThumbnailRunSummary run()
    {
        ThumbnailRun updateRun(m_db.session(), m_log, m_observer);
        const ThumbnailRunSummary summary = updateRun.RunThumbnailUpdate();
        if (summary.problems > 0)
            ++m_runsThatAddedLines;
        return summary;
    }

    std::map<QString, Row> rows(int folderId)
    {
        store::Statement statement(m_db.database(),
            QStringLiteral("SELECT FileName, ID, Size, Created, Modified, Width, Height, Old, ColorRank, "
                           "DerivativeRank, Thumbnail, Derivative FROM Picture WHERE FolderID = ?"));
        statement.bind(0, folderId);
        std::map<QString, Row> result;
        while (statement.step()) {
            Row row;
            row.id = statement.column(1).toInt64();
            row.size = statement.column(2).toInt64();
            row.created = statement.column(3).toDouble();
            row.modified = statement.column(4).toDouble();
            row.width = statement.column(5).toInt();
            row.height = statement.column(6).toInt();
            row.old = statement.column(7).toBool();
            row.colorRank = statement.column(8).toInt();
            row.derivativeRank = statement.column(9).toInt();
            row.thumbnailBytes = statement.column(10).toBlob().size();
            row.derivativeBytes = statement.column(11).toBlob().size();
            result[statement.column(0).toString()] = row;
        }
        return result;
    }

    void markAllOld() { m_db.database().Execute(QStringLiteral("UPDATE Picture SET Old = 1")); }
    bool scanned() { return m_db.count("SELECT Scanned FROM Collection WHERE ID = ?", {m_collection}) != 0; }
    QStringList newLogLines(qsizetype since) const { return m_log.linesSince(since); }

    test::ConnectedTestDatabase m_db;
    QTemporaryDir m_pictures;
    log::ProcessingLog m_log;
    RecordingObserver m_observer;
    int m_collection = 0;
    int m_runsThatAddedLines = 0;
    QString m_previousDir;
};

TEST_F(ThumbnailRunTest, CollectionWithoutFoldersResetsScanStateAndEndsAtOnce)
{
    const ThumbnailRunSummary summary = run();

    EXPECT_FALSE(scanned());
    EXPECT_EQ(m_db.count("SELECT ScanProgress FROM Collection"), 0);
    EXPECT_EQ(m_db.count("SELECT count(*) FROM Collection WHERE LastLeft_ID IS NULL"), 1);
    EXPECT_EQ(m_observer.folderProgressCalls, (std::vector<std::pair<int, int>> {{0, 0}}));
    EXPECT_TRUE(m_observer.foldersStarted.empty());
    EXPECT_EQ(m_runsThatAddedLines, 0);
    EXPECT_FALSE(summary.stopped);
}

TEST_F(ThumbnailRunTest, NewFilesGetRowsWithTheirSignature)
{
    const QString folder = makeFolder(QStringLiteral("new"));
    copyFixture(kPhoto, folder, QStringLiteral("b.jpg"));
    copyFixture(kPlasma, folder, QStringLiteral("A.jpg"));
    const int folderId = addFolder(folder);

    const ThumbnailRunSummary summary = run();

    const auto stored = rows(folderId);
    ASSERT_EQ(stored.size(), 2u);
    const Row &b = stored.at(QStringLiteral("b.jpg"));
    EXPECT_EQ(b.width, 64);
    EXPECT_EQ(b.height, 48);
    EXPECT_EQ(b.size, QFileInfo(folder + QStringLiteral("/b.jpg")).size());
    EXPECT_EQ(b.modified, fileModified(folder + QStringLiteral("/b.jpg")));
    EXPECT_FALSE(b.old);
    EXPECT_EQ(b.thumbnailBytes, 3072);
    EXPECT_EQ(b.derivativeBytes, 1024);
    const imaging::Signature expected = imaging::ComputeSignature(
        imaging::PictureToBitmap(imaging::LoadPictureFile(toFsPath(folder + QStringLiteral("/b.jpg")))));
    EXPECT_EQ(b.colorRank, expected.ColorRank);
    EXPECT_EQ(b.derivativeRank, expected.DerivativeRank);
    EXPECT_EQ(stored.at(QStringLiteral("A.jpg")).width, 80);

    // Sorted without regard to case: A before b.
    EXPECT_EQ(m_observer.filesStarted,
        (std::vector<QString> {folder + QStringLiteral("/A.jpg"), folder + QStringLiteral("/b.jpg")}));
    EXPECT_EQ(m_observer.foldersStarted, (std::vector<QString> {folder + QLatin1Char('/')}));
    EXPECT_EQ(m_observer.fileCounts, (std::vector<int> {2}));
    EXPECT_EQ(m_observer.filesDone, (std::vector<std::pair<int, int>> {{0, 2}, {1, 2}}));
    EXPECT_EQ(m_observer.folderProgressCalls, (std::vector<std::pair<int, int>> {{0, 1}, {1, 1}}));
    EXPECT_EQ(summary.picturesRead, 2);
    EXPECT_EQ(m_log.lineCount(), 0);
}

TEST_F(ThumbnailRunTest, UnchangedSecondRunWritesNothingButLeavesCollectionUnscanned)
{
    const QString folder = makeFolder(QStringLiteral("same"));
    copyFixture(kPhoto, folder, QStringLiteral("one.jpg"));
    copyFixture(kPlasma, folder, QStringLiteral("two.jpg"));
    const int folderId = addFolder(folder);
    run();
    const auto before = rows(folderId);
    // As a scan would leave them: a rewritten row would come back with Old false.
    markAllOld();
    m_db.database().Execute(QStringLiteral("UPDATE Collection SET Scanned = 1"));
    m_observer = RecordingObserver();

    const ThumbnailRunSummary summary = run();

    const auto after = rows(folderId);
    ASSERT_EQ(after.size(), 2u);
    for (const auto &[name, row] : after) {
        EXPECT_TRUE(row.old) << name.toStdString();
        EXPECT_EQ(row.id, before.at(name).id);
    }
    EXPECT_EQ(summary.picturesRead, 0);
    EXPECT_EQ(m_log.lineCount(), 0);
    EXPECT_EQ(m_runsThatAddedLines, 0);
    EXPECT_FALSE(scanned());
}

TEST_F(ThumbnailRunTest, RenamedFolderIsReportedOnEveryRunAndKeepsItsRows)
{
    const QString folder = makeFolder(QStringLiteral("before"));
    copyFixture(kPhoto, folder, QStringLiteral("one.jpg"));
    const int folderId = addFolder(folder);
    run();
    ASSERT_EQ(rows(folderId).size(), 1u);
    ASSERT_TRUE(QDir().rename(folder, m_pictures.filePath(QStringLiteral("after"))));

    run();
    run();

    EXPECT_EQ(rows(folderId).size(), 1u);
    const QString line = QStringLiteral("The folder %1/ does not exist.").arg(folder);
    EXPECT_EQ(m_log.lines(), (QStringList {line, line}));
    EXPECT_EQ(m_runsThatAddedLines, 2);
    EXPECT_EQ(m_observer.folderProgressCalls.back(), std::make_pair(1, 1));
}

TEST_F(ThumbnailRunTest, DeletedFileLosesItsRowAndItsPairs)
{
    const QString folder = makeFolder(QStringLiteral("pics"));
    copyFixture(kPhoto, folder, QStringLiteral("keep.jpg"));
    copyFixture(kPlasma, folder, QStringLiteral("gone.jpg"));
    const int folderId = addFolder(folder);
    run();
    const auto first = rows(folderId);
    m_db.addPair(m_collection, static_cast<int>(first.at(QStringLiteral("keep.jpg")).id),
        static_cast<int>(first.at(QStringLiteral("gone.jpg")).id), 3);
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/gone.jpg")));

    const ThumbnailRunSummary summary = run();

    const auto second = rows(folderId);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second.at(QStringLiteral("keep.jpg")).id, first.at(QStringLiteral("keep.jpg")).id);
    EXPECT_EQ(m_db.count("SELECT count(*) FROM Duplicate"), 0);
    EXPECT_EQ(summary.rowsDeleted, 1);
}

TEST_F(ThumbnailRunTest, FileMovedBetweenFoldersGetsANewRowThatIsNotOld)
{
    const QString from = makeFolder(QStringLiteral("from"));
    const QString to = makeFolder(QStringLiteral("to"));
    copyFixture(kPhoto, from, QStringLiteral("moved.jpg"));
    const int fromId = addFolder(from);
    const int toId = addFolder(to);
    run();
    const qint64 oldId = rows(fromId).at(QStringLiteral("moved.jpg")).id;
    markAllOld();
    ASSERT_TRUE(QFile::rename(from + QStringLiteral("/moved.jpg"), to + QStringLiteral("/moved.jpg")));

    run();

    EXPECT_TRUE(rows(fromId).empty());
    const auto moved = rows(toId);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_NE(moved.at(QStringLiteral("moved.jpg")).id, oldId);
    EXPECT_FALSE(moved.at(QStringLiteral("moved.jpg")).old);
}

TEST_F(ThumbnailRunTest, TouchedFileIsReadAgainInItsOwnRow)
{
    const QString folder = makeFolder(QStringLiteral("touch"));
    copyFixture(kPhoto, folder, QStringLiteral("touched.jpg"));
    copyFixture(kPlasma, folder, QStringLiteral("left.jpg"));
    const QString touched = folder + QStringLiteral("/touched.jpg");
    setModified(touched, 1'500'000'000);
    const int folderId = addFolder(folder);
    run();
    const Row before = rows(folderId).at(QStringLiteral("touched.jpg"));
    markAllOld();
    setModified(touched, 1'600'000'000);

    const ThumbnailRunSummary summary = run();

    const auto after = rows(folderId);
    const Row &row = after.at(QStringLiteral("touched.jpg"));
    EXPECT_EQ(row.id, before.id);
    EXPECT_FALSE(row.old);
    EXPECT_EQ(row.modified, fileModified(touched));
    EXPECT_NE(row.modified, before.modified);
    EXPECT_EQ(row.colorRank, before.colorRank);
    EXPECT_TRUE(after.at(QStringLiteral("left.jpg")).old);
    EXPECT_EQ(summary.picturesRead, 1);
}

// What a scan leaves of a row whose signature it could not read: the update reads the file again
// into that very row.
TEST_F(ThumbnailRunTest, RowWithoutModifiedIsReadAgainIntoItself)
{
    const QString folder = makeFolder(QStringLiteral("damaged"));
    copyFixture(kPhoto, folder, QStringLiteral("a.jpg"));
    const int folderId = addFolder(folder);
    run();
    const Row before = rows(folderId).at(QStringLiteral("a.jpg"));
    m_db.database().Execute(QStringLiteral("UPDATE Picture SET Thumbnail = ?, Modified = NULL WHERE ID = ?"),
        {store::Value::fromBlob(QByteArray(10, 'x')), before.id});

    EXPECT_EQ(run().picturesRead, 1);
    const Row after = rows(folderId).at(QStringLiteral("a.jpg"));
    EXPECT_EQ(after.id, before.id);
    EXPECT_EQ(after.thumbnailBytes, before.thumbnailBytes);
    EXPECT_EQ(after.modified, before.modified);
}

TEST_F(ThumbnailRunTest, EmptyFolderLosesEveryRow)
{
    const QString folder = makeFolder(QStringLiteral("empty"));
    const int folderId = addFolder(folder);
    m_db.addPicture({.collectionId = m_collection, .folderId = folderId, .fileName = QStringLiteral("a.jpg")});
    m_db.addPicture({.collectionId = m_collection, .folderId = folderId, .fileName = QStringLiteral("b.jpg")});

    run();

    EXPECT_TRUE(rows(folderId).empty());
    EXPECT_EQ(m_observer.fileCounts, (std::vector<int> {0}));
    EXPECT_TRUE(m_observer.filesStarted.empty());
}

TEST_F(ThumbnailRunTest, UnreadableFilesAreReportedOnEveryRunAndGetNoRow)
{
    const QString folder = makeFolder(QStringLiteral("mixed"));
    copyFixture(QStringLiteral("notes.txt"), folder, QStringLiteral("notes.txt"));
    copyFixture(QStringLiteral("narrow-20x400.png"), folder, QStringLiteral("narrow.png"));
    copyFixture(kPhoto, folder, QStringLiteral("photo.jpg"));
    const int folderId = addFolder(folder);
    const QStringList expected {
        QStringLiteral("Could not read the file %1/narrow.png: Image is less than 32 pixels wide or high.").arg(folder),
        QStringLiteral("Could not read the file %1/notes.txt: Unknown picture file extension (.txt)").arg(folder),
    };

    for (int pass = 1; pass <= 2; ++pass) {
        const qsizetype noted = m_log.lineCount();
        run();
        EXPECT_EQ(newLogLines(noted), expected) << "run " << pass;
        EXPECT_EQ(m_runsThatAddedLines, pass);
        const auto stored = rows(folderId);
        EXPECT_EQ(stored.size(), 1u);
        EXPECT_EQ(stored.count(QStringLiteral("photo.jpg")), 1u);
    }

    // A run that meets no problem keeps the log closed, however full it is.
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/notes.txt")));
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/narrow.png")));
    run();
    EXPECT_EQ(m_runsThatAddedLines, 2);
    EXPECT_EQ(m_log.lineCount(), 4);
}

TEST_F(ThumbnailRunTest, PictureNeedingMoreMemoryThanAllowedIsRefusedWithOneLine)
{
    const QString folder = makeFolder(QStringLiteral("hostile"));
    QFile huge(folder + QStringLiteral("/huge.webp"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(flatLosslessWebp(15000));
    huge.close();
    copyFixture(kPhoto, folder, QStringLiteral("photo.jpg"));
    const int folderId = addFolder(folder);

    const ThumbnailRunSummary summary = run();

    const QStringList lines = newLogLines(0);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Could not read the file %1/huge.webp: ").arg(folder)));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("memory"))) << lines[0].toStdString();
    EXPECT_EQ(summary.picturesRead, 1);
    EXPECT_EQ(rows(folderId).count(QStringLiteral("photo.jpg")), 1u);
}

struct CutCase
{
    const char *fixture;
    // The line after "Could not read the file …: ", or none when what could be read is stored.
    const char *failure;
};

std::ostream &operator<<(std::ostream &out, const CutCase &c)
{
    return out << c.fixture;
}

class TruncatedFile : public ThumbnailRunTest, public ::testing::WithParamInterface<CutCase>
{
};

// A file cut short keeps what its decoder could read, with a line that says so, or gets a line
// saying it is cut short and no row.
TEST_P(TruncatedFile, SaysSoInOneLine)
{
    QFile original(QStringLiteral(VEXARIS_TEST_DATA "/loader/") + QString::fromLatin1(GetParam().fixture));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    const QString folder = makeFolder(QStringLiteral("cut"));
    const QString name = QString::fromLatin1(GetParam().fixture);
    QFile cut(folder + QLatin1Char('/') + name);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    // Half of what follows a JPEG file's first scan header, so that the cut falls in its coded
    // data; half of any other file.
    const qsizetype scan = std::max<qsizetype>(0, bytes.indexOf(QByteArray("\xFF\xDA", 2)));
    cut.write(bytes.left(scan + (bytes.size() - scan) / 2));
    cut.close();
    const int folderId = addFolder(folder);

    run();

    const QString path = folder + QLatin1Char('/') + name;
    const QString line = GetParam().failure
        ? QStringLiteral("Could not read the file %1: %2").arg(path, QString::fromLatin1(GetParam().failure))
        : QStringLiteral("The file %1 is truncated or damaged: only what could be read of it was stored.").arg(path);
    EXPECT_EQ(newLogLines(0), QStringList {line});
    EXPECT_EQ(rows(folderId).count(name), GetParam().failure ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Formats, TruncatedFile,
    ::testing::Values(CutCase {"quadrants.jpg", nullptr}, CutCase {"quadrants-progressive.jpg", nullptr},
        CutCase {"grey.jpg", nullptr}, CutCase {"quadrants-cmyk.jpg", nullptr},
        CutCase {"quadrants.png", "PNG error: the file is cut short"},
        CutCase {"quadrants-interlaced.gif", "GIF error: the file is cut short"},
        CutCase {"quadrants.tif", "TIFF error: the file is cut short"},
        CutCase {"quadrants.webp", "WebP error: the file is cut short"},
        CutCase {"quadrants.avif", "AVIF error: the file is cut short"}),
    [](const ::testing::TestParamInfo<CutCase> &row) {
        std::string name = row.param.fixture;
        for (char &c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST_F(ThumbnailRunTest, HiddenFileIsNotListedSoItsRowGoes)
{
    const QString folder = makeFolder(QStringLiteral("hidden"));
    copyFixture(kPhoto, folder, QStringLiteral(".secret.jpg"));
    copyFixture(kPlasma, folder, QStringLiteral("shown.jpg"));
    const int folderId = addFolder(folder);
    m_db.addPicture({.collectionId = m_collection, .folderId = folderId, .fileName = QStringLiteral(".secret.jpg")});

    run();

    const auto stored = rows(folderId);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored.count(QStringLiteral("shown.jpg")), 1u);
    EXPECT_EQ(m_observer.fileCounts, (std::vector<int> {1}));
}

TEST_F(ThumbnailRunTest, StopDuringTheThirdFileOfTenFinishesItAndBeginsNoFurtherFolder)
{
    const QString ten = makeFolder(QStringLiteral("ten"));
    for (int i = 0; i < 10; ++i)
        copyFixture(kPhoto, ten, QStringLiteral("%1.jpg").arg(i));
    const QString next = makeFolder(QStringLiteral("next"));
    copyFixture(kPhoto, next, QStringLiteral("x.jpg"));
    const int tenId = addFolder(ten);
    const int nextId = addFolder(next);
    m_observer.stopAtFile = 3;

    const ThumbnailRunSummary summary = run();

    const auto stored = rows(tenId);
    EXPECT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored.count(QStringLiteral("2.jpg")), 1u);
    EXPECT_TRUE(rows(nextId).empty());
    EXPECT_EQ(m_observer.filesDone.size(), 3u);
    EXPECT_EQ(m_observer.folderProgressCalls, (std::vector<std::pair<int, int>> {{0, 2}, {1, 2}}));
    EXPECT_EQ(m_observer.foldersStarted.size(), 1u);
    EXPECT_TRUE(summary.stopped);
    EXPECT_FALSE(scanned());
}

TEST_F(ThumbnailRunTest, FolderOfOneFile)
{
    const QString folder = makeFolder(QStringLiteral("one"));
    copyFixture(kPhoto, folder, QStringLiteral("only.jpg"));
    addFolder(folder);

    run();

    EXPECT_EQ(m_observer.fileCounts, (std::vector<int> {1}));
    EXPECT_EQ(m_observer.filesDone, (std::vector<std::pair<int, int>> {{0, 1}}));
}

TEST_F(ThumbnailRunTest, JpegWithGarbageInFrontIsRepairedAndReadAgainOnTheNextRun)
{
    const QString folder = makeFolder(QStringLiteral("repair"));
    const QString path = folder + QStringLiteral("/prefixed.jpg");
    QFile source(kData + kPhoto);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray jpeg = source.readAll();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(100, 'g'));
        file.write(jpeg);
    }
    setModified(path, 1'400'000'000);
    const double modifiedBefore = fileModified(path);
    const int folderId = addFolder(folder);

    run();

    const Row first = rows(folderId).at(QStringLiteral("prefixed.jpg"));
    // The row keeps the file's length and time from before the repair...
    EXPECT_EQ(first.size, jpeg.size() + 100);
    EXPECT_EQ(first.modified, modifiedBefore);
    EXPECT_EQ(first.width, 64);
    // ...while the file on disk now starts with its JPEG data.
    EXPECT_EQ(QFileInfo(path).size(), jpeg.size());
    QFile repaired(path);
    ASSERT_TRUE(repaired.open(QIODevice::ReadOnly));
    EXPECT_EQ(repaired.read(2), QByteArray("\xFF\xD8", 2));
    EXPECT_EQ(m_log.lineCount(), 0);
    markAllOld();

    run();

    const Row second = rows(folderId).at(QStringLiteral("prefixed.jpg"));
    EXPECT_EQ(second.id, first.id);
    EXPECT_EQ(second.size, jpeg.size());
    EXPECT_FALSE(second.old);
    EXPECT_EQ(second.colorRank, first.colorRank);
}

TEST_F(ThumbnailRunTest, JpegInAFolderThatCannotBeWrittenGetsItsRowAndOneLineAndStaysAsItWas)
{
    const QString folder = makeFolder(QStringLiteral("locked"));
    QFile source(kData + kPhoto);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray damaged = QByteArray(100, 'g') + source.readAll();
    {
        QFile file(folder + QStringLiteral("/prefixed.jpg"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    const int folderId = addFolder(folder);
    {
        const test::ReadOnlyFolder locked(folder);
        if (!locked.isValid())
            GTEST_SKIP() << "this file system cannot lock a folder";
        run();
    }
    EXPECT_EQ(rows(folderId).at(QStringLiteral("prefixed.jpg")).width, 64);
    const QStringList lines = newLogLines(0);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(
        QStringLiteral("The file %1/prefixed.jpg was read, but it could not be repaired on disk: ").arg(folder)))
        << lines[0].toStdString();
    QFile file(folder + QStringLiteral("/prefixed.jpg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), damaged);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList {QStringLiteral("prefixed.jpg")});
}

TEST_F(ThumbnailRunTest, FilesWhoseNamesAreNotUtf8AreLeftOutEachWithALineShowingItsBytes)
{
    const QString folder = makeFolder(QStringLiteral("odd"));
    copyFixture(kPhoto, folder, QStringLiteral("plain.jpg"));
    const std::string base = QFile::encodeName(folder).toStdString();
    for (const char *name : {"/\xfe.jpg", "/\xff.jpg"}) {
        FILE *file = std::fopen((base + name).c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
    }
    const int folderId = addFolder(folder);
    run();
    for (const char *name : {"/\xfe.jpg", "/\xff.jpg"})
        std::remove((base + name).c_str());
    EXPECT_EQ(rows(folderId).size(), 1u);
    EXPECT_EQ(newLogLines(0),
        (QStringList {QStringLiteral("The file %1/\\xfe.jpg is left out: its name is not valid UTF-8.").arg(folder),
            QStringLiteral("The file %1/\\xff.jpg is left out: its name is not valid UTF-8.").arg(folder)}));
}

TEST_F(ThumbnailRunTest, ADatabaseThatCannotBeWrittenEndsTheRunWithOneLineAndKeepsWhatWasStored)
{
    const QString first = makeFolder(QStringLiteral("first"));
    copyFixture(kPhoto, first, QStringLiteral("a.jpg"));
    const int firstId = addFolder(first);
    run();
    const QString second = makeFolder(QStringLiteral("second"));
    for (const QString &name : {QStringLiteral("b.jpg"), QStringLiteral("c.jpg"), QStringLiteral("d.jpg")})
        copyFixture(kPlasma, second, name);
    const int secondId = addFolder(second);

    // The file may not grow: every new row fails with SQLite's own "database or disk is full".
    m_db.database().Execute(QStringLiteral("PRAGMA max_page_count = 1"));
    const qsizetype noted = m_log.lineCount();
    try {
        run();
        ADD_FAILURE() << "the run went on without a database";
    } catch (const Error &e) {
        EXPECT_EQ(std::string(e.what()),
            "The run has ended because the database cannot be written: database or disk is full");
    }
    EXPECT_TRUE(newLogLines(noted).isEmpty());
    EXPECT_EQ(m_runsThatAddedLines, 0);
    EXPECT_EQ(rows(firstId).size(), 1u);
    EXPECT_TRUE(rows(secondId).empty());

    m_db.database().Execute(QStringLiteral("PRAGMA max_page_count = 1073741823"));
    run();
    const std::map<QString, Row> stored = rows(secondId);
    ASSERT_EQ(stored.size(), 3u);
    for (const auto &[name, row] : stored) {
        EXPECT_EQ(row.width, 80) << name.toStdString();
        EXPECT_EQ(row.thumbnailBytes, 3072) << name.toStdString();
    }
}

TEST_F(ThumbnailRunTest, NamesDifferingOnlyInCaseAreTwoFiles)
{
    const QString folder = makeFolder(QStringLiteral("case"));
    copyFixture(kPhoto, folder, QStringLiteral("photo.jpg"));
    copyFixture(kPlasma, folder, QStringLiteral("Photo.jpg"));
    const int folderId = addFolder(folder);

    run();

    auto stored = rows(folderId);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored.at(QStringLiteral("photo.jpg")).width, 64);
    EXPECT_EQ(stored.at(QStringLiteral("Photo.jpg")).width, 80);
}

TEST_F(ThumbnailRunTest, FileRenamedInLetterCaseIsANewFile)
{
    const QString folder = makeFolder(QStringLiteral("rename"));
    copyFixture(kPhoto, folder, QStringLiteral("holiday.jpg"));
    const int folderId = addFolder(folder);
    run();
    const qint64 oldId = rows(folderId).at(QStringLiteral("holiday.jpg")).id;
    ASSERT_TRUE(QFile::rename(folder + QStringLiteral("/holiday.jpg"), folder + QStringLiteral("/Holiday.JPG")));

    run();

    const auto stored = rows(folderId);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_NE(stored.at(QStringLiteral("Holiday.JPG")).id, oldId);
}

TEST_F(ThumbnailRunTest, SpecialFilesAreNeverOpened)
{
    const QString folder = makeFolder(QStringLiteral("special"));
    ASSERT_EQ(mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe.jpg")).constData(), 0644), 0);
    ASSERT_TRUE(QDir().mkdir(folder + QStringLiteral("/sub.jpg")));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/nowhere.jpg"), folder + QStringLiteral("/dangling.jpg")));
    copyFixture(kPhoto, m_pictures.path(), QStringLiteral("target.jpg"));
    ASSERT_TRUE(QFile::link(m_pictures.filePath(QStringLiteral("target.jpg")), folder + QStringLiteral("/link.jpg")));
    const int folderId = addFolder(folder);

    run(); // a FIFO opened for reading would block here for ever

    const auto stored = rows(folderId);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored.at(QStringLiteral("link.jpg")).width, 64);
    EXPECT_EQ(m_log.lineCount(), 0);
}

TEST_F(ThumbnailRunTest, RowThatCannotBeStoredIsLoggedAndTheRunGoesOn)
{
    const QString folder = makeFolder(QStringLiteral("refused"));
    copyFixture(kPhoto, folder, QStringLiteral("a.jpg"));
    copyFixture(kPlasma, folder, QStringLiteral("b.jpg"));
    const int folderId = addFolder(folder);
    m_db.database().Execute(QStringLiteral("CREATE TRIGGER NoB BEFORE INSERT ON Picture WHEN NEW.FileName = 'b.jpg' "
                                           "BEGIN SELECT RAISE(ABORT, 'no room for b'); END"));

    run();

    const auto stored = rows(folderId);
    EXPECT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored.count(QStringLiteral("a.jpg")), 1u);
    ASSERT_EQ(m_log.lineCount(), 1);
    EXPECT_EQ(m_log.lines().first(),
        QStringLiteral("Error while writing to the database (file %1/b.jpg): no room for b").arg(folder));
    EXPECT_EQ(m_runsThatAddedLines, 1);
}

TEST_F(ThumbnailRunTest, DatabaseErrorEndsTheRunWithoutShowingTheLog)
{
    const QString missing = m_pictures.filePath(QStringLiteral("missing"));
    const QString first = makeFolder(QStringLiteral("first"));
    copyFixture(kPhoto, first, QStringLiteral("kept.jpg"));
    const QString second = makeFolder(QStringLiteral("second"));
    addFolder(missing);
    const int firstId = addFolder(first);
    const int secondId = addFolder(second);
    m_db.addPicture({.collectionId = m_collection, .folderId = secondId, .fileName = QStringLiteral("gone.jpg")});
    m_db.database().Execute(
        QStringLiteral("CREATE TRIGGER Keep BEFORE DELETE ON Picture BEGIN SELECT RAISE(ABORT, 'rows are kept'); END"));

    try {
        run();
        FAIL() << "the run went through";
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "rows are kept");
    }

    EXPECT_EQ(rows(firstId).size(), 1u); // stored before the error
    EXPECT_EQ(m_log.lineCount(), 1); // the missing folder
    EXPECT_EQ(m_runsThatAddedLines, 0);
    EXPECT_FALSE(scanned());
}

TEST_F(ThumbnailRunTest, SecondRowForOneFileCannotBeMade)
{
    const QString folder = makeFolder(QStringLiteral("twice"));
    copyFixture(kPhoto, folder, QStringLiteral("a.jpg"));
    const int folderId = addFolder(folder);
    run();
    // The database itself refuses it, so that no run, of this process or another, can make one.
    EXPECT_THROW(
        m_db.addPicture({.collectionId = m_collection, .folderId = folderId, .fileName = QStringLiteral("a.jpg")}),
        store::DatabaseError);
    EXPECT_EQ(m_db.count("SELECT count(*) FROM Picture"), 1);
}

} // namespace

// Reading ahead on other threads must not change what a run records or in which order: the same
// rows with the same IDs, the same log lines, the same progress, also when it is stopped.
TEST_F(ThumbnailRunTest, ReadingAheadOnThreadsRecordsWhatOneThreadRecords)
{
    struct Outcome
    {
        std::vector<std::vector<QString>> rows;
        QStringList log;
        std::vector<QString> filesStarted;
        std::vector<std::pair<int, int>> filesDone;
        bool stopped = false;
    };
    const QString a = makeFolder(QStringLiteral("a"));
    const QString b = makeFolder(QStringLiteral("b"));
    for (int i = 0; i < 9; ++i)
        copyFixture(i % 2 ? kPhoto : kPlasma, a, QStringLiteral("%1.jpg").arg(i));
    copyFixture(QStringLiteral("notes.txt"), a, QStringLiteral("notes.txt"));
    copyFixture(QStringLiteral("narrow-20x400.png"), b, QStringLiteral("narrow.png"));
    copyFixture(kPhoto, b, QStringLiteral("x.jpg"));

    const auto runWith = [&](unsigned threads, int stopAtFile) {
        test::ConnectedTestDatabase db;
        const int collection = db.addCollection(QStringLiteral("Holiday"));
        db.session().CurrentCollection.ID = collection;
        db.addFolder(collection, a);
        db.addFolder(collection, b);
        log::ProcessingLog log;
        RecordingObserver observer;
        observer.stopAtFile = stopAtFile;
        Outcome outcome;
        outcome.stopped = ThumbnailRun(db.session(), log, observer, threads).RunThumbnailUpdate().stopped;
        store::Statement statement(db.database(),
            QStringLiteral("SELECT ID, FolderID, FileName, Size, Modified, Width, Height, Old, ColorRank, "
                           "DerivativeRank, hex(Thumbnail), hex(Derivative) FROM Picture ORDER BY ID"));
        while (statement.step()) {
            std::vector<QString> row;
            for (int column = 0; column < 12; ++column)
                row.push_back(statement.column(column).toString());
            outcome.rows.push_back(row);
        }
        outcome.log = log.linesSince(0);
        outcome.filesStarted = observer.filesStarted;
        outcome.filesDone = observer.filesDone;
        return outcome;
    };

    for (const int stopAtFile : {0, 3}) {
        const Outcome one = runWith(1, stopAtFile);
        EXPECT_EQ(one.rows.size(), stopAtFile ? 3u : 10u);
        for (const unsigned threads : {2u, 4u}) {
            const Outcome many = runWith(threads, stopAtFile);
            SCOPED_TRACE(testing::Message() << threads << " threads, stop at file " << stopAtFile);
            EXPECT_EQ(many.rows, one.rows);
            EXPECT_EQ(many.log, one.log);
            EXPECT_EQ(many.filesStarted, one.filesStarted);
            EXPECT_EQ(many.filesDone, one.filesDone);
            EXPECT_EQ(many.stopped, one.stopped);
        }
    }
}
