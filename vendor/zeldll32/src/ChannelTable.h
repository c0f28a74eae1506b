#pragma once
// The handles of the vendor library: small positive numbers mapped to channels. A handle is never
// handed out twice while the library is loaded, so a closed handle stays invalid.
#include <cstdint>
#include <map>
#include <memory>
#include <shared_mutex>

#include "VendorChannel.h"

namespace zel::vendor {

class ChannelTable {
public:
    static ChannelTable& Instance();

    // The new channel's handle, 0 when the table is full.
    std::int32_t Add(std::shared_ptr<VendorChannel> channel);
    // The channel of a handle, nothing for an unknown or closed one.
    std::shared_ptr<VendorChannel> Find(std::int32_t handle) const;
    // Takes the channel out of the table (the caller closes it); nothing for an unknown handle.
    std::shared_ptr<VendorChannel> Remove(std::int32_t handle);

    // Socket layer reference count (zelStartupWsock / zelCleanupWsock).
    void StartSockets();
    // False when the layer was not started. The last cleanup closes the TCP channels still open.
    bool StopSockets();
    bool SocketsStarted() const;

private:
    ChannelTable() = default;

    // Shared for lookups: every call of every channel looks its handle up, hundreds of channels at once.
    mutable std::shared_mutex mMutex;
    std::map<std::int32_t, std::shared_ptr<VendorChannel>> mChannels;
    std::int32_t mLastHandle = 0;
    int mSocketUsers = 0;
};

} // namespace zel::vendor
