#pragma once
// Serial line through termios: raw, 8 data bits, no parity, 1 stop bit, no flow control, at the
// channel's bit rate. Works on a pseudo-terminal slave too (tests, the emulator).
#include <memory>
#include <string>

#include "zel/link/FdTransport.h"

namespace zel::link {

class SerialTransport : public FdTransport {
public:
    // Opens and configures `device`. Nothing when the device cannot be opened or configured.
    static std::unique_ptr<SerialTransport> Open(const std::string& device, std::uint32_t bitRate);

    // Whether termios offers this bit rate (50 .. 4000000, the standard values only).
    static bool IsSupportedBitRate(std::uint32_t bitRate) noexcept;

    // Puts any tty into raw 8N1 at `bitRate`; false on failure.
    static bool ConfigureRaw(int fd, std::uint32_t bitRate) noexcept;

    void DiscardInput() override;

private:
    SerialTransport(int fd, std::uint32_t bitRate);
};

} // namespace zel::link
