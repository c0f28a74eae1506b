#include "SiteFile.h"

#include "../Conversions.h"
#include "zel/data/DataErrors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zel::data::detail {

namespace {

using Key = std::pair<dev_t, ino_t>;

// The descriptor of each file this process holds open, and how many SiteFile objects hold it.
struct Held {
    int Fd = -1;
    int Holders = 0;
};

struct Registry {
    std::mutex Mutex;
    std::map<Key, Held> Files;
};

Registry& Files()
{
    static Registry registry;
    return registry;
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

// The file's identity, refusing what cannot be a site database file.
Key Identify(const std::string& filename)
{
    struct stat info {};
    if (::stat(filename.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            Raise(errc::FileNotFound, "File not found: " + filename);
        Raise(errc::PathFileAccessError, "Path/File access error: " + filename + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode))
        Raise(errc::PathFileAccessError, "Path/File access error: " + Quoted(filename) + " is not a file.");
    return {info.st_dev, info.st_ino};
}

} // namespace

std::shared_ptr<SiteFile> SiteFile::Open(const std::string& filename)
{
    auto& registry = Files();
    std::lock_guard<std::mutex> guard(registry.Mutex);
    Key key = Identify(filename);
    auto it = registry.Files.find(key);
    if (it == registry.Files.end()) {
        // Never blocks: the name was a regular file a moment ago, but might not be now.
        int fd = ::open(filename.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            long number = errno == EACCES ? errc::PermissionDenied : errc::PathFileAccessError;
            Raise(number, "Cannot read the database file " + Quoted(filename) + ": " + std::strerror(errno));
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd); // no regular file: no connection of this process can have it open
            Raise(errc::PathFileAccessError, "Path/File access error: " + Quoted(filename) + " is not a file.");
        }
        key = {opened.st_dev, opened.st_ino};
        it = registry.Files.find(key);
        if (it == registry.Files.end())
            it = registry.Files.emplace(key, Held{fd, 0}).first;
        // else the name was given a file held open here already, between the look and the open;
        // closing this descriptor would drop the locks of that file's connections: it is left open.
    }
    ++it->second.Holders;
    return std::shared_ptr<SiteFile>(new SiteFile(it->second.Fd, key.first, key.second));
}

SiteFile::~SiteFile()
{
    auto& registry = Files();
    std::lock_guard<std::mutex> guard(registry.Mutex);
    auto it = registry.Files.find({mDevice, mInode});
    if (it != registry.Files.end() && --it->second.Holders == 0) {
        ::close(it->second.Fd);
        registry.Files.erase(it);
    }
}

} // namespace zel::data::detail
