#pragma once
// A Transport over one non-blocking file descriptor (socket, tty or pty master), with poll() for
// the deadlines and an eventfd that Cancel() signals.
#include <atomic>

#include "zel/link/Transport.h"

namespace zel::link {

class FdTransport : public Transport {
public:
    // Takes ownership of `fd` and makes it non-blocking. `bitRate` 0 = none.
    explicit FdTransport(int fd, std::uint32_t bitRate = 0);
    ~FdTransport() override;

    IoResult Read(std::span<std::uint8_t> buffer, Deadline deadline) override;
    IoResult Write(std::span<const std::uint8_t> bytes, Deadline deadline) override;
    // Drops what is queued when it is called (FIONREAD), at most kMaxDiscard bytes, and returns:
    // bytes that keep arriving meanwhile do not keep it reading.
    void DiscardInput() override;
    static constexpr std::size_t kMaxDiscard = 1 << 20;

    void Cancel() noexcept override;
    void ResetCancel() noexcept override;
    bool IsCancelled() const noexcept override;

    void Close() noexcept override;
    bool IsOpen() const noexcept override;
    std::uint32_t BitRate() const noexcept override { return mBitRate; }

    int Fd() const noexcept { return mFd.load(); }

protected:
    void SetBitRate(std::uint32_t bitRate) noexcept { mBitRate = bitRate; }

private:
    enum class Wait { Ready, TimedOut, Cancelled, Failed };
    Wait WaitFor(short events, Deadline deadline) const;

    std::atomic<int> mFd;
    int mCancelFd = -1;
    std::atomic<bool> mCancelled{false};
    std::uint32_t mBitRate = 0;
};

} // namespace zel::link
