#include "review/pairlist.h"

#include <algorithm>
#include <bit>

#include "store/database.h"

namespace vexaris::review {

namespace {

QString textOf(const store::Value &value)
{
    return value.isNull() ? QString() : value.toString();
}

// How many pairs are read between two reports of progress.
constexpr qint64 kProgressEvery = 16384;
// Below this many pairs the list is read through the index of a collection's pairs.
constexpr qint64 kPairsThroughIndex = 50000;

} // namespace

QString PairSide::fullPath() const
{
    return joinPath(folderPath, fileName);
}

QString joinPath(const QString &folderPath, const QString &fileName)
{
    if (folderPath.endsWith(QLatin1Char('/')))
        return folderPath + fileName;
    return folderPath + QLatin1Char('/') + fileName;
}

int countPairs(store::Database &database, int collectionId)
{
    store::Statement count(database, QStringLiteral("SELECT COUNT(*) FROM Duplicate WHERE Collection_ID = ?"));
    count.bind(0, collectionId);
    count.step();
    return count.column(0).toInt();
}

void PairList::clear()
{
    m_collectionId = 0;
    m_pairs = {};
    m_pictures = {};
    m_slotByDenseId = {};
    m_slotById = {};
    m_linkStart = {};
    m_links = {};
    m_byId = {};
    m_alive = {};
    m_tree = {};
    m_count = 0;
}

void PairList::read(store::Session &session, int collectionId, const Progress &progress)
{
    clear();
    m_collectionId = collectionId;
    store::Database &database = session.DatabaseConnection;

    QHash<int, QString> folders;
    {
        store::Statement rows(database, QStringLiteral("SELECT ID, Path FROM Folder WHERE CollectionID = ?"));
        rows.bind(0, collectionId);
        while (rows.step())
            folders.insert(rows.column(0).toInt(), textOf(rows.column(1)));
    }
    const QString pictureColumns
        = QStringLiteral("SELECT ID, FolderID, FileName, Size, Width, Height, Created, Modified FROM Picture ");
    const auto pictureOf = [&](const store::Statement &row) {
        PairSide side;
        side.pictureId = static_cast<int>(row.columnInteger(0));
        side.folderId = static_cast<int>(row.columnInteger(1));
        side.fileName = textOf(row.column(2));
        side.size = row.columnInteger(3);
        side.width = static_cast<int>(row.columnInteger(4));
        side.height = static_cast<int>(row.columnInteger(5));
        side.created = row.columnReal(6);
        side.modified = row.columnReal(7);
        return side;
    };
    // A picture or folder of another collection is not expected, but the pair still shows it.
    store::Statement strayFolder(database, QStringLiteral("SELECT Path FROM Folder WHERE ID = ?"));
    const auto folderPath = [&](int folderId) {
        const auto found = folders.constFind(folderId);
        if (found != folders.constEnd())
            return *found;
        strayFolder.reset();
        strayFolder.bind(0, folderId);
        const QString path = strayFolder.step() ? textOf(strayFolder.column(0)) : QString();
        folders.insert(folderId, path);
        return path;
    };
    // Picture IDs are dense enough to index a table by them, which is much faster than hashing
    // them for every pair; a picture of another collection, or an ID beyond the table, is hashed.
    {
        store::Statement highest(database, QStringLiteral("SELECT MAX(ID) FROM Picture WHERE CollectionID = ?"));
        highest.bind(0, collectionId);
        if (highest.step() && highest.column(0).isNumeric() && highest.column(0).toInt64() < (qint64(1) << 26))
            m_slotByDenseId.assign(static_cast<size_t>(highest.column(0).toInt64()) + 1, 0);
    }
    const auto addPicture = [&](PairSide side) {
        if (side.folderId != 0)
            side.folderPath = folderPath(side.folderId);
        const auto slot = static_cast<uint32_t>(m_pictures.size());
        if (side.pictureId > 0 && static_cast<size_t>(side.pictureId) < m_slotByDenseId.size())
            m_slotByDenseId[static_cast<size_t>(side.pictureId)] = slot;
        else
            m_slotById.insert(side.pictureId, slot);
        m_pictures.push_back(std::move(side));
        return slot;
    };
    m_pictures.emplace_back();
    const qint64 total = countPairs(database, collectionId);
    // A short list names few of the collection's pictures: those are looked up one by one below,
    // which is far quicker than reading a hundred thousand rows for them.
    qint64 pictures = 0;
    {
        store::Statement count(database, QStringLiteral("SELECT COUNT(*) FROM Picture WHERE CollectionID = ?"));
        count.bind(0, collectionId);
        if (count.step())
            pictures = count.columnInteger(0);
    }
    if (2 * total >= pictures) {
        store::Statement rows(database, pictureColumns + QStringLiteral("WHERE CollectionID = ?"));
        rows.bind(0, collectionId);
        while (rows.step())
            addPicture(pictureOf(rows));
    }
    store::Statement strayPicture(database, pictureColumns + QStringLiteral("WHERE ID = ?"));
    const auto slotFor = [&](qint64 id) -> uint32_t {
        // A picture ID that is not a number, or one no int holds, names no picture.
        if (id == 0 || id != static_cast<int>(id))
            return 0;
        const auto pictureId = static_cast<int>(id);
        if (const uint32_t known = slotOf(pictureId); known != 0)
            return known;
        strayPicture.reset();
        strayPicture.bind(0, pictureId);
        if (!strayPicture.step())
            return 0;
        return addPicture(pictureOf(strayPicture));
    };

    m_pairs.reserve(static_cast<size_t>(total));
    {
        // Walking the index over (Collection_ID, Difference) looks every row up in the table
        // again: a long list is read in the table's own order, in a third of the time, and sorted
        // below. A short one still takes the index, so that no other collection's rows are read
        // for it.
        store::Statement rows(database,
            total < kPairsThroughIndex
                ? QStringLiteral("SELECT ID, Left_ID, Right_ID, Difference FROM Duplicate WHERE Collection_ID = ?")
                : QStringLiteral("SELECT ID, Left_ID, Right_ID, Difference FROM Duplicate WHERE +Collection_ID = ?"));
        rows.bind(0, collectionId);
        while (rows.step()) {
            m_pairs.push_back({rows.columnInteger(0), static_cast<int32_t>(rows.columnInteger(3)),
                slotFor(rows.columnInteger(1)), slotFor(rows.columnInteger(2))});
            if (progress && m_pairs.size() % kProgressEvery == 0)
                progress(static_cast<qint64>(m_pairs.size()), total);
        }
    }

    // The order of the review: most alike first, and of equal Difference the pair recorded first.
    std::sort(m_pairs.begin(), m_pairs.end(), [](const Pair &a, const Pair &b) {
        return a.difference != b.difference ? a.difference < b.difference : a.id < b.id;
    });
    const auto pairCount = static_cast<uint32_t>(m_pairs.size());
    m_byId.resize(pairCount);
    for (uint32_t i = 0; i < pairCount; ++i)
        m_byId[i] = i;
    std::sort(m_byId.begin(), m_byId.end(), [&](uint32_t a, uint32_t b) { return m_pairs[a].id < m_pairs[b].id; });

    m_linkStart.assign(m_pictures.size() + 1, 0);
    for (const Pair &pair : m_pairs) {
        ++m_linkStart[pair.left + 1];
        ++m_linkStart[pair.right + 1];
    }
    for (size_t slot = 1; slot < m_linkStart.size(); ++slot)
        m_linkStart[slot] += m_linkStart[slot - 1];
    m_links.resize(2 * static_cast<size_t>(pairCount));
    std::vector<uint32_t> filled(m_linkStart.begin(), m_linkStart.end() - 1);
    for (uint32_t i = 0; i < pairCount; ++i) {
        m_links[filled[m_pairs[i].left]++] = i;
        m_links[filled[m_pairs[i].right]++] = i;
    }

    m_alive.assign(pairCount, 1);
    m_tree.assign(pairCount + 1, 0);
    for (uint32_t i = 1; i <= pairCount; ++i) {
        m_tree[i] += 1;
        const uint32_t parent = i + (i & (~i + 1));
        if (parent <= pairCount)
            m_tree[parent] += m_tree[i];
    }
    m_count = static_cast<int>(pairCount);
    if (progress)
        progress(total, total);
}

int PairList::pairIndexAt(int position) const
{
    // The Fenwick tree's descent: the largest prefix holding fewer than `position` pairs.
    const auto size = static_cast<uint32_t>(m_pairs.size());
    uint32_t index = 0;
    int left = position;
    for (uint32_t step = std::bit_floor(size); step != 0; step >>= 1) {
        if (index + step <= size && m_tree[index + step] < left) {
            index += step;
            left -= m_tree[index];
        }
    }
    return static_cast<int>(index);
}

int PairList::positionOfIndex(int index) const
{
    int position = 0;
    for (auto i = static_cast<uint32_t>(index) + 1; i > 0; i -= i & (~i + 1))
        position += m_tree[i];
    return position;
}

void PairList::kill(int index)
{
    if (!m_alive[static_cast<size_t>(index)])
        return;
    m_alive[static_cast<size_t>(index)] = 0;
    const auto size = static_cast<uint32_t>(m_pairs.size());
    for (auto i = static_cast<uint32_t>(index) + 1; i <= size; i += i & (~i + 1))
        m_tree[i] -= 1;
    --m_count;
}

PairRow PairList::rowAt(int position) const
{
    const Pair &pair = m_pairs[static_cast<size_t>(pairIndexAt(position))];
    return {pair.id, m_collectionId, m_pictures[pair.left], m_pictures[pair.right], pair.difference};
}

void PairList::visit(const Visitor &visitor) const
{
    for (size_t index = 0; index < m_pairs.size(); ++index) {
        if (!m_alive[index])
            continue;
        const Pair &pair = m_pairs[index];
        visitor(pair.id, pair.difference, pair.left, pair.right);
    }
}

qint64 PairList::idAt(int position) const
{
    return m_pairs[static_cast<size_t>(pairIndexAt(position))].id;
}

int PairList::differenceAt(int position) const
{
    return m_pairs[static_cast<size_t>(pairIndexAt(position))].difference;
}

std::optional<int> PairList::positionOf(qint64 pairId) const
{
    const auto found = std::lower_bound(
        m_byId.begin(), m_byId.end(), pairId, [&](uint32_t index, qint64 id) { return m_pairs[index].id < id; });
    if (found == m_byId.end() || m_pairs[*found].id != pairId || !m_alive[*found])
        return std::nullopt;
    return positionOfIndex(static_cast<int>(*found));
}

std::optional<PairRow> PairList::row(qint64 pairId) const
{
    const std::optional<int> position = positionOf(pairId);
    if (!position)
        return std::nullopt;
    return rowAt(*position);
}

uint32_t PairList::slotOf(int pictureId) const
{
    if (pictureId > 0 && static_cast<size_t>(pictureId) < m_slotByDenseId.size())
        return m_slotByDenseId[static_cast<size_t>(pictureId)];
    return m_slotById.value(pictureId, 0);
}

bool PairList::names(int position, int pictureId) const
{
    const Pair &pair = m_pairs[static_cast<size_t>(pairIndexAt(position))];
    return m_pictures[pair.left].pictureId == pictureId || m_pictures[pair.right].pictureId == pictureId;
}

std::optional<qint64> PairList::pairBetween(int firstId, int secondId) const
{
    const uint32_t first = slotOf(firstId);
    const uint32_t second = slotOf(secondId);
    if (first == 0 || second == 0)
        return std::nullopt;
    for (uint32_t link = m_linkStart[first]; link < m_linkStart[first + 1]; ++link) {
        const Pair &pair = m_pairs[m_links[link]];
        if (m_alive[m_links[link]] && (pair.left == second || pair.right == second))
            return pair.id;
    }
    return std::nullopt;
}

const PairSide *PairList::picture(int pictureId) const
{
    const uint32_t slot = slotOf(pictureId);
    return slot != 0 ? &m_pictures[slot] : nullptr;
}

std::optional<qint64> PairList::nearestWithout(int position, int pictureId) const
{
    if (m_count < 2)
        return std::nullopt;
    int at = std::clamp(position, 1, m_count);
    while (at <= m_count && names(at, pictureId))
        ++at;
    if (at > m_count) {
        at = m_count;
        while (at >= 1 && names(at, pictureId))
            --at;
        if (at < 1)
            at = 1;
    }
    return idAt(at);
}

void PairList::removePicture(int pictureId)
{
    const uint32_t slot = slotOf(pictureId);
    if (slot == 0)
        return;
    for (uint32_t link = m_linkStart[slot]; link < m_linkStart[slot + 1]; ++link)
        kill(static_cast<int>(m_links[link]));
}

void PairList::removePairsOf(int leftId, int rightId)
{
    const uint32_t left = slotOf(leftId);
    const uint32_t right = slotOf(rightId);
    if (left == 0 || right == 0)
        return;
    for (uint32_t link = m_linkStart[left]; link < m_linkStart[left + 1]; ++link) {
        const Pair &pair = m_pairs[m_links[link]];
        if (pair.left == left && pair.right == right)
            kill(static_cast<int>(m_links[link]));
    }
}

void PairList::movePicture(int pictureId, int folderId, const QString &folderPath, const QString &fileName)
{
    const uint32_t slot = slotOf(pictureId);
    if (slot == 0)
        return;
    PairSide &side = m_pictures[slot];
    side.folderId = folderId;
    side.folderPath = folderPath;
    side.fileName = fileName;
}

} // namespace vexaris::review
