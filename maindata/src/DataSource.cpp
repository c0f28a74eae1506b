#include "zel/data/DataSource.h"

#include "DatabaseState.h"
#include "store/PgStore.h"
#include "store/SqliteStore.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/SiteErrors.h"
#include "zel/data/SiteName.h"
#include "zel/data/UserDescriptionList.h"

namespace zel::data {

using detail::DatabaseState;

void DataSource::OpenDatabase(const std::string& filename, OpenMode mode)
{
    auto& state = DatabaseState::Current();
    if (state.Connection)
        return;
    if (IsServerSite(filename)) {
        auto store = std::make_shared<detail::PgStore>();
        state.Connection = store;
        store->Open(filename, mode);
        return;
    }
    auto store = std::make_shared<detail::SqliteStore>();
    state.Connection = store;
    try {
        store->Open(filename, mode);
    } catch (const SiteWriteAccessError&) {
        state.Connection.reset();
        throw;
    }
}

void DataSource::CloseDatabase()
{
    auto& state = DatabaseState::Current();
    if (state.Connection)
        state.Connection->Close();
}

void DataSource::ReleaseDatabase()
{
    auto& state = DatabaseState::Current();
    const auto connection = std::move(state.Connection);
    state.Connection.reset();
    state.UserList.reset();
    state.ReaderList.reset();
    state.ChannelList.reset();
    if (connection && connection->IsOpen())
        connection->Close();
}

std::shared_ptr<IStore> DataSource::GetConnection() const
{
    return DatabaseState::Current().Connection;
}

bool DataSource::IsReadOnly() const
{
    const auto& connection = DatabaseState::Current().Connection;
    return connection && connection->IsOpen() && connection->IsReadOnly();
}

std::string DataSource::ReadOnlyReason() const
{
    return IsReadOnly() ? DatabaseState::Current().Connection->ReadOnlyReason() : std::string();
}

void DataSource::BackupDatabase(const std::string& destination, bool replace)
{
    detail::RequireStore().Backup(destination, replace);
}

std::shared_ptr<UserDescriptionList> DataSource::GetUserDescriptionList()
{
    auto& state = DatabaseState::Current();
    if (!state.UserList)
        state.UserList = UserDescriptionList::Load();
    return state.UserList;
}

std::shared_ptr<ReaderDescriptionList> DataSource::GetReaderDescriptionList()
{
    auto& state = DatabaseState::Current();
    if (!state.ReaderList)
        state.ReaderList = ReaderDescriptionList::Load();
    return state.ReaderList;
}

std::shared_ptr<ChannelDescriptionList> DataSource::GetChannelDescriptionList()
{
    auto& state = DatabaseState::Current();
    if (!state.ChannelList)
        state.ChannelList = ChannelDescriptionList::Load();
    return state.ChannelList;
}

void DataSource::CreateDatabase(const std::string& filename)
{
    if (IsServerSite(filename))
        detail::PgStore::Create(filename);
    else
        detail::SqliteStore::Create(filename);
}

} // namespace zel::data
