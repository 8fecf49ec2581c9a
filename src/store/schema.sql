-- The empty database that Vexaris is delivered with. The program never creates a table or a
-- column; it only reads and changes rows of these four tables.
--
-- Nothing here names a collation or function of the program's own, so that the standard sqlite3
-- client can query, dump, restore and vacuum the file. Collection names still compare without
-- regard to letter case inside the program: its statements say so where they compare a name.
-- Folder paths and file names compare exactly, as the file system does.
--
-- Keys are never reused (AUTOINCREMENT) and start at 1, so 0 can stand for no row at all.
-- Booleans are 0 and 1; date-times are REAL days since 30 December 1899.

PRAGMA foreign_keys = ON;
PRAGMA user_version = 2;

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

CREATE INDEX FolderByCollection ON Folder (CollectionID);
CREATE INDEX PictureByRank ON Picture (CollectionID, ColorRank);
-- One row per file: a second row would come back from every scan as the file paired with itself.
CREATE UNIQUE INDEX PictureByFile ON Picture (FolderID, FileName);
CREATE INDEX DuplicateByCollection ON Duplicate (Collection_ID, Difference);
CREATE INDEX DuplicateByLeft ON Duplicate (Left_ID);
CREATE INDEX DuplicateByRight ON Duplicate (Right_ID);
