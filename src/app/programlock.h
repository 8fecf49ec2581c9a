// The lock that tells other processes that the program runs: an advisory lock on "Vexaris.lock"
// in the user's runtime folder, held from start to end. Nothing in the program looks at whether
// another copy holds it, so a second copy starts normally.
#pragma once

#include <QString>

namespace vexaris::ui {

class ProgramLock
{
public:
    // Takes the lock on the file in folder (created when missing); a lock held elsewhere, or a
    // folder that cannot be written, leaves this object without the lock and is not an error.
    explicit ProgramLock(const QString &folder);
    ~ProgramLock();
    ProgramLock(const ProgramLock &) = delete;
    ProgramLock &operator=(const ProgramLock &) = delete;

    bool held() const { return m_held; }
    QString fileName() const { return m_fileName; }

    // The folder of the program's lock file: the user's runtime folder.
    static QString defaultFolder();

private:
    QString m_fileName;
    int m_fd = -1;
    bool m_held = false;
};

} // namespace vexaris::ui
