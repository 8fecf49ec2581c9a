// The names of the tables and columns of the delivered database, in one place. Spelling matters:
// the pair table writes Collection_ID, Left_ID and Right_ID with underscores, the others write
// CollectionID and FolderID without.
#pragma once

namespace vexaris::store {

namespace table {
inline constexpr char Collection[] = "Collection";
inline constexpr char Folder[] = "Folder";
inline constexpr char Picture[] = "Picture";
inline constexpr char Duplicate[] = "Duplicate";
} // namespace table

namespace column {
// Every table
inline constexpr char ID[] = "ID";
// Collection
inline constexpr char Name[] = "Name";
inline constexpr char Scanned[] = "Scanned";
inline constexpr char LastLeft_ID[] = "LastLeft_ID";
inline constexpr char ScanProgress[] = "ScanProgress";
inline constexpr char LastMethod[] = "LastMethod";
inline constexpr char LastTolerance[] = "LastTolerance";
// Folder and Picture
inline constexpr char CollectionID[] = "CollectionID";
inline constexpr char Path[] = "Path";
inline constexpr char FolderID[] = "FolderID";
inline constexpr char FileName[] = "FileName";
inline constexpr char Size[] = "Size";
inline constexpr char Created[] = "Created";
inline constexpr char Modified[] = "Modified";
inline constexpr char Width[] = "Width";
inline constexpr char Height[] = "Height";
inline constexpr char Thumbnail[] = "Thumbnail";
inline constexpr char Derivative[] = "Derivative";
inline constexpr char ColorRank[] = "ColorRank";
inline constexpr char DerivativeRank[] = "DerivativeRank";
inline constexpr char Old[] = "Old";
inline constexpr char Noise[] = "Noise";
// Duplicate
inline constexpr char Collection_ID[] = "Collection_ID";
inline constexpr char Left_ID[] = "Left_ID";
inline constexpr char Right_ID[] = "Right_ID";
inline constexpr char Difference[] = "Difference";
} // namespace column

// The program's own collation for collection names. Every connection of the program registers it
// and the statements that compare a name name it; the schema never does, so that other SQLite
// tools can open the file.
inline constexpr char kNoCaseCollation[] = "UNICODE_NOCASE";

// PRAGMA user_version of the format this program reads and writes. Files of an earlier format are
// brought to it when they are opened; files of a later one are refused.
inline constexpr int kSchemaVersion = 3;

} // namespace vexaris::store
