// The resolution journal: every settled pair with what is needed to take it back (both files as
// they were, where the given-up file went in the Trash, the rows the resolution removed), and the
// pairs the user asked to be remembered as not a match, known by their pictures' content so that
// a re-read, a rename, a move or a full scan does not bring them back.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "store/session.h"

namespace vexaris::store {

// The seven buttons of the review window, by the side shown in each pane. The file given up:
// DeleteLeft, MoveToLeft and CopyToLeft give up the left file (the right one stays, and a move or
// copy puts it in the left file's folder); DeleteRight, MoveToRight and CopyToRight give up the
// right file; NotAMatch gives up none. The values are stored: never renumber them.
enum class ResolutionAction {
    DeleteLeft = 0,
    DeleteRight = 1,
    MoveToLeft = 2,
    MoveToRight = 3,
    CopyToLeft = 4,
    CopyToRight = 5,
    NotAMatch = 6,
};

struct JournalEntry
{
    qint64 id = 0;
    QDateTime time; // UTC
    ResolutionAction action = ResolutionAction::NotAMatch;
    QString leftPath, rightPath; // full paths as the panes showed them
    qint64 leftSize = 0, rightSize = 0;
    QDateTime leftTime, rightTime; // the files' modification times as their rows had them
    QString trashInfoName; // the given-up file's name in the Trash ("" for not a match)
    int difference = 0;
    bool undone = false;
    QString targetPath; // where a moved or copied file was put ("" otherwise)
};

// The collection's resolutions, newest first.
std::vector<JournalEntry> ListResolutions(Session &session, int collectionId);
std::optional<JournalEntry> FindResolution(Session &session, qint64 entryId);
// The newest entry of the collection that is not undone.
std::optional<qint64> LastResolution(Session &session, int collectionId);

struct RememberedNotAMatch
{
    qint64 id = 0;
    QDateTime time; // UTC, when it was remembered
    QString leftPath, rightPath; // as last seen, for showing only
};

std::vector<RememberedNotAMatch> ListRememberedNotAMatches(Session &session);
// Reported again by the next scan that compares the two pictures.
void ForgetRememberedNotAMatch(Session &session, qint64 id);

// A picture's identity for the memory of not-a-match pairs: a digest of its signature and its
// Size, the same for the file wherever it lies and however often it is read.
QByteArray pictureFingerprint(const QByteArray &thumbnail, const QByteArray &derivative, qint64 size);
// The same from the picture's row; nullopt when the row or its signature is missing.
std::optional<QByteArray> pictureFingerprint(Session &session, int32_t pictureId);

// Remembers the two pictures as not a match, whichever order they come in; once is enough.
void RememberNotAMatch(Session &session, const QByteArray &first, const QByteArray &second, const QString &leftPath,
    const QString &rightPath);
// The pairs of fingerprints the scan passes over, each as (smaller, larger).
std::vector<std::pair<QByteArray, QByteArray>> RememberedFingerprintPairs(Session &session);

} // namespace vexaris::store
