#pragma once

#include "zel/data/SiteErrors.h"

#include <memory>
#include <optional>
#include <string>

namespace zel::data::detail {

// The one-writer rule of a site database: a kernel lock (flock) on the lock file beside the
// database ("zel.mdb.lock"), which also holds the holder's process ID, host, program and the time
// it took the lock. The kernel drops the lock when the holder ends, however it ends (also on
// SIGKILL); a lock file left behind by a crash is only text, taken over by the next writer.
//
// flock locks belong to an open file description, not to the process (as fcntl locks do): a
// second descriptor of the same process conflicts, and closing another descriptor of the file
// does not drop the lock. Every connection of this process to one database shares one lock,
// held until the last of them closes: the rule is about processes.
class WriterLock {
public:
    // Takes the writer lock of `databaseFile` for this process, or joins the one this process
    // holds. Refused with SiteWriteAccessError (3045, InUse) while another process holds it.
    static std::shared_ptr<WriterLock> Acquire(const std::string& databaseFile);

    // Who holds the writer lock of `databaseFile`, when a process holds it; nullopt when nobody
    // does. Takes no lock.
    static std::optional<SiteWriter> Holder(const std::string& databaseFile);

    // The lock file's name: the database file's name followed by ".lock".
    static std::string LockFileName(const std::string& databaseFile);

    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

private:
    WriterLock(int fd, std::string lockFile) : mFd(fd), mLockFile(std::move(lockFile)) {}

    int mFd;
    std::string mLockFile;
};

} // namespace zel::data::detail
