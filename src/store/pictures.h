// The pictures of a collection in memory, for a duplicate scan: one record per Picture row in
// ascending ColorRank order, with the signatures of all pictures in two contiguous buffers
// indexed like the records (a scan walks them pair by pair, and scattered blobs would halve its
// pair rate).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QList>
#include <QString>

#include "imaging/signature.h"
#include "store/session.h"

namespace vexaris::store {

inline constexpr size_t kThumbnailSize = imaging::kThumbnailBytes;
inline constexpr size_t kDerivativeSize = imaging::kDerivativeBytes;
inline constexpr size_t kAverageColorsSize = imaging::kAverageColorsBytes;

struct TPictureRec
{
    int32_t ID = 0;
    int32_t FolderID = 0;
    QString FileName;
    int32_t Size = 0;
    double Created = 0.0; // days since 30 December 1899
    double Modified = 0.0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t ColorRank = 0;
    int32_t DerivativeRank = 0;
    bool Old = false;
    // index = blockRow * 6 + blockColumn * 3 + channel; filled only when asked for
    std::array<uint8_t, kAverageColorsSize> AverageColors {};
};

class TPictureArray
{
public:
    // Makes count elements, every field zero or empty, the signature bytes included.
    void reset(size_t count);
    // Keeps the first count elements.
    void truncate(size_t count);
    void clear();
    size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }

    TPictureRec &operator[](size_t k) { return m_records[k]; }
    const TPictureRec &operator[](size_t k) const { return m_records[k]; }

    // Picture k's Thumbnail (kThumbnailSize bytes) and Derivative (kDerivativeSize bytes).
    const uint8_t *thumbnail(size_t k) const { return m_thumbnails.data() + k * kThumbnailSize; }
    uint8_t *thumbnail(size_t k) { return m_thumbnails.data() + k * kThumbnailSize; }
    const uint8_t *derivative(size_t k) const { return m_derivatives.data() + k * kDerivativeSize; }
    uint8_t *derivative(size_t k) { return m_derivatives.data() + k * kDerivativeSize; }

    std::vector<TPictureRec>::const_iterator begin() const { return m_records.begin(); }
    std::vector<TPictureRec>::const_iterator end() const { return m_records.end(); }

private:
    std::vector<TPictureRec> m_records;
    std::vector<uint8_t> m_thumbnails;
    std::vector<uint8_t> m_derivatives;
};

// A Picture row that LoadPictures left out, and why, in one line.
struct DamagedPicture
{
    int32_t ID = 0;
    int32_t FolderID = 0; // 0 when that too cannot be read
    QString FileName;
    QString reason;
};

// Fills the array with the pictures of the session's CurrentCollection, only those of the given folders unless
// the list is empty, in ascending ColorRank (pictures of equal rank by ID, so that every load of
// the same rows gives the same order). With computeAverages each element's AverageColors are
// filled too. A row whose signature or a needed number is missing or cannot be read, or whose
// signature has the wrong length, is left out and returned instead, so that one damaged row
// never costs the others; no byte beyond a stored value is read.
std::vector<DamagedPicture> LoadPictures(
    Session &session, TPictureArray &pictures, const QList<int32_t> &folderIds, bool computeAverages);

} // namespace vexaris::store
