// A rule for settling many pairs at once: which pairs it looks at (its scope), which of the two
// files it keeps (keep and prune folders, then an ordered list of criteria, each with an optional
// margin, and the guard) and what it does (the other file to the Trash, or not a match). Its text
// form is compact JSON that reads back to the same rule; rules are stored by name in that form.
#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

namespace vexaris::review {

enum class Criterion {
    Pixels, // more pixels
    Bytes, // the larger file
    BytesPerPixel, // more bytes per pixel
    Format, // the better place in the user's ranking of formats
    Older, // the earlier modification date
    Newer, // the later modification date
    PlainName, // a name without a copy marker
};

// How far apart two values must be before a criterion tells the files apart.
struct Margin
{
    enum class Kind { None, Percent, Amount };
    Kind kind = Kind::None;
    // Percent: of the smaller value. Amount: in the criterion's unit (pixels, bytes, bytes per
    // pixel; seconds for the dates).
    double value = 0;

    bool operator==(const Margin &) const = default;
};

struct KeeperCriterion
{
    Criterion criterion = Criterion::Pixels;
    Margin margin; // none for Format and PlainName
    // Format: extensions in lower case without the dot, the preferred first. A format not in the
    // ranking ranks below every one that is.
    QStringList ranking;

    bool operator==(const KeeperCriterion &) const = default;
};

enum class FolderRelation { Any, Same, Different };
enum class RuleAction { Trash, NotAMatch };

// Every condition given must hold; a condition not given holds for every pair.
struct RuleScope
{
    std::optional<int> minDifference;
    std::optional<int> maxDifference;
    // Either side in one of the folders (the folder itself or below it), or its full path
    // matching one of the patterns (* any run of characters, / included; ? one character;
    // [abc] and [!abc] one of or none of the characters).
    QStringList folders;
    QStringList patterns;
    FolderRelation relation = FolderRelation::Any;
    // Both sides among them: extensions in lower case without the dot.
    QStringList formats;
    qint64 minPixels = 0; // both sides at least
    std::vector<qint64> pairIds; // the Duplicate rows' IDs

    bool operator==(const RuleScope &) const = default;
};

struct Rule
{
    RuleScope scope;
    // The first criterion that tells the two files apart picks the keeper.
    std::vector<KeeperCriterion> keeperOrder;
    // A file under a keep folder is never given up, and against a file outside them it is the one
    // kept; a file under a prune folder is given up to one outside them before the keeper order is
    // asked.
    QStringList keepFolders;
    QStringList pruneFolders;
    // A file is given up only for a keeper with at least its pixels and at least its bytes.
    bool guard = true;
    RuleAction action = RuleAction::Trash;

    bool operator==(const Rule &) const = default;
};

// What a rule keeps by when the user names nothing: pixels, bytes, older.
std::vector<KeeperCriterion> defaultKeeperOrder();

// "pixels:5%,bytes,older:1d,format=heic>png>jpg": each criterion's name with an optional margin
// (a percentage, an amount in the criterion's unit, for the dates a duration such as 90s, 10m,
// 2h or 1d). Raises an Error with one line on a bad one.
std::vector<KeeperCriterion> parseKeeperOrder(const QString &text);
// The same form back; parseKeeperOrder reads it to the same list.
QString keeperOrderText(const std::vector<KeeperCriterion> &order);

// Raises an Error with one line when the rule cannot be applied as it stands: a margin its
// criterion cannot take, a negative amount, a minimum Difference above the maximum, a folder that
// is not a full path, a format ranking that is empty.
void checkRule(const Rule &rule);

// The text form: compact JSON with every field, keys in a fixed order.
QString ruleToText(const Rule &rule);
// Reads the text form back; raises an Error with one line when it is not one (unknown fields
// included, so that a condition this program does not know is never silently left out), or when
// checkRule refuses the rule.
Rule ruleFromText(const QString &text);

// One line for the user: the action, the keeper order, the folders, the scope, the guard.
QString describeRule(const Rule &rule);

// The file name's extension in lower case, without the dot; "" when it has none.
QString formatOf(const QString &fileName);
// Whether the name carries a copy marker: " (1)", " copy", " copy 2", " - Copy", "Copy of "...,
// letter case ignored.
bool hasCopyMarker(const QString &fileName);
// Whether the folder is a Trash folder or inside one: a component starting with ".Trash", or
// ".local/share/Trash".
bool isTrashFolder(const QString &folderPath);

} // namespace vexaris::review
