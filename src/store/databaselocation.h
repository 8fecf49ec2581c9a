// Which database file the programs open when none is named. A program folder the user can write
// keeps its database beside the programs (the build folder, an install into the home folder);
// a system-wide install cannot be written, and each user then gets a file of their own in
// $XDG_DATA_HOME/vexaris, copied from the empty database delivered beside the programs.
#pragma once

#include <QString>

namespace vexaris::store {

struct DatabaseLocation
{
    enum class Place {
        ProgramFolder, // the program folder's file, which this user can write
        UserFolder, // the user's own file (it may still have to be made)
    };

    QString file;
    Place place = Place::ProgramFolder;
    // The empty database delivered in the program's folder: the source of a missing user file.
    QString delivered;
};

// Whether SQLite can write the file in WAL mode: the file is a regular file this user may read and
// write and whose mode bits allow writing at all (so that a file delivered read-only stays so
// even for root), and its folder, where the -wal and -shm files come and go, can be written too.
bool canWriteDatabase(const QString &file);

// Chooses without touching anything: programFolder/Vexaris.db when canWriteDatabase says so,
// else userDataFolder/vexaris/Vexaris.db.
DatabaseLocation locateDatabase(const QString &programFolder, const QString &userDataFolder);
// The same for the running program: its own folder, and $XDG_DATA_HOME (~/.local/share).
DatabaseLocation locateDatabase();

// The file to open. A user file that is missing is made first as a copy of the delivered one,
// atomically: the copy is written under a temporary name and linked into place, so that two
// programs starting at once never overwrite each other's file. Raises an error when there is
// neither file or the copy cannot be made.
QString provideDatabase(const DatabaseLocation &location);

} // namespace vexaris::store
