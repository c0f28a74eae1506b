#include "zel/link/FdTransport.h"

#include "zel/link/Timing.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zel::link {

FdTransport::FdTransport(int fd, std::uint32_t bitRate) : mFd(fd), mBitRate(bitRate)
{
    if (fd >= 0) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) {
            ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        }
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    mCancelFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

FdTransport::~FdTransport()
{
    Close();
    if (mCancelFd >= 0) {
        ::close(mCancelFd);
    }
}

FdTransport::Wait FdTransport::WaitFor(short events, Deadline deadline) const
{
    for (;;) {
        if (mCancelled.load()) {
            return Wait::Cancelled;
        }
        const int fd = mFd.load();
        if (fd < 0) {
            return Wait::Failed;
        }
        pollfd fds[2] = {{fd, events, 0}, {mCancelFd, POLLIN, 0}};
        const int ready = ::poll(fds, mCancelFd >= 0 ? 2 : 1, PollMilliseconds(deadline));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Wait::Failed;
        }
        if (mCancelled.load()) {
            return Wait::Cancelled;
        }
        if (ready == 0) {
            if (Clock::now() >= deadline) {
                return Wait::TimedOut;
            }
            continue;
        }
        if (fds[0].revents != 0) {
            // Readable, writable, hung up or failed: the read or write that follows tells which.
            return Wait::Ready;
        }
    }
}

IoResult FdTransport::Read(std::span<std::uint8_t> buffer, Deadline deadline)
{
    if (buffer.empty()) {
        return {IoStatus::Ok, 0};
    }
    for (;;) {
        switch (WaitFor(POLLIN, deadline)) {
        case Wait::TimedOut:
            return {IoStatus::TimedOut, 0};
        case Wait::Cancelled:
            return {IoStatus::Cancelled, 0};
        case Wait::Failed:
            return {IsOpen() ? IoStatus::Error : IoStatus::Closed, 0};
        case Wait::Ready:
            break;
        }
        const ssize_t n = ::read(mFd.load(), buffer.data(), buffer.size());
        if (n > 0) {
            return {IoStatus::Ok, static_cast<std::size_t>(n)};
        }
        if (n == 0) {
            return {IoStatus::Closed, 0};
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            continue;
        }
        if (errno == EIO || errno == ECONNRESET || errno == EPIPE || errno == ENOTCONN) {
            return {IoStatus::Closed, 0};
        }
        return {IoStatus::Error, 0};
    }
}

IoResult FdTransport::Write(std::span<const std::uint8_t> bytes, Deadline deadline)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        switch (WaitFor(POLLOUT, deadline)) {
        case Wait::TimedOut:
            return {IoStatus::TimedOut, done};
        case Wait::Cancelled:
            return {IoStatus::Cancelled, done};
        case Wait::Failed:
            return {IsOpen() ? IoStatus::Error : IoStatus::Closed, done};
        case Wait::Ready:
            break;
        }
        const int fd = mFd.load();
        // MSG_NOSIGNAL only exists for sockets; a tty never raises SIGPIPE.
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) {
            n = ::write(fd, bytes.data() + done, bytes.size() - done);
        }
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            continue;
        }
        if (n < 0 && (errno == EIO || errno == ECONNRESET || errno == EPIPE || errno == ENOTCONN)) {
            return {IoStatus::Closed, done};
        }
        return {IoStatus::Error, done};
    }
    return {IoStatus::Ok, done};
}

void FdTransport::DiscardInput()
{
    const int fd = mFd.load();
    if (fd < 0) {
        return;
    }
    // Only what is queued now, at most kMaxDiscard bytes: a peer that keeps sending must not keep
    // the caller here. Whatever arrives later is the decoder's to skip, within the exchange's
    // time-out.
    int queued = 0;
    std::size_t left = kMaxDiscard;
    if (::ioctl(fd, FIONREAD, &queued) == 0) {
        left = std::min(left, static_cast<std::size_t>(std::max(queued, 0)));
    }
    std::uint8_t scratch[4096];
    while (left > 0) {
        const std::size_t want = std::min(left, sizeof scratch);
        ssize_t n = ::recv(fd, scratch, want, MSG_DONTWAIT);
        if (n < 0 && errno == ENOTSOCK) {
            n = ::read(fd, scratch, want); // the descriptor is non-blocking
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        left -= static_cast<std::size_t>(n);
    }
}

void FdTransport::Cancel() noexcept
{
    mCancelled.store(true);
    if (mCancelFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(mCancelFd, &one, sizeof one);
    }
}

void FdTransport::ResetCancel() noexcept
{
    mCancelled.store(false);
    if (mCancelFd >= 0) {
        std::uint64_t value = 0;
        [[maybe_unused]] const ssize_t n = ::read(mCancelFd, &value, sizeof value);
    }
}

bool FdTransport::IsCancelled() const noexcept
{
    return mCancelled.load();
}

void FdTransport::Close() noexcept
{
    const int fd = mFd.exchange(-1);
    if (fd >= 0) {
        ::close(fd);
    }
}

bool FdTransport::IsOpen() const noexcept
{
    return mFd.load() >= 0;
}

} // namespace zel::link
