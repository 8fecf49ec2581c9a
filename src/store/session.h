// The program's one connection to its database and the collection it works on. Whoever runs the
// program owns one (the desktop program's main(), each command of the command line, a test) and
// hands it to every operation and engine that needs it, so that a function's signature says what
// it touches.
#pragma once

#include <cstdint>

#include <QString>

#include "store/database.h"

namespace vexaris::store {

struct TCollectionRec
{
    int32_t ID = 0; // 0: no collection loaded
    QString Name;
    int32_t LastLeft_ID = 0;
    bool Scanned = false;
    int32_t ScanProgress = 0;
    int32_t LastMethod = 0;
    int32_t LastTolerance = 0;
};

class Session
{
public:
    Session() = default;
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Opens an existing database file (the program never creates one); raises an error naming
    // the file and the reason when it is missing, unreadable or not ours. No collection is
    // current afterwards. ReadOnly is for the commands that change nothing.
    void ConnectDatabase(const QString &file, OpenMode mode = OpenMode::ReadWrite);
    void DisconnectDatabase();

    // Open between ConnectDatabase and DisconnectDatabase; every statement on it raises an
    // error otherwise.
    Database DatabaseConnection;
    // The collection shown or worked on; ID 0 while none is current. Only LoadCollection (and
    // the front ends, when they forget a deleted collection) write it.
    TCollectionRec CurrentCollection;
};

} // namespace vexaris::store
