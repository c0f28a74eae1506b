#include "ChannelTable.h"

#include <limits>
#include <mutex>
#include <vector>

namespace zel::vendor {

ChannelTable& ChannelTable::Instance()
{
    static ChannelTable table;
    return table;
}

std::int32_t ChannelTable::Add(std::shared_ptr<VendorChannel> channel)
{
    std::lock_guard lock(mMutex);
    if (mLastHandle == std::numeric_limits<std::int32_t>::max()) {
        return 0;
    }
    const std::int32_t handle = ++mLastHandle;
    mChannels.emplace(handle, std::move(channel));
    return handle;
}

std::shared_ptr<VendorChannel> ChannelTable::Find(std::int32_t handle) const
{
    std::shared_lock lock(mMutex);
    const auto it = mChannels.find(handle);
    return it == mChannels.end() ? nullptr : it->second;
}

std::shared_ptr<VendorChannel> ChannelTable::Remove(std::int32_t handle)
{
    std::lock_guard lock(mMutex);
    const auto it = mChannels.find(handle);
    if (it == mChannels.end()) {
        return nullptr;
    }
    auto channel = std::move(it->second);
    mChannels.erase(it);
    return channel;
}

void ChannelTable::StartSockets()
{
    std::lock_guard lock(mMutex);
    ++mSocketUsers;
}

bool ChannelTable::StopSockets()
{
    std::vector<std::shared_ptr<VendorChannel>> orphans;
    {
        std::lock_guard lock(mMutex);
        if (mSocketUsers == 0) {
            return false;
        }
        if (--mSocketUsers == 0) {
            for (auto it = mChannels.begin(); it != mChannels.end();) {
                if (it->second->ChannelKind() == VendorChannel::Kind::Tcp) {
                    orphans.push_back(std::move(it->second));
                    it = mChannels.erase(it);
                } else {
                    ++it;
                }
            }
        }
    }
    for (auto& channel : orphans) {
        channel->Close();
    }
    return true;
}

bool ChannelTable::SocketsStarted() const
{
    std::shared_lock lock(mMutex);
    return mSocketUsers > 0;
}

} // namespace zel::vendor
