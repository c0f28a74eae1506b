#pragma once
// The rows of zelctl's site lists (clocks, users, channels), shared by the commands that list them
// and the commands that add, change and remove their entries: one set of keys for scripts.
#include "Table.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace zel::data {
class ChannelDescriptionList;
class IChannelDescription;
class ReaderDescription;
class UserDescription;
} // namespace zel::data

namespace zel::cli {

// A channel as the list shows it. Id nothing: not stored (yet).
struct ChannelRow {
    std::optional<std::int32_t> Id;
    std::string Name;
    std::string Type;                   // "ethernet", "direct", "modem"
    std::optional<std::string> Address; // the IP address, or a modem's phone number
    std::optional<std::int32_t> Port;
    std::optional<std::int32_t> ComPort;
    std::optional<std::int32_t> BitRate;
};
ChannelRow RowOf(const zel::data::IChannelDescription& channel);

struct ClockRow {
    std::optional<std::int32_t> Id;
    std::string Name;
    int ReaderID = 0;
    std::string Location;
    std::int32_t ChannelID = 0;
    std::optional<std::string> Channel; // the channel's name; nothing when the site lacks it
    std::string TimeZone;               // empty: this machine's zone
};
ClockRow RowOf(const zel::data::ReaderDescription& clock, const zel::data::ChannelDescriptionList& channels);

struct UserRow {
    std::optional<std::int32_t> Id;
    std::string UserID;
    std::string Name;
    std::int32_t AuthorityLevel = 0;
    bool Enrolled = false;
};
UserRow RowOf(const zel::data::UserDescription& user);

// A table of the list's keys; with `action` true, an "action" column (added, changed, removed,
// or "would ..." for a dry run) comes first.
Table ChannelTable(bool action = false);
Table ClockTable(bool action = false);
// With `erasure`, the column "erasure" of the site's list: "erasure pending" while a clock may
// still hold the user's template (see AddRow).
Table UserTable(bool action = false, bool erasure = false);
void AddRow(Table& table, const ChannelRow& row, const char* action = nullptr);
void AddRow(Table& table, const ClockRow& row, const char* action = nullptr);
void AddRow(Table& table, const UserRow& row, const char* action = nullptr);
// A row of the site's list of users (UserTable(false, true)).
void AddRow(Table& table, const UserRow& row, bool erasurePending);

// "ethernet", "direct" or "modem".
std::string ChannelKind(const zel::data::IChannelDescription& channel);

} // namespace zel::cli
