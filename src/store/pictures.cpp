#include "store/pictures.h"

#include <cstring>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/imgutils.h"

namespace vexaris::store {

void TPictureArray::reset(size_t count)
{
    m_records.assign(count, TPictureRec());
    m_thumbnails.assign(count * kThumbnailSize, 0);
    m_derivatives.assign(count * kDerivativeSize, 0);
}

void TPictureArray::truncate(size_t count)
{
    if (count >= m_records.size())
        return;
    m_records.resize(count);
    m_thumbnails.resize(count * kThumbnailSize);
    m_derivatives.resize(count * kDerivativeSize);
}

void TPictureArray::clear()
{
    m_records = {};
    m_thumbnails = {};
    m_derivatives = {};
}

namespace {

// Result columns of the load, in this order.
enum PictureColumn {
    kId,
    kFileName,
    kSize,
    kCreated,
    kModified,
    kWidth,
    kHeight,
    kThumbnail,
    kDerivative,
    kColorRank,
    kDerivativeRank,
    kOld,
    kFolderId,
};

const char *const kColumnNames[] = {"ID", "FileName", "Size", "Created", "Modified", "Width", "Height", "Thumbnail",
    "Derivative", "ColorRank", "DerivativeRank", "Old", "FolderID"};

// Thrown by the reader of one row, caught by the load, which leaves the row out.
struct DamagedRow
{
    std::string reason;
};

class RowReader
{
public:
    explicit RowReader(const Statement &statement)
        : m_statement(statement)
    {
    }

    [[noreturn]] static void fail(const std::string &reason) { throw DamagedRow {reason}; }

    // A number that only names the row: unreadable, it does not cost the row.
    int32_t integerOrZero(PictureColumn column) const
    {
        try {
            return m_statement.columnIsNull(column) ? 0 : m_statement.column(column).toInt();
        } catch (const Error &) {
            return 0;
        }
    }

    int32_t integer(PictureColumn column) const
    {
        if (m_statement.columnIsNull(column))
            fail(formatText(_("%s has no value"), {kColumnNames[column]}));
        try {
            return m_statement.column(column).toInt();
        } catch (const Error &e) {
            fail(std::string(kColumnNames[column]) + ": " + e.what());
        }
    }

    double date(PictureColumn column) const
    {
        if (m_statement.columnIsNull(column))
            return 0.0;
        try {
            return m_statement.column(column).toDouble();
        } catch (const Error &e) {
            fail(std::string(kColumnNames[column]) + ": " + e.what());
        }
    }

    void bytes(PictureColumn column, uint8_t *target, size_t expected) const
    {
        if (m_statement.columnIsNull(column))
            fail(formatText(_("%s has no value"), {kColumnNames[column]}));
        const QByteArrayView stored = m_statement.columnBytes(column);
        if (static_cast<size_t>(stored.size()) != expected)
            fail(formatText(_("%s holds %d bytes instead of %d"),
                {kColumnNames[column], std::to_string(stored.size()), std::to_string(expected)}));
        std::memcpy(target, stored.data(), expected);
    }

private:
    const Statement &m_statement;
};

} // namespace

std::vector<DamagedPicture> LoadPictures(
    Session &session, TPictureArray &pictures, const QList<int32_t> &folderIds, bool computeAverages)
{
    Database &database = session.DatabaseConnection;
    QString filter;
    Parameters parameters {session.CurrentCollection.ID};
    if (!folderIds.isEmpty()) {
        QStringList marks;
        for (const int32_t id : folderIds) {
            marks.append(QStringLiteral("?"));
            parameters.push_back(id);
        }
        filter = QStringLiteral(" AND FolderID IN (%1)").arg(marks.join(QLatin1Char(',')));
    }

    Statement count(database, QStringLiteral("SELECT count(*) FROM Picture WHERE CollectionID = ?") + filter);
    count.bindAll(parameters);
    count.step();
    const size_t rows = static_cast<size_t>(count.column(0).toInt64());

    Statement select(database,
        QStringLiteral("SELECT ID, FileName, Size, Created, Modified, Width, Height, Thumbnail, Derivative, "
                       "ColorRank, DerivativeRank, Old, FolderID FROM Picture WHERE CollectionID = ?")
            + filter + QStringLiteral(" ORDER BY ColorRank, ID"));
    select.bindAll(parameters);

    pictures.reset(rows);
    std::vector<DamagedPicture> damaged;
    const RowReader row(select);
    size_t k = 0;
    size_t seen = 0;
    while (select.step()) {
        // Another process may have added rows between the count and the query.
        if (seen++ == rows)
            throw Error(_("The pictures changed while they were being loaded; try again"));
        TPictureRec &picture = pictures[k];
        picture.ID = row.integerOrZero(kId);
        picture.FileName = select.columnIsNull(kFileName) ? QString() : select.column(kFileName).toString();
        try {
            picture.ID = row.integer(kId);
            picture.Size = row.integer(kSize);
            picture.Modified = row.date(kModified);
            picture.Created = row.date(kCreated);
            picture.Width = row.integer(kWidth);
            picture.Height = row.integer(kHeight);
            row.bytes(kThumbnail, pictures.thumbnail(k), kThumbnailSize);
            row.bytes(kDerivative, pictures.derivative(k), kDerivativeSize);
            picture.ColorRank = row.integer(kColorRank);
            picture.DerivativeRank = row.integer(kDerivativeRank);
            picture.Old = row.integer(kOld) != 0;
            picture.FolderID = row.integer(kFolderId);
        } catch (const DamagedRow &e) {
            damaged.push_back(
                {picture.ID, row.integerOrZero(kFolderId), picture.FileName, QString::fromStdString(e.reason)});
            // The element is filled afresh by the next row; the array shrinks to the rows kept.
            picture = TPictureRec();
            continue;
        }
        if (computeAverages)
            picture.AverageColors = imaging::AverageColors(pictures.thumbnail(k));
        ++k;
    }
    if (seen != rows)
        throw Error(_("The pictures changed while they were being loaded; try again"));
    pictures.truncate(k);
    return damaged;
}

} // namespace vexaris::store
