#pragma once
// Serial line through termios: raw, 8 data bits, no parity, 1 stop bit, no flow control, at the
// channel's bit rate. Works on a pseudo-terminal slave too (tests, the emulator).
//
// A line is held exclusively while it is open: an exclusive flock() on the device (so a second
// open, in this process or another, fails however the device is named) and TIOCEXCL (so programs
// that take no lock cannot open it either; the superuser is not held back by it). Both end with
// Close. Two channels on one line would answer each other's clocks' frames and time out.
#include <memory>
#include <string>

#include "zel/link/FdTransport.h"

namespace zel::link {

class SerialTransport : public FdTransport {
public:
    // Opens, locks and configures `device`. Nothing when the device cannot be opened, is in use
    // or cannot be configured; `why`, when given, then says which in a sentence.
    static std::unique_ptr<SerialTransport> Open(const std::string& device, std::uint32_t bitRate,
                                                 std::string* why = nullptr);

    // Why `device` cannot be opened now ("the serial port /dev/ttyS0 is in use by another
    // channel or program", "there is no serial port ..."), or empty when it can. Opens the device
    // only to try its lock; never changes its settings.
    static std::string WhyNotOpen(const std::string& device);

    // The device of serial port index n (COM n+1): the environment variable ZEL_COM<n+1> when it
    // is set and not empty, else /dev/ttyS<n>.
    static std::string DeviceForPort(int portIndex);

    // Whether termios offers this bit rate (50 .. 4000000, the standard values only).
    static bool IsSupportedBitRate(std::uint32_t bitRate) noexcept;

    // Puts any tty into raw 8N1 at `bitRate`; false on failure.
    static bool ConfigureRaw(int fd, std::uint32_t bitRate) noexcept;

    ~SerialTransport() override;

    void DiscardInput() override;
    // Gives up the exclusive hold, then closes.
    void Close() noexcept override;

private:
    SerialTransport(int fd, std::uint32_t bitRate);
    // Opens `device` and takes its lock: the descriptor, or -1 with `why` set.
    static int OpenLocked(const std::string& device, std::string& why);
};

} // namespace zel::link
