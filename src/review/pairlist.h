// The pairs of a collection as compact typed rows, most alike first: what the review window steps
// through, what `vexaris-cli pairs` prints and what a rule settles. Each picture is held once,
// however many pairs name it, and each folder path once; a pair is its Duplicate row's ID and
// Difference and its two pictures. The list follows a resolution in place (a picture that is gone
// takes its pairs with it, a moved picture shows its new place, a forgotten pair leaves), so it is
// read from the database only when it is opened.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QHash>
#include <QString>

#include "store/session.h"

namespace vexaris::review {

// One side of a stored pair; a missing picture or folder row reads 0 and "".
struct PairSide
{
    int pictureId = 0;
    int folderId = 0;
    QString fileName;
    QString folderPath;
    qint64 size = 0;
    int width = 0;
    int height = 0;
    double created = 0; // days since 30 December 1899, UTC
    double modified = 0;

    QString fullPath() const;
};

struct PairRow
{
    qint64 id = 0; // the Duplicate row's
    int collectionId = 0;
    PairSide left; // the stored pair's Left_ID
    PairSide right;
    int difference = 0;
};

// The panes: the larger file is shown left; of equal sizes the stored left one.
inline bool isSwapped(const PairRow &row)
{
    return row.left.size < row.right.size;
}
inline const PairSide &leftShown(const PairRow &row)
{
    return isSwapped(row) ? row.right : row.left;
}
inline const PairSide &rightShown(const PairRow &row)
{
    return isSwapped(row) ? row.left : row.right;
}

// The full path of a picture: its folder path, a delimiter unless it ends with one, its name.
QString joinPath(const QString &folderPath, const QString &fileName);

// The number of the collection's pairs.
int countPairs(store::Database &database, int collectionId);

class PairList
{
public:
    // Told now and then while the list is read, so that a window can show it and stay painted.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // Reads every pair of the collection in ascending Difference, pairs of equal Difference in
    // the order they were recorded. A pair whose picture or folder row is missing is listed, with
    // that side empty.
    void read(store::Session &session, int collectionId, const Progress &progress = {});
    void clear();

    int collectionId() const { return m_collectionId; }
    // The pairs in the list.
    int count() const { return m_count; }
    // Positions count from 1.
    PairRow rowAt(int position) const;
    qint64 idAt(int position) const;
    // Every pair of the list in its order, without copying a row: the pair's ID, its Difference and
    // the slots of its stored left and right picture (see pictureAt). A slot numbers a picture
    // from 0 to pictureSlots(), so that a caller can keep what it derives from a picture in a table.
    using Visitor = std::function<void(qint64 id, int difference, uint32_t leftSlot, uint32_t rightSlot)>;
    void visit(const Visitor &visitor) const;
    size_t pictureSlots() const { return m_pictures.size(); }
    const PairSide &pictureAt(uint32_t slot) const { return m_pictures[slot]; }
    int differenceAt(int position) const;
    // The position of the pair with that ID; nullopt when it is not (or no longer) in the list.
    std::optional<int> positionOf(qint64 pairId) const;
    std::optional<PairRow> row(qint64 pairId) const;
    // Whether the pair at the position names the picture on either side.
    bool names(int position, int pictureId) const;
    // The pair of these two pictures, whichever side each is on.
    std::optional<qint64> pairBetween(int firstId, int secondId) const;
    // The picture of that ID as the list holds it; nullptr when no pair names it.
    const PairSide *picture(int pictureId) const;

    // The nearest pair to the position that does not name the picture: the first at or after it,
    // else the last before it, else the first of the list; nullopt when the list holds fewer than
    // two pairs. Returns its ID.
    std::optional<qint64> nearestWithout(int position, int pictureId) const;

    // In place, as the store changed its rows: a picture gone with its pairs; the pairs stored as
    // exactly these two pictures, left and right, gone; a picture now in another folder or under
    // another name.
    void removePicture(int pictureId);
    void removePairsOf(int leftId, int rightId);
    void movePicture(int pictureId, int folderId, const QString &folderPath, const QString &fileName);

private:
    struct Pair
    {
        qint64 id;
        int32_t difference;
        uint32_t left; // into m_pictures
        uint32_t right;
    };

    uint32_t slotOf(int pictureId) const;
    int pairIndexAt(int position) const; // 0-based index of the alive pair at the position
    int positionOfIndex(int index) const;
    void kill(int index);

    int m_collectionId = 0;
    std::vector<Pair> m_pairs;
    // Slot 0 is the empty side of a pair whose picture row is missing.
    std::vector<PairSide> m_pictures;
    // By picture ID: a table while the IDs are dense, a hash for the others.
    std::vector<uint32_t> m_slotByDenseId;
    QHash<int, uint32_t> m_slotById;
    // The pairs of each picture: m_links[m_linkStart[slot] .. m_linkStart[slot + 1]).
    std::vector<uint32_t> m_linkStart;
    std::vector<uint32_t> m_links;
    // Pair indexes ordered by pair ID.
    std::vector<uint32_t> m_byId;
    // Which pairs are still in the list, and a Fenwick tree over them, so that a position and a
    // pair find each other in logarithmic time however many pairs have left.
    std::vector<uint8_t> m_alive;
    std::vector<int32_t> m_tree;
    int m_count = 0;
};

} // namespace vexaris::review
