#include "zel/link/TcpListener.h"

#include "zel/link/Timing.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace zel::link {

TcpListener::TcpListener(const std::string& ipv4Address, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, ipv4Address.c_str(), &address.sin_addr) != 1) {
        throw std::system_error(EINVAL, std::generic_category(), "invalid listen address " + ipv4Address);
    }
    mFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (mFd < 0) {
        throw std::system_error(errno, std::generic_category(), "socket");
    }
    const int one = 1;
    ::setsockopt(mFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(mFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(mFd, 16) != 0) {
        const int error = errno;
        ::close(mFd);
        mFd = -1;
        throw std::system_error(error, std::generic_category(), "bind/listen " + ipv4Address);
    }
    socklen_t length = sizeof address;
    ::getsockname(mFd, reinterpret_cast<sockaddr*>(&address), &length);
    mPort = ntohs(address.sin_port);
    mCancelFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

TcpListener::~TcpListener()
{
    Close();
    if (mCancelFd >= 0) {
        ::close(mCancelFd);
    }
}

std::unique_ptr<TcpTransport> TcpListener::Accept()
{
    return Accept(Deadline::max());
}

std::unique_ptr<TcpTransport> TcpListener::Accept(Deadline deadline)
{
    for (;;) {
        if (mFd < 0) {
            return nullptr;
        }
        pollfd fds[2] = {{mFd, POLLIN, 0}, {mCancelFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, PollMilliseconds(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || fds[1].revents != 0) {
            return nullptr;
        }
        if (ready == 0) {
            if (Clock::now() >= deadline) {
                return nullptr;
            }
            continue;
        }
        const int fd = ::accept4(mFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            return std::make_unique<TcpTransport>(fd);
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) {
            return nullptr;
        }
    }
}

void TcpListener::Cancel() noexcept
{
    if (mCancelFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(mCancelFd, &one, sizeof one);
    }
}

void TcpListener::ResetCancel() noexcept
{
    if (mCancelFd >= 0) {
        std::uint64_t value = 0;
        [[maybe_unused]] const ssize_t n = ::read(mCancelFd, &value, sizeof value);
    }
}

void TcpListener::Close() noexcept
{
    if (mFd >= 0) {
        ::close(mFd);
        mFd = -1;
    }
}

} // namespace zel::link
