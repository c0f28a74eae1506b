#pragma once
// Server side of a TCP link: a listening socket that hands out TcpTransports.
#include <memory>
#include <string>

#include "zel/link/TcpTransport.h"

namespace zel::link {

class TcpListener {
public:
    // Binds and listens on `ipv4Address`:`port` (port 0 = an ephemeral port; see Port()).
    // Throws std::system_error when the socket cannot be bound.
    explicit TcpListener(const std::string& ipv4Address = "127.0.0.1", std::uint16_t port = 0);
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    std::uint16_t Port() const noexcept { return mPort; }

    // Waits for one connection until the deadline or Cancel(); nothing then.
    std::unique_ptr<TcpTransport> Accept(Deadline deadline);
    std::unique_ptr<TcpTransport> Accept(); // no deadline, only Cancel() or Close() end it
    void Cancel() noexcept;
    void ResetCancel() noexcept;
    void Close() noexcept;

private:
    int mFd = -1;
    int mCancelFd = -1;
    std::uint16_t mPort = 0;
};

} // namespace zel::link
