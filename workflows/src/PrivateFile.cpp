#include "zel/workflows/PrivateFile.h"

#include "zel/Error.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>

namespace zel::workflows {

// An output buffer over a file descriptor; it keeps the first error of the system calls.
class PrivateFile::Buffer : public std::streambuf {
public:
    explicit Buffer(int fd) : mFd(fd) { setp(mSpace.data(), mSpace.data() + mSpace.size()); }
    ~Buffer() override { Close(); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    int Error() const { return mError; }
    // Writes what is buffered and, for a file of its own, syncs it. False on any error.
    bool Finish(bool sync)
    {
        if (!Drain())
            return false;
        if (sync && ::fsync(mFd) != 0 && errno != EINVAL) { // EINVAL: a pipe or terminal cannot sync
            mError = errno;
            return false;
        }
        return true;
    }
    bool Close()
    {
        if (mFd < 0)
            return true;
        const bool closed = ::close(mFd) == 0;
        if (!closed && mError == 0)
            mError = errno;
        mFd = -1;
        return closed;
    }

protected:
    int_type overflow(int_type c) override
    {
        if (!Drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Drain() ? 0 : -1; }

private:
    bool Drain()
    {
        const char* at = pbase();
        while (at < pptr()) {
            const ssize_t n = ::write(mFd, at, static_cast<std::size_t>(pptr() - at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                mError = n < 0 ? errno : EIO;
                return false;
            }
            at += n;
        }
        setp(mSpace.data(), mSpace.data() + mSpace.size());
        return true;
    }

    int mFd;
    int mError = 0;
    std::array<char, 65536> mSpace{};
};

PrivateFile::PrivateFile(std::string path) : mPath(std::move(path))
{
    int fd = -1;
    struct stat existing {};
    if (!mPath.empty() && ::stat(mPath.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        fd = ::open(mPath.c_str(), O_WRONLY | O_CLOEXEC);
    } else {
        std::string name = mPath + ".part-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC); // mode 0600
        if (fd >= 0) {
            mTemporary = std::move(name);
            ::fchmod(fd, S_IRUSR | S_IWUSR);
        }
    }
    if (fd < 0)
        Fail(errno);
    mBuffer = std::make_unique<Buffer>(fd);
    mStream = std::make_unique<std::ostream>(mBuffer.get());
}

PrivateFile::~PrivateFile()
{
    mStream.reset();
    mBuffer.reset();
    if (!mCommitted && !mTemporary.empty())
        ::unlink(mTemporary.c_str());
}

std::ostream& PrivateFile::Stream()
{
    return *mStream;
}

void PrivateFile::Commit()
{
    if (mCommitted)
        return;
    const bool written = !mStream->fail() && mBuffer->Finish(!mTemporary.empty());
    const bool closed = mBuffer->Close();
    if (!written || !closed)
        Fail(mBuffer->Error() ? mBuffer->Error() : EIO);
    if (!mTemporary.empty() && ::rename(mTemporary.c_str(), mPath.c_str()) != 0)
        Fail(errno);
    mCommitted = true;
}

void PrivateFile::Fail(int error) const
{
    throw zel::Error(75, "PrivateFile", "cannot write '" + mPath + "': " + std::strerror(error));
}

} // namespace zel::workflows
