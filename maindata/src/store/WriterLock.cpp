#include "WriterLock.h"

#include "../Conversions.h"
#include "zel/data/DataErrors.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace zel::data::detail {

namespace {

// The locks this process holds, by the database file's device and inode, so that every
// connection of the process to one file (under any of its names) shares one lock.
struct Registry {
    std::mutex Mutex;
    std::map<std::pair<dev_t, ino_t>, std::weak_ptr<WriterLock>> Locks;
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

} // namespace

std::string WriterLock::LockFileName(const std::string& databaseFile)
{
    return databaseFile + ".lock";
}

std::shared_ptr<WriterLock> WriterLock::Acquire(const std::string& databaseFile)
{
    struct stat database {};
    if (::stat(databaseFile.c_str(), &database) != 0)
        Raise(errc::FileNotFound, "File not found: " + databaseFile);
    const auto key = std::make_pair(database.st_dev, database.st_ino);
    const std::string lockFile = LockFileName(databaseFile);

    auto& registry = Locks();
    std::lock_guard<std::mutex> guard(registry.Mutex);
    if (auto it = registry.Locks.find(key); it != registry.Locks.end())
        if (auto held = it->second.lock())
            return held;

    const mode_t mode = database.st_mode & 0666;
    // A lock that is busy is tried again for a moment: a process may be just releasing it, or
    // probing who holds it (Holder).
    for (int attempt = 0; attempt < 50; ++attempt) {
        bool writable = true;
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
            SiteWriter holder = ReadHolder(fd);
            ::close(fd);
            throw SiteWriteAccessError(SiteWriteAccessError::Reason::InUse, databaseFile, holder,
                                       "it is open for writing in another program: " + holder.ToString());
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
        if (writable) {
            SiteWriter self{static_cast<long>(::getpid()), HostName(), ThisProgram(), LocalTimeNow()};
            std::string text = Describe(self);
            if (::ftruncate(fd, 0) == 0) {
                ssize_t written = ::pwrite(fd, text.data(), text.size(), 0);
                (void)written; // the details are a courtesy; the lock is what counts
            }
        }
        std::shared_ptr<WriterLock> lock(new WriterLock(fd, lockFile));
        registry.Locks[key] = lock;
        return lock;
    }
    Raise(errc::PathFileAccessError,
          "Path/File access error: the lock file '" + lockFile + "' keeps changing; try again.");
}

std::optional<SiteWriter> WriterLock::Holder(const std::string& databaseFile)
{
    const std::string lockFile = LockFileName(databaseFile);
    int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    std::optional<SiteWriter> holder;
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        ::flock(fd, LOCK_UN);
        // Free, unless this very process holds it through another descriptor (flock would have
        // refused then): nobody writes.
    } else if (errno == EWOULDBLOCK) {
        holder = ReadHolder(fd);
    }
    ::close(fd);
    return holder;
}

WriterLock::~WriterLock()
{
    // Removed while still locked, so that nobody takes a lock on a file that is on its way out
    // (Acquire checks that the file it locked still carries the name).
    ::unlink(mLockFile.c_str());
    ::close(mFd);
    auto& registry = Locks();
    std::lock_guard<std::mutex> guard(registry.Mutex);
    for (auto it = registry.Locks.begin(); it != registry.Locks.end();) {
        if (it->second.expired())
            it = registry.Locks.erase(it);
        else
            ++it;
    }
}

} // namespace zel::data::detail
