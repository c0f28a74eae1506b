#pragma once
// TCP link (client side, or a connection accepted by TcpListener). No Nagle delay: every frame
// leaves at once.
#include <memory>
#include <string>

#include "zel/link/FdTransport.h"

namespace zel::link {

class TcpTransport : public FdTransport {
public:
    // Wraps a connected socket.
    explicit TcpTransport(int socketFd);

    // Connects to an IPv4 address text ("127.0.0.1") and port before the deadline; nothing on
    // failure (bad address text, refused, unreachable, time-out).
    static std::unique_ptr<TcpTransport> Connect(const std::string& ipv4Address, std::uint16_t port, Deadline deadline);
};

} // namespace zel::link
