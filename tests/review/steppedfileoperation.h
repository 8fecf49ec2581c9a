// Test doubles over the real file operations: a moment before and after each operation (and at
// each step of a long copy) at which a test can step in, for instance to kill its own process
// there.
#pragma once

#include <csignal>
#include <string_view>

#include "review/fileoperation.h"

namespace vexaris::test {

// The real operations, with a moment before and after each of them (and at each step of a long
// copy) at which a test can step in.
class SteppedFileOperation : public review::FileOperation
{
public:
    QString trashFolderFor(const QString &path, QString &message) override
    {
        return m_real.trashFolderFor(path, message);
    }
    review::TrashSlotResult trashSlot(const QString &path) override { return m_real.trashSlot(path); }
    review::FileOperationResult recycle(const QString &path, const review::TrashSlot &slot) override
    {
        return around("recycle", [&] { return m_real.recycle(path, slot); });
    }
    review::FileOperationResult restore(const review::TrashSlot &slot, const QString &path) override
    {
        return around("restore", [&] { return m_real.restore(slot, path); });
    }
    bool inTrash(const review::TrashSlot &slot, const QString &path) override { return m_real.inTrash(slot, path); }
    void discardSlot(const review::TrashSlot &slot, const QString &path) override { m_real.discardSlot(slot, path); }
    review::TrashSlot findTrashed(const QString &name, const QString &path) override
    {
        return m_real.findTrashed(name, path);
    }
    review::FileOperationResult move(
        const QString &source, const QString &target, review::FileOperationProgress &progress) override
    {
        Stepped stepped(*this, progress);
        return around("move", [&] { return m_real.move(source, target, stepped); });
    }
    review::FileOperationResult copy(
        const QString &source, const QString &target, review::FileOperationProgress &progress) override
    {
        Stepped stepped(*this, progress);
        return around("copy", [&] { return m_real.copy(source, target, stepped); });
    }
    review::FileOperationResult removeCopy(const QString &path, qint64 size) override
    {
        return around("removeCopy", [&] { return m_real.removeCopy(path, size); });
    }

protected:
    virtual void at(const char *operation, bool after) = 0;

private:
    class Stepped final : public review::FileOperationProgress
    {
    public:
        Stepped(SteppedFileOperation &owner, review::FileOperationProgress &inner)
            : m_owner(owner)
            , m_inner(inner)
        {
        }
        void advanced(qint64 done, qint64 total) override
        {
            m_inner.advanced(done, total);
            m_owner.at("progress", true);
        }

    private:
        SteppedFileOperation &m_owner;
        review::FileOperationProgress &m_inner;
    };

    template <typename Operation> review::FileOperationResult around(const char *name, Operation &&operation)
    {
        at(name, false);
        const review::FileOperationResult result = operation();
        at(name, true);
        return result;
    }

    review::QtFileOperation m_real;
};

// Kills its own process at the n-th moment.
class KillingFileOperation final : public SteppedFileOperation
{
public:
    explicit KillingFileOperation(int moment)
        : m_left(moment)
    {
    }

protected:
    void at(const char *, bool) override
    {
        if (--m_left == 0)
            ::raise(SIGKILL);
    }

private:
    int m_left;
};

} // namespace vexaris::test
