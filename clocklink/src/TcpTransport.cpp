#include "zel/link/TcpTransport.h"

#include "zel/link/Timing.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zel::link {

TcpTransport::TcpTransport(int socketFd) : FdTransport(socketFd, 0)
{
    const int one = 1;
    ::setsockopt(socketFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

std::unique_ptr<TcpTransport> TcpTransport::Connect(const std::string& ipv4Address, std::uint16_t port,
                                                    Deadline deadline)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (port == 0 || ::inet_pton(AF_INET, ipv4Address.c_str(), &address.sin_addr) != 1) {
        return nullptr;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS) {
            ::close(fd);
            return nullptr;
        }
        for (;;) {
            pollfd p{fd, POLLOUT, 0};
            const int ready = ::poll(&p, 1, PollMilliseconds(deadline));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                ::close(fd);
                return nullptr;
            }
            break;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            ::close(fd);
            return nullptr;
        }
    }
    return std::make_unique<TcpTransport>(fd);
}

} // namespace zel::link
