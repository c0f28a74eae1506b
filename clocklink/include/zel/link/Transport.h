#pragma once
// One byte stream to or from clocks: a TCP connection, a serial line or a pseudo-terminal.
// The protocol core (Requester, and the emulator's server loop) only ever sees this interface.
//
// Every blocking call waits until its deadline at most, and returns early with Cancelled when
// Cancel() was called from any thread. A cancel stays pending until ResetCancel(), so a cancel
// that arrives between two calls is not lost.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zel::link {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

enum class IoStatus {
    Ok,        // `Count` bytes moved (at least one for Read)
    TimedOut,  // the deadline passed first (Count may be > 0 for Write)
    Cancelled, // Cancel() was called
    Closed,    // the peer closed the link, or the link was closed here
    Error,     // any other failure of the device or socket
};

struct IoResult {
    IoStatus Status = IoStatus::Ok;
    std::size_t Count = 0;
};

class Transport {
public:
    virtual ~Transport() = default;
    Transport() = default;
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Waits until at least one byte is available and reads what is there, up to `buffer.size()`.
    virtual IoResult Read(std::span<std::uint8_t> buffer, Deadline deadline) = 0;
    // Writes all of `bytes` (Ok) or stops at the deadline, a cancel or a failure.
    virtual IoResult Write(std::span<const std::uint8_t> bytes, Deadline deadline) = 0;
    // Drops bytes that arrived and were not read yet. Does not wait, and ends also when a peer
    // keeps sending (it drops what was there when it was called, not what follows).
    virtual void DiscardInput() = 0;

    virtual void Cancel() noexcept = 0;
    virtual void ResetCancel() noexcept = 0;
    virtual bool IsCancelled() const noexcept = 0;

    virtual void Close() noexcept = 0;
    virtual bool IsOpen() const noexcept = 0;

    // The line's bit rate, 0 when the link has none of its own (TCP).
    virtual std::uint32_t BitRate() const noexcept = 0;
};

} // namespace zel::link
