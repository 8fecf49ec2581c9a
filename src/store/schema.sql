-- The empty database that Vexaris is delivered with. This text is also built into the program: a
-- file of an earlier format gets the tables, columns and indexes it lacks from it when it is
-- opened, so every table is written out here and nowhere else.
--
-- Nothing here names a collation or function of the program's own, so that the standard sqlite3
-- client can query, dump, restore and vacuum the file. Collection names still compare without
-- regard to letter case inside the program: its statements say so where they compare a name.
-- Folder paths and file names compare exactly, as the file system does.
--
-- Keys are never reused (AUTOINCREMENT) and start at 1, so 0 can stand for no row at all.
-- Booleans are 0 and 1; date-times are REAL days since 30 December 1899.

PRAGMA foreign_keys = ON;
PRAGMA user_version = 3;

CREATE TABLE Collection (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name TEXT,
    Scanned INTEGER NOT NULL DEFAULT 0,
    LastLeft_ID INTEGER,
    ScanProgress INTEGER DEFAULT 0,
    LastMethod INTEGER DEFAULT 0,
    LastTolerance INTEGER DEFAULT 0
);

CREATE TABLE Folder (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    CollectionID INTEGER NOT NULL REFERENCES Collection (ID) ON DELETE CASCADE,
    Path TEXT COLLATE BINARY
);

CREATE TABLE Picture (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    CollectionID INTEGER NOT NULL REFERENCES Collection (ID) ON DELETE CASCADE,
    FolderID INTEGER NOT NULL REFERENCES Folder (ID) ON DELETE CASCADE,
    FileName TEXT COLLATE BINARY,
    Size INTEGER,
    Created REAL,
    Modified REAL,
    Width INTEGER,
    Height INTEGER,
    Thumbnail BLOB,
    Derivative BLOB,
    ColorRank INTEGER,
    DerivativeRank INTEGER,
    Old INTEGER DEFAULT 0,
    Noise INTEGER
);

-- A pair is named by its two pictures; the ID only lets a recordset change or delete one row.
CREATE TABLE Duplicate (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Collection_ID INTEGER NOT NULL REFERENCES Collection (ID) ON DELETE CASCADE,
    Left_ID INTEGER NOT NULL REFERENCES Picture (ID) ON DELETE CASCADE,
    Right_ID INTEGER NOT NULL REFERENCES Picture (ID) ON DELETE CASCADE,
    Difference INTEGER
);

-- The journal of resolutions. Paths, sizes and times are those the review showed; a resolution's
-- Left and Right are the panes, not the stored pair. The picture and pair rows a resolution
-- removed are kept whole, signature included, so that undoing it puts them back as they were;
-- for a move, the moved file's row as it was before (MovedPicture_ID, MovedFrom...).
-- An entry is written before any file is touched, as pending (State 1) with everything needed to
-- finish or reverse it: where the given-up file goes in the Trash (TrashInfoPath, the full path of
-- its information file) and where a moved or copied file goes (TargetPath). It becomes done
-- (State 0) with the rows it changes, or failed (State 2) when its files were put back; State 3 is
-- an undo under way. An entry left pending or under way by a crash is settled from what the disk
-- shows when the file is next opened. TrashInfoName is the name alone, as entries made before
-- the full path was kept have it. A resolution made by a rule for many pairs at once names its
-- Batch.
CREATE TABLE Resolution (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Collection_ID INTEGER NOT NULL REFERENCES Collection (ID) ON DELETE CASCADE,
    Time REAL NOT NULL,
    Action INTEGER NOT NULL,
    LeftPath TEXT,
    RightPath TEXT,
    LeftSize INTEGER,
    RightSize INTEGER,
    LeftModified REAL,
    RightModified REAL,
    Difference INTEGER,
    TrashInfoName TEXT,
    TargetPath TEXT,
    MovedPicture_ID INTEGER,
    MovedFromFolder_ID INTEGER,
    MovedFromName TEXT,
    Undone INTEGER NOT NULL DEFAULT 0,
    State INTEGER NOT NULL DEFAULT 0,
    TrashInfoPath TEXT,
    CopyTrashInfoPath TEXT,
    Batch_ID INTEGER REFERENCES Batch (ID) ON DELETE SET NULL
);

-- A picture row a resolution removed. The program gives this table every column of Picture
-- besides ID (Picture_ID keeps that), with Picture's types, whenever it opens a file, so that a
-- row comes back whole however Picture grows.
CREATE TABLE ResolvedPicture (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Resolution_ID INTEGER NOT NULL REFERENCES Resolution (ID) ON DELETE CASCADE,
    Picture_ID INTEGER NOT NULL
);

-- Waiting: the pair could not come back when its entry was undone, because one of its pictures
-- was given up by another resolution; it comes back when that one is undone too.
CREATE TABLE ResolvedPair (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Resolution_ID INTEGER NOT NULL REFERENCES Resolution (ID) ON DELETE CASCADE,
    Collection_ID INTEGER,
    Left_ID INTEGER,
    Right_ID INTEGER,
    Difference INTEGER,
    Waiting INTEGER NOT NULL DEFAULT 0
);

-- Many pairs settled at once by a rule: the rule's name and its definition as it was applied.
CREATE TABLE Batch (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Collection_ID INTEGER NOT NULL REFERENCES Collection (ID) ON DELETE CASCADE,
    Time REAL NOT NULL,
    RuleName TEXT,
    Rule TEXT
);

-- Rules for settling pairs, saved by name for the desktop program and the command line alike.
CREATE TABLE Rule (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name TEXT NOT NULL,
    Definition TEXT NOT NULL
);

-- Pairs declared not a match, kept when the preference asks for it. A picture is known by a
-- digest of its signature and size, so that the pair stays known after its files are re-read,
-- moved or renamed; FirstPrint is the smaller of the two. The paths are for showing only.
CREATE TABLE RememberedNotAMatch (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Time REAL NOT NULL,
    FirstPrint BLOB NOT NULL,
    SecondPrint BLOB NOT NULL,
    LeftPath TEXT,
    RightPath TEXT
);

CREATE INDEX FolderByCollection ON Folder (CollectionID);
CREATE INDEX PictureByRank ON Picture (CollectionID, ColorRank);
-- One row per file: a second row would come back from every scan as the file paired with itself.
CREATE UNIQUE INDEX PictureByFile ON Picture (FolderID, FileName);
CREATE INDEX DuplicateByCollection ON Duplicate (Collection_ID, Difference);
CREATE INDEX DuplicateByLeft ON Duplicate (Left_ID);
CREATE INDEX DuplicateByRight ON Duplicate (Right_ID);
CREATE INDEX ResolutionByCollection ON Resolution (Collection_ID, ID);
CREATE INDEX ResolvedPictureByResolution ON ResolvedPicture (Resolution_ID);
CREATE INDEX ResolvedPairByResolution ON ResolvedPair (Resolution_ID);
-- The pairs waiting for a picture to come back are few; every undo looks for them.
CREATE INDEX ResolvedPairWaiting ON ResolvedPair (Collection_ID) WHERE Waiting = 1;
CREATE INDEX ResolutionByBatch ON Resolution (Batch_ID);
CREATE INDEX ResolutionByState ON Resolution (State);
CREATE INDEX BatchByCollection ON Batch (Collection_ID, ID);
CREATE UNIQUE INDEX RuleByName ON Rule (Name);
CREATE UNIQUE INDEX RememberedByPrints ON RememberedNotAMatch (FirstPrint, SecondPrint);
