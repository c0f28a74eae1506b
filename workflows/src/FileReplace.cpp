#include "zel/workflows/FileReplace.h"

#include "zel/Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zel::workflows {

void WriteFileReplacing(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw zel::Error(75, "ZelWorkflows", "Cannot write '" + temporary + "': " + std::strerror(errno) + ".");
    std::size_t written = 0;
    bool ok = true;
    while (ok && written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        written += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(ok ? errno : savedErrno);
        ::unlink(temporary.c_str());
        throw zel::Error(75, "ZelWorkflows", "Cannot write '" + path + "': " + reason + ".");
    }
}

} // namespace zel::workflows
