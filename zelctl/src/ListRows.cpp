#include "ListRows.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/MdmChnlDescription.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"

#include <vector>

namespace zel::cli {

namespace {

template <typename T> Cell Optional(const std::optional<T>& value)
{
    return value ? Cell(*value) : Cell();
}

Table WithAction(bool action, std::vector<Column> columns)
{
    if (action)
        columns.insert(columns.begin(), Column{"action", "Action"});
    return Table(std::move(columns));
}

void Add(Table& table, std::vector<Cell> cells, const char* action)
{
    if (action)
        cells.insert(cells.begin(), Cell(action));
    table.Add(std::move(cells));
}

} // namespace

std::string ChannelKind(const zel::data::IChannelDescription& channel)
{
    if (dynamic_cast<const zel::data::EthChnlDescription*>(&channel))
        return "ethernet";
    if (dynamic_cast<const zel::data::DirChnlDescription*>(&channel))
        return "direct";
    return "modem";
}

ChannelRow RowOf(const zel::data::IChannelDescription& channel)
{
    ChannelRow row{channel.DatabaseID(), channel.Name(), ChannelKind(channel), {}, {}, {}, {}};
    if (const auto* ethernet = dynamic_cast<const zel::data::EthChnlDescription*>(&channel)) {
        row.Address = ethernet->IPAddress();
        row.Port = ethernet->IPPort();
    } else if (const auto* direct = dynamic_cast<const zel::data::DirChnlDescription*>(&channel)) {
        row.ComPort = direct->ComPort();
        row.BitRate = direct->BitRate();
    } else if (const auto* modem = dynamic_cast<const zel::data::MdmChnlDescription*>(&channel)) {
        row.Address = modem->PhoneNumber();
        row.ComPort = modem->ComPort();
        row.BitRate = modem->BitRate();
    }
    return row;
}

ClockRow RowOf(const zel::data::ReaderDescription& clock, const zel::data::ChannelDescriptionList& channels)
{
    const auto channel = channels.GetByDatabaseID(clock.ChannelDescriptionID());
    return {clock.DatabaseID(),
            clock.Name(),
            static_cast<int>(clock.ReaderID()),
            clock.Location(),
            clock.ChannelDescriptionID(),
            channel ? std::optional<std::string>(channel->Name()) : std::nullopt,
            clock.TimeZone()};
}

UserRow RowOf(const zel::data::UserDescription& user)
{
    return {user.DatabaseID(), user.UserID(), user.Name(), user.AuthorityLevel(), user.Enrolled()};
}

Table ChannelTable(bool action)
{
    return WithAction(action, {{"id", "ID"},
                               {"name", "Name"},
                               {"type", "Type"},
                               {"address", "Address"},
                               {"port", "Port"},
                               {"com_port", "COM"},
                               {"bit_rate", "Bit rate"}});
}

Table ClockTable(bool action)
{
    return WithAction(action, {{"id", "ID"},
                               {"name", "Name"},
                               {"reader_id", "Reader ID"},
                               {"location", "Location"},
                               {"channel_id", "Channel ID"},
                               {"channel", "Channel"},
                               {"time_zone", "Time zone"}});
}

Table UserTable(bool action, bool erasure)
{
    std::vector<Column> columns{
        {"id", "ID"}, {"user_id", "User ID"}, {"name", "Name"}, {"authority_level", "Level"}, {"enrolled", "Enrolled"}};
    if (erasure)
        columns.push_back({"erasure", "Erasure"});
    return WithAction(action, std::move(columns));
}

void AddRow(Table& table, const ChannelRow& row, const char* action)
{
    Add(table,
        {Optional(row.Id), row.Name, row.Type, Optional(row.Address), Optional(row.Port), Optional(row.ComPort),
         Optional(row.BitRate)},
        action);
}

void AddRow(Table& table, const ClockRow& row, const char* action)
{
    Add(table,
        {Optional(row.Id), row.Name, row.ReaderID, row.Location, row.ChannelID, Optional(row.Channel),
         row.TimeZone.empty() ? Cell() : Cell(row.TimeZone)},
        action);
}

void AddRow(Table& table, const UserRow& row, const char* action)
{
    Add(table, {Optional(row.Id), row.UserID, row.Name, row.AuthorityLevel, Cell::Bool(row.Enrolled)}, action);
}

void AddRow(Table& table, const UserRow& row, bool erasurePending)
{
    table.Add({Optional(row.Id), row.UserID, row.Name, row.AuthorityLevel, Cell::Bool(row.Enrolled),
               erasurePending ? Cell("erasure pending") : Cell()});
}

} // namespace zel::cli
