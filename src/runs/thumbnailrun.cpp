#include "runs/thumbnailrun.h"

#include <algorithm>
#include <exception>
#include <thread>

#include <sys/stat.h>

#include <QByteArray>
#include <QScopeGuard>

#include "common/bytenames.h"
#include "common/error.h"
#include "common/paths.h"
#include "i18n/qtranslate.h"
#include "log/processinglog.h"
#include "store/data.h"
#include "store/recordset.h"
#include "store/runlock.h"
#include "store/schemanames.h"

namespace vexaris::runs {

using namespace vexaris::store;

namespace {

QByteArray blobOf(const uint8_t *bytes, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size));
}

// A row whose column is NULL never matches a file, so the file is read again and the row
// gets a complete set of values.
bool sameInteger(const Value &value, qint64 expected)
{
    return value.isNumeric() && value.toInt64() == expected;
}

bool sameDateTime(const Value &value, double expected)
{
    return value.isNumeric() && value.toDouble() == expected;
}

// A database that cannot be written at all fails every file the same way: going on would only
// bury the cause under a line per file.
bool endsTheRun(const std::exception &error)
{
    const auto *database = dynamic_cast<const DatabaseError *>(&error);
    return database && isStorageFailure(database->code());
}

bool isDirectory(const QString &path)
{
    struct stat info;
    return !path.isEmpty() && stat(toFsPath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

ThumbnailRun::ThumbnailRun(Session &session, log::ProcessingLog &log, RunObserver &observer, unsigned threads)
    : m_session(session)
    , m_log(log)
    , m_observer(observer)
    , m_threads(threads)
{
}

ThumbnailRun::~ThumbnailRun() = default;

void ThumbnailRun::report(RunProgress::Stage stage, int done, int total, const QString &path)
{
    m_observer.progress(RunProgress {stage, done, total, path});
}

void ThumbnailRun::appendLog(const QString &line)
{
    m_log.append(line);
    ++m_summary.problems;
}

ThumbnailRunSummary ThumbnailRun::RunThumbnailUpdate()
{
    try {
        return runUpdate();
    } catch (const DatabaseError &e) {
        if (isStorageFailure(e.code()))
            throw Error(qtrFormat(
                N_("The run has ended because the database cannot be written: %s"), {QString::fromUtf8(e.what())})
                            .toStdString());
        throw;
    }
}

ThumbnailRunSummary ThumbnailRun::runUpdate()
{
    ReadAhead readAhead(m_threads == 0 ? std::max(1u, std::thread::hardware_concurrency()) : m_threads);
    m_readAhead = &readAhead;
    const auto forget = qScopeGuard([this] { m_readAhead = nullptr; });
    m_collectionId = m_session.CurrentCollection.ID;
    const CollectionRunLock runLock(m_session.DatabaseConnection, m_collectionId, m_session.CurrentCollection.Name);
    m_summary = {};
    Recordset folders;
    m_pictures = std::make_unique<Recordset>();
    // Whatever way the run ends, the recordsets and the file list do not outlive it.
    struct Release
    {
        ThumbnailRun &run;
        ~Release()
        {
            run.m_pictures.reset();
            run.m_files.clear(NameComparison::Exact);
        }
    } release {*this};

    // Every run leaves the collection unscanned, also one that finds nothing changed or is
    // stopped: the next scan must look at whatever this run may have written.
    ResetScanState(m_session, false);
    folders.Open(m_session.DatabaseConnection, QStringLiteral("SELECT * FROM Folder WHERE CollectionID = ?"),
        LockType::ReadOnly, CommandType::Text, {m_collectionId});
    const int folderCount = folders.RecordCount();
    m_summary.folders = folderCount;
    int foldersDone = 0;
    report(RunProgress::Stage::FolderProgress, 0, folderCount);

    while (!folders.Eof() && !m_observer.stopRequested()) {
        const int folderId = IntOrZero(folders.Field(column::ID));
        const Value &pathValue = folders.Field(column::Path);
        const QString path = pathValue.isNull() ? QString() : pathValue.toString();
        updateFolder(folderId, path);

        folders.MoveNext();
        ++foldersDone;
        m_summary.foldersDone = foldersDone;
        report(RunProgress::Stage::FolderProgress, foldersDone, folderCount);
        m_pictures->Close();
    }
    m_summary.stopped = m_observer.stopRequested();

    folders.Close();
    m_pictures.reset();
    m_files.clear(NameComparison::Exact);
    return m_summary;
}

void ThumbnailRun::updateFolder(int folderId, const QString &path)
{
    const QChar delimiter = QLatin1Char('/');
    m_folderPath = path.endsWith(delimiter) ? path : path + delimiter;
    m_folderFsPath = toFsPath(m_folderPath);
    report(RunProgress::Stage::FolderStarted, 0, 0, m_folderPath);
    m_observer.handlePendingMessages();

    m_files.clear(NameComparison::Exact);
    if (!isDirectory(path)) {
        // The rows stay: the folder may only be unplugged or renamed for now.
        appendLog(qtrFormat(N_("The folder %s does not exist."), {m_folderPath}));
        return;
    }
    std::vector<std::string> unnamed;
    try {
        unnamed = ListFolderFiles(m_folderFsPath, m_files);
    } catch (const std::exception &e) {
        // A folder that cannot be listed says nothing about its files: deleting their rows (and
        // with them the pairs the user has already judged) would lose work for a passing fault.
        m_files.clear(NameComparison::Exact);
        appendLog(qtrFormat(N_("The folder %s cannot be read: %s"), {m_folderPath, QString::fromUtf8(e.what())}));
        return;
    }

    for (const std::string &name : unnamed)
        appendLog(qtrFormat(N_("The file %s is left out: its name is not valid UTF-8."),
            {m_folderPath + QString::fromStdString(printableName(name))}));

    matchRows(folderId);

    const int fileCount = static_cast<int>(m_files.size());
    m_summary.files += fileCount;
    report(RunProgress::Stage::FilesCounted, 0, fileCount);

    // The files to be read go to the readers ahead of the loop, a few at a time, in list order.
    std::vector<size_t> toRead;
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (m_files[i].data.Changed)
            toRead.push_back(i);
    }
    size_t submitted = 0;
    size_t taken = 0;
    const auto refill = [&] {
        for (; submitted < toRead.size() && submitted - taken < m_readAhead->window(); ++submitted) {
            std::filesystem::path file = m_folderFsPath;
            file += m_files[toRead[submitted]].rawName;
            m_readAhead->submit(toRead[submitted], std::move(file));
        }
    };
    for (size_t i = 0; i < m_files.size(); ++i) {
        refill();
        UpdatePictureRow(i);
        if (taken < toRead.size() && toRead[taken] == i)
            ++taken;
        report(RunProgress::Stage::FileDone, static_cast<int>(i), fileCount);
        m_observer.handlePendingMessages();
        if (m_observer.stopRequested())
            break;
    }
    // Files read ahead of a stop are dropped; the next run reads them again.
    m_readAhead->cancel();
}

void ThumbnailRun::matchRows(int folderId)
{
    m_currentFolderId = folderId;
    m_pictures->Open(m_session.DatabaseConnection,
        QStringLiteral("SELECT * FROM Picture WHERE CollectionID = ? AND FolderID = ?"), LockType::Optimistic,
        CommandType::Text, {m_collectionId, folderId});
    while (!m_pictures->Eof()) {
        const Value &nameValue = m_pictures->Field(column::FileName);
        const std::optional<size_t> index = nameValue.isNull() ? std::nullopt : m_files.indexOf(nameValue.toString());
        // A second row for a file that already has one is deleted too: two rows of one file would
        // come back from a scan as a perfect pair of the file with itself.
        if (!index || m_files[*index].data.InDatabase) {
            m_pictures->Delete();
            ++m_summary.rowsDeleted;
        } else {
            TFileData &data = m_files[*index].data;
            data.ID = m_pictures->Field(column::ID).toInt64();
            data.InDatabase = true;
            data.Changed = !sameInteger(m_pictures->Field(column::Size), data.Size)
                || !sameDateTime(m_pictures->Field(column::Created), data.Created)
                || !sameDateTime(m_pictures->Field(column::Modified), data.Modified);
        }
        m_pictures->MoveNext();
    }
}

void ThumbnailRun::UpdatePictureRow(size_t i)
{
    const FileEntry &entry = m_files[i];
    const TFileData &data = entry.data;
    const QString fullPath = m_folderPath + entry.name;
    report(RunProgress::Stage::FileStarted, 0, 0, fullPath);

    if (data.InDatabase) {
        m_pictures->MoveFirst();
        const QString criterion = QStringLiteral("ID=") + QString::number(data.ID);
        if (!m_pictures->Find(criterion) || m_pictures->Eof() || m_pictures->Field(column::ID).toInt64() != data.ID)
            throw Error("Image record not found when it should be!");
    }
    const bool changed = data.Changed;

    if (!data.InDatabase) {
        m_pictures->AddNew();
        try {
            m_pictures->SetField(column::FileName, entry.name);
        } catch (const std::exception &e) {
            m_pictures->CancelUpdate();
            if (endsTheRun(e))
                throw;
            appendLog(qtrFormat(
                N_("Error while writing to the database (file %s): %s"), {fullPath, QString::fromUtf8(e.what())}));
            return;
        }
        m_pictures->SetField(column::FolderID, m_currentFolderId);
        m_pictures->SetField(column::CollectionID, m_collectionId);
    }

    if (!changed)
        return;

    m_pictures->SetField(column::Size, data.Size);
    m_pictures->SetField(column::Created, data.Created);
    m_pictures->SetField(column::Modified, data.Modified);

    std::string repairFailure;
    bool truncated = false;
    try {
        const PictureReading reading = m_readAhead->take(i, [this] { m_observer.handlePendingMessages(); });
        repairFailure = reading.repairFailure;
        truncated = reading.truncated;
        m_pictures->SetField(column::Width, reading.width);
        m_pictures->SetField(column::Height, reading.height);
        const imaging::Signature &signature = reading.signature;
        m_pictures->SetField(
            column::Derivative, StringToBlob(blobOf(signature.Derivative.data(), signature.Derivative.size())));
        m_pictures->SetField(
            column::Thumbnail, StringToBlob(blobOf(signature.Thumbnail.data(), signature.Thumbnail.size())));
        m_pictures->SetField(column::ColorRank, signature.ColorRank);
        m_pictures->SetField(column::DerivativeRank, signature.DerivativeRank);
        m_pictures->SetField(column::Old, false);
    } catch (const std::exception &e) {
        // A known row keeps its old size and times, so the next run tries the file again.
        m_pictures->CancelUpdate();
        appendLog(qtrFormat(N_("Could not read the file %s: %s"), {fullPath, QString::fromUtf8(e.what())}));
        return;
    }

    try {
        m_pictures->Update();
        ++m_summary.picturesRead;
    } catch (const std::exception &e) {
        m_pictures->CancelUpdate();
        if (endsTheRun(e))
            throw;
        appendLog(qtrFormat(
            N_("Error while writing to the database (file %s): %s"), {fullPath, QString::fromUtf8(e.what())}));
        return;
    }
    if (!repairFailure.empty())
        appendLog(qtrFormat(N_("The file %s was read, but it could not be repaired on disk: %s"),
            {fullPath, QString::fromStdString(repairFailure)}));
    if (truncated)
        appendLog(qtrFormat(
            N_("The file %s is truncated or damaged: only what could be read of it was stored."), {fullPath}));
}

} // namespace vexaris::runs
