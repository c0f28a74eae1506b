#include "WriterLock.h"

#include "../Conversions.h"
#include "SiteFile.h"
#include "zel/data/DataErrors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace zel::data::detail {

namespace {

using Key = std::pair<dev_t, ino_t>;

// The locks this process holds, by the database file's device and inode, so that every
// connection of the process to one file (under any of its names) shares one lock. The mutex also
// keeps every flock call on a file's shared descriptor apart: on one open file description a
// second flock converts the first instead of meeting it.
struct Registry {
    std::mutex Mutex;
    std::map<Key, std::weak_ptr<WriterLock>> Locks;
};

Registry& Locks()
{
    static Registry registry;
    return registry;
}

std::string LocalTimeNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S %z", &local);
    return buffer;
}

std::string HostName()
{
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0)
        return {};
    return buffer;
}

std::string ThisProgram()
{
    return program_invocation_short_name != nullptr ? program_invocation_short_name : "";
}

std::string Describe(const SiteWriter& writer)
{
    return "pid " + std::to_string(writer.Pid) + "\nhost " + writer.Host + "\nprogram " + writer.Program + "\nsince " +
           writer.Since + "\n";
}

SiteWriter Parse(const std::string& text)
{
    SiteWriter writer;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        auto space = line.find(' ');
        if (space == std::string::npos)
            continue;
        std::string key = line.substr(0, space);
        std::string value = line.substr(space + 1);
        if (key == "pid") {
            try {
                writer.Pid = std::stol(value);
            } catch (const std::exception&) {
                writer.Pid = 0;
            }
        } else if (key == "host") {
            writer.Host = value;
        } else if (key == "program") {
            writer.Program = value;
        } else if (key == "since") {
            writer.Since = value;
        }
    }
    return writer;
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[512];
    off_t offset = 0;
    for (;;) {
        ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
        if (text.size() > 4096)
            break;
    }
    return text;
}

// What the holder of the lock wrote, read through `fd`; the holder writes it right after taking
// the lock, so an empty file is read again for a little while.
SiteWriter ReadHolder(int fd)
{
    SiteWriter writer;
    for (int attempt = 0; attempt < 10; ++attempt) {
        writer = Parse(ReadAll(fd));
        if (writer.Pid != 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return writer;
}

// Opens the lock file for locking: read-write (made with the database file's permissions when it
// is missing), else read-only where this user may not write an existing one. -1 with errno set.
int OpenLockFile(const std::string& lockFile, mode_t mode, bool& writable)
{
    writable = true;
    int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0) {
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_size == 0)
            ::fchmod(fd, mode); // a new file: not widened or narrowed by the umask
        return fd;
    }
    if (errno != EACCES && errno != EROFS && errno != EPERM)
        return -1;
    writable = false;
    return ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

[[noreturn]] void RaiseLockFailure(const std::string& databaseFile, const std::string& lockFile, int error)
{
    Raise(errc::PathFileAccessError, "Path/File access error: the lock file '" + lockFile + "' of the site database '" +
                                         databaseFile + "' cannot be used: " + std::strerror(error));
}

// What the lock file `lockFile` says of its holder; nullopt when there is no such file.
std::optional<SiteWriter> DetailsIn(const std::string& lockFile)
{
    int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    SiteWriter writer = ReadHolder(fd);
    ::close(fd);
    return writer;
}

// The processes that hold an exclusive flock on the file `key`, from the kernel's list of locks
// ("3: FLOCK  ADVISORY  WRITE 1234 fe:00:10952883 0 EOF"); empty when the list cannot be read.
std::vector<long> FlockHolders(const Key& key)
{
    std::vector<long> pids;
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, device;
        long pid = 0;
        if (!(fields >> number >> kind >> mode >> access >> pid >> device) || kind != "FLOCK" || access != "WRITE")
            continue; // also the "->" lines of waiting locks, whose fields are shifted
        unsigned int major = 0;
        unsigned int minor = 0;
        unsigned long inode = 0;
        if (std::sscanf(device.c_str(), "%x:%x:%lu", &major, &minor, &inode) == 3 && major == ::major(key.first) &&
            minor == ::minor(key.first) && inode == key.second && pid > 0)
            pids.push_back(pid);
    }
    return pids;
}

// The name of the program that process `pid` runs (its first argument without the folder).
std::string ProgramOf(long pid)
{
    std::ifstream command("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::string first;
    std::getline(command, first, '\0');
    auto slash = first.rfind('/');
    return slash == std::string::npos ? first : first.substr(slash + 1);
}

// Who holds the writer lock of the file `key`: what its lock file says, when the kernel agrees
// that the process named there holds the lock; else (a writer that came through another hard
// link, whose lock file lies beside that name) the process the kernel names.
SiteWriter WriterOf(const std::string& databaseFile, const Key& key)
{
    const auto pids = FlockHolders(key);
    auto details = DetailsIn(WriterLock::LockFileName(databaseFile));
    if (details && details->Pid != 0 &&
        (pids.empty() || std::find(pids.begin(), pids.end(), details->Pid) != pids.end()))
        return *details;
    if (!pids.empty())
        return SiteWriter{pids.front(), HostName(), ProgramOf(pids.front()), {}};
    return details ? *details : SiteWriter{};
}

[[noreturn]] void RaiseInUse(const std::string& databaseFile, const SiteWriter& holder)
{
    throw SiteWriteAccessError(SiteWriteAccessError::Reason::InUse, databaseFile, holder,
                               "it is open for writing in another program: " + holder.ToString());
}

// Takes the lock of the lock file `lockFile` (made with `mode` when missing); returns its
// descriptor. `writable` tells whether the details can be written into it.
int TakeLockFile(const std::string& databaseFile, const std::string& lockFile, mode_t mode, bool& writable)
{
    // A lock that is busy is tried again for a moment: a process may be just releasing it, or
    // probing who holds it (Holder).
    for (int attempt = 0; attempt < 50; ++attempt) {
        int fd = OpenLockFile(lockFile, mode, writable);
        if (fd < 0)
            RaiseLockFailure(databaseFile, lockFile, errno);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            int error = errno;
            if (error != EWOULDBLOCK && error != EINTR) {
                ::close(fd);
                RaiseLockFailure(databaseFile, lockFile, error);
            }
            if (attempt < 5) {
                ::close(fd);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            // A program of an earlier version, which locks only this file.
            SiteWriter holder = ReadHolder(fd);
            ::close(fd);
            RaiseInUse(databaseFile, holder);
        }
        // The file locked must still be the one under the name: a writer that was closing may
        // have removed it between our open and our lock.
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) != 0 || ::stat(lockFile.c_str(), &named) != 0 || opened.st_ino != named.st_ino ||
            opened.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        return fd;
    }
    Raise(errc::PathFileAccessError,
          "Path/File access error: the lock file '" + lockFile + "' keeps changing; try again.");
}

} // namespace

std::string WriterLock::LockFileName(const std::string& databaseFile)
{
    char resolved[PATH_MAX];
    if (::realpath(databaseFile.c_str(), resolved) != nullptr)
        return std::string(resolved) + ".lock";
    return databaseFile + ".lock";
}

WriterLock::WriterLock(std::shared_ptr<SiteFile> file, int lockFd, std::string lockFile, SiteWriter self)
    : mFile(std::move(file)), mLockFd(lockFd), mLockFile(std::move(lockFile)), mSelf(std::move(self))
{
}

std::shared_ptr<WriterLock> WriterLock::Acquire(const std::string& databaseFile, std::shared_ptr<SiteFile> file)
{
    const Key key{file->Device(), file->Inode()};
    auto& registry = Locks();
    std::lock_guard<std::mutex> guard(registry.Mutex);
    if (auto it = registry.Locks.find(key); it != registry.Locks.end())
        if (auto held = it->second.lock())
            return held;

    // The lock of the file itself. A busy one is tried again for a moment: a process may be just
    // releasing it, or probing who holds it (Holder).
    const int fd = file->Descriptor();
    for (int attempt = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++attempt) {
        int error = errno;
        if (error != EWOULDBLOCK && error != EINTR)
            Raise(errc::PathFileAccessError, "Path/File access error: the site database '" + databaseFile +
                                                 "' cannot be locked: " + std::strerror(error));
        if (attempt >= 5)
            RaiseInUse(databaseFile, WriterOf(databaseFile, key));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    try {
        struct stat database {};
        ::fstat(fd, &database);
        const std::string lockFile = LockFileName(databaseFile);
        bool writable = true;
        int lockFd = TakeLockFile(databaseFile, lockFile, database.st_mode & 0666, writable);
        SiteWriter self{static_cast<long>(::getpid()), HostName(), ThisProgram(), LocalTimeNow()};
        if (writable) {
            std::string text = Describe(self);
            if (::ftruncate(lockFd, 0) == 0) {
                ssize_t written = ::pwrite(lockFd, text.data(), text.size(), 0);
                (void)written; // the details are a courtesy; the lock is what counts
            }
        }
        std::shared_ptr<WriterLock> lock(new WriterLock(std::move(file), lockFd, lockFile, std::move(self)));
        registry.Locks[key] = lock;
        return lock;
    } catch (...) {
        ::flock(fd, LOCK_UN);
        throw;
    }
}

std::optional<SiteWriter> WriterLock::Holder(const std::string& databaseFile)
{
    auto& registry = Locks();
    std::lock_guard<std::mutex> guard(registry.Mutex);
    std::shared_ptr<SiteFile> file;
    try {
        file = SiteFile::Open(databaseFile);
    } catch (const zel::Error&) { // NOLINT(bugprone-empty-catch): a file this user cannot read has only its lock file
    }
    if (file) {
        const Key key{file->Device(), file->Inode()};
        if (auto it = registry.Locks.find(key); it != registry.Locks.end())
            if (auto held = it->second.lock())
                return held->mSelf;
        if (::flock(file->Descriptor(), LOCK_SH | LOCK_NB) == 0)
            ::flock(file->Descriptor(), LOCK_UN);
        else if (errno == EWOULDBLOCK)
            return WriterOf(databaseFile, key);
    }

    // A program of an earlier version locks only the lock file.
    const std::string lockFile = LockFileName(databaseFile);
    int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    std::optional<SiteWriter> holder;
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0)
        ::flock(fd, LOCK_UN);
    else if (errno == EWOULDBLOCK)
        holder = ReadHolder(fd);
    ::close(fd);
    return holder;
}

WriterLock::~WriterLock()
{
    // Removed while still locked, so that nobody takes a lock on a file that is on its way out
    // (TakeLockFile checks that the file it locked still carries the name).
    ::unlink(mLockFile.c_str());
    ::close(mLockFd);
    auto& registry = Locks();
    std::lock_guard<std::mutex> guard(registry.Mutex);
    const Key key{mFile->Device(), mFile->Inode()};
    auto it = registry.Locks.find(key);
    // A connection that opened meanwhile may have taken the lock anew on the same descriptor.
    if (it == registry.Locks.end() || it->second.expired()) {
        ::flock(mFile->Descriptor(), LOCK_UN);
        if (it != registry.Locks.end())
            registry.Locks.erase(it);
    }
}

} // namespace zel::data::detail
