#include "DatabaseState.h"

#include "Conversions.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

namespace zel::data::detail {

DatabaseState& DatabaseState::Current()
{
    thread_local DatabaseState state;
    return state;
}

std::shared_ptr<IStore> CurrentStore()
{
    return DatabaseState::Current().Connection;
}

IStore& RequireStore()
{
    auto& connection = DatabaseState::Current().Connection;
    if (!connection)
        Raise(errc::ObjectNotSet, "Object variable or With block variable not set (the site database is not open)");
    return *connection;
}

void RefuseIfReadOnly()
{
    auto connection = CurrentStore();
    if (connection && connection->IsOpen() && connection->IsReadOnly())
        connection->CheckWritable();
}

} // namespace zel::data::detail
