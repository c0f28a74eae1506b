#pragma once

#include "zel/data/SiteErrors.h"

#include <memory>
#include <optional>
#include <string>

namespace zel::data::detail {

class SiteFile;

// The one-writer rule of a site database: a kernel lock (flock) on the database file itself,
// taken through the process's descriptor of it (SiteFile), so it is the file's whatever name leads
// to it: another hard link, a symbolic link or a path written otherwise meets the same lock.
// Beside it the lock file "<file>.lock" (named after the path the name resolves to) holds the
// holder's process ID, host, program and the time it took the lock, and is locked too, as the
// earlier versions of this library locked only it. The kernel drops both locks when the holder
// ends, however it ends (also on SIGKILL); a lock file left behind by a crash is only text, taken
// over by the next writer.
//
// flock locks belong to an open file description, not to the process (as fcntl locks do): every
// connection of this process to one file shares one lock, held until the last of them closes: the
// rule is about processes. Who holds a lock comes from the lock file, else (a writer that came
// through another hard link, whose lock file lies elsewhere) from the kernel's list of locks.
//
// How it fails: Acquire raises SiteWriteAccessError (3045, InUse) while another process holds the
// lock, and 75 when the lock file cannot be made or used.
class WriterLock {
public:
    // Takes the writer lock of the file `file` (opened under the name `databaseFile`) for this
    // process, or joins the one this process holds.
    static std::shared_ptr<WriterLock> Acquire(const std::string& databaseFile, std::shared_ptr<SiteFile> file);

    // Who holds the writer lock of `databaseFile`, when a process (this one too) holds it; nullopt
    // when nobody does. Takes no lock that another process could meet for longer than a moment.
    static std::optional<SiteWriter> Holder(const std::string& databaseFile);

    // The lock file's name: the path `databaseFile` resolves to, followed by ".lock".
    static std::string LockFileName(const std::string& databaseFile);

    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

private:
    WriterLock(std::shared_ptr<SiteFile> file, int lockFd, std::string lockFile, SiteWriter self);

    std::shared_ptr<SiteFile> mFile;
    int mLockFd;
    std::string mLockFile;
    SiteWriter mSelf;
};

} // namespace zel::data::detail
