#pragma once

#include "zel/data/IStore.h"

#include <memory>

namespace zel::data {

class UserDescriptionList;
class ReaderDescriptionList;
class ChannelDescriptionList;

namespace detail {

// The library's state, one copy per thread: the connection (kept once created, open or not)
// and the three lists (kept once loaded, for the life of the thread).
class DatabaseState {
public:
    static DatabaseState& Current();

    std::shared_ptr<IStore> Connection;
    std::shared_ptr<UserDescriptionList> UserList;
    std::shared_ptr<ReaderDescriptionList> ReaderList;
    std::shared_ptr<ChannelDescriptionList> ChannelList;
};

// The thread's connection, or nullptr before OpenDatabase.
std::shared_ptr<IStore> CurrentStore();
// The thread's connection; error 91 before OpenDatabase.
IStore& RequireStore();
// Refuses (error 3027, through the store's write gate) a change that could never be saved because
// the thread's connection is open read-only, before the list changes anything in memory.
void RefuseIfReadOnly();

} // namespace detail
} // namespace zel::data
