#include "DemoSite.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/IStore.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <memory>

namespace zel::tools {
namespace {

using namespace zel::data;

constexpr const char* OfficeChannel = "Front Office LAN";
constexpr const char* WarehouseChannel = "Warehouse LAN";
constexpr const char* SerialChannel = "Workshop Serial";

struct DemoClock {
    std::uint8_t ReaderID;
    const char* Name;
    const char* Location;
    const char* Channel;
    const char* Model;
};

constexpr DemoClock Clocks[] = {
    {1, "Front Door", "Main entrance", OfficeChannel, "base"},
    {2, "Reception", "Reception desk", OfficeChannel, "vt9"},
    {5, "Loading Dock", "Warehouse gate 2", WarehouseChannel, "vt9"},
    {3, "Workshop", "Workshop floor", SerialChannel, "base"},
};

struct DemoUser {
    const char* UserID;
    const char* Name;
    std::int32_t AuthorityLevel;
    bool Enrolled;
};

constexpr DemoUser Users[] = {
    {"1001", "Ann Lee", 3, true},      {"1002", "Bruno Díaz", 0, true},  {"1003", "Chen Wei", 0, true},
    {"1004", "Dana O'Neill", 4, true}, {"1005", "Emil Novak", 0, false}, {"2001", "Fatima Said", 1, false},
    {"2002", "Grace Kim", 0, false},
};

// A made-up but fixed hand template per user: 9 bytes, every value possible.
std::vector<std::uint8_t> DemoTemplate(const std::string& userID)
{
    std::uint32_t seed = 2166136261u;
    for (char c : userID)
        seed = (seed ^ static_cast<std::uint8_t>(c)) * 16777619u;
    std::vector<std::uint8_t> bytes(9);
    for (auto& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    return bytes;
}

std::string ModelOf(const std::string& clockName)
{
    for (const DemoClock& clock : Clocks)
        if (clockName == clock.Name)
            return clock.Model;
    return "base";
}

bool IsThisMachine(const std::string& address)
{
    return address == "127.0.0.1" || address == "localhost" || address.empty();
}

} // namespace

namespace {

// The demo's users, then `extraUsers` made-up people (IDs from 100000 on; every third one
// enrolled): the rows through the list's bulk path (one transaction), then the templates of the
// enrolled ones in a second.
void AddUsers(DataSource& source, int extraUsers)
{
    static const char* const Given[] = {"Ada", "Ben", "Cleo", "Dev", "Eva", "Femi", "Gus", "Hiro", "Ines", "Jon"};
    static const char* const Family[] = {"Abbott", "Baker", "Chen",  "Diaz",  "Evans", "Fischer", "Garcia",
                                         "Haddad", "Ito",   "Jones", "Kovac", "Lopez", "Moreau",  "Novak"};
    auto users = source.GetUserDescriptionList();
    std::vector<UserDescriptionList::BatchUser> batch;
    std::vector<std::string> enrolled;
    batch.reserve(std::size(Users) + static_cast<std::size_t>(std::max(extraUsers, 0)));
    for (const DemoUser& demo : Users) {
        batch.push_back({demo.UserID, demo.Name, demo.AuthorityLevel});
        if (demo.Enrolled)
            enrolled.emplace_back(demo.UserID);
    }
    for (int i = 0; i < extraUsers; ++i) {
        const std::string id = std::to_string(100000 + i);
        batch.push_back(
            {id, std::string(Given[i % 10]) + " " + Family[(i / 10) % 14] + " " + std::to_string(i / 140 + 1), 0});
        if (i % 3 == 0)
            enrolled.push_back(id);
    }
    users->ApplyBatch(batch, {}, {});
    source.GetConnection()->Transact([&] {
        for (const auto& id : enrolled) {
            auto user = users->Item(id);
            user->SetTemplate(DemoTemplate(id));
            user->SetEnrolled(true);
        }
        users->Save();
    });
}

} // namespace

void MakeDemoSite(const std::string& file, const DemoPorts& ports, int extraUsers)
{
    DataSource::CreateDatabase(file);
    DataSource source;
    source.OpenDatabase(file);

    auto channels = source.GetChannelDescriptionList();
    auto office = std::dynamic_pointer_cast<EthChnlDescription>(channels->Add(EthernetChannel, OfficeChannel));
    office->SetIPAddress("127.0.0.1");
    office->SetIPPort(ports.OfficePort);
    auto warehouse = std::dynamic_pointer_cast<EthChnlDescription>(channels->Add(EthernetChannel, WarehouseChannel));
    warehouse->SetIPAddress("127.0.0.1");
    warehouse->SetIPPort(ports.WarehousePort);
    auto serial = std::dynamic_pointer_cast<DirChnlDescription>(channels->Add(DirectChannel, SerialChannel));
    serial->SetComPort(ports.ComPort);
    serial->SetBitRate(9600);
    channels->Save();

    auto readers = source.GetReaderDescriptionList();
    for (const DemoClock& clock : Clocks) {
        auto reader = readers->Add(clock.ReaderID, clock.Name, channels->Item(std::string(clock.Channel)));
        reader->SetLocation(clock.Location);
    }
    readers->Save();
    AddUsers(source, extraUsers);
}

std::string MakeFleetSite(const std::string& file, const FleetShape& shape, int extraUsers)
{
    DataSource::CreateDatabase(file);
    DataSource source;
    source.OpenDatabase(file);
    auto channels = source.GetChannelDescriptionList();
    auto readers = source.GetReaderDescriptionList();
    source.GetConnection()->Transact([&] {
        for (int c = 0; c < shape.Channels; ++c) {
            char name[32];
            std::snprintf(name, sizeof name, "Line %04d", c + 1);
            auto line = std::dynamic_pointer_cast<EthChnlDescription>(channels->Add(EthernetChannel, name));
            line->SetIPAddress("127.0.0.1");
            line->SetIPPort(static_cast<std::int32_t>(shape.FirstPort + c));
        }
        channels->Save();
        for (int c = 0; c < shape.Channels; ++c) {
            char line[32];
            std::snprintf(line, sizeof line, "Line %04d", c + 1);
            for (int k = 0; k < shape.ClocksPerChannel; ++k) {
                char name[48];
                std::snprintf(name, sizeof name, "Line %04d clock %02d", c + 1, k + 1);
                auto reader = readers->Add(k + 1, name, channels->Item(std::string(line)));
                reader->SetLocation("Fleet");
            }
        }
        readers->Save();
    });
    AddUsers(source, extraUsers);
    std::string command = "zelclockd --tcp 127.0.0.1:" + std::to_string(shape.FirstPort) + "-" +
                          std::to_string(shape.FirstPort + shape.Channels - 1);
    for (int k = 0; k < shape.ClocksPerChannel; ++k)
        command += " --clock " + std::to_string(k + 1);
    return command;
}

std::vector<std::string> EmulatorPlan(const std::string& file)
{
    DataSource source;
    source.OpenDatabase(file);
    auto channels = source.GetChannelDescriptionList();
    auto readers = source.GetReaderDescriptionList();

    std::map<std::int32_t, std::string> lines; // by channel DatabaseID, in channel order below
    for (const auto& channel : channels->Items()) {
        if (auto eth = std::dynamic_pointer_cast<EthChnlDescription>(channel)) {
            if (IsThisMachine(eth->IPAddress()) && eth->IPPort() > 0)
                lines[eth->DatabaseID()] = "tcp " + std::to_string(eth->IPPort());
        } else if (auto dir = std::dynamic_pointer_cast<DirChnlDescription>(channel)) {
            lines[dir->DatabaseID()] = "pty " + std::to_string(dir->ComPort());
        }
    }
    std::map<std::int32_t, std::vector<int>> seen;
    std::map<std::int32_t, int> clocks;
    for (const auto& reader : readers->Items()) {
        auto line = lines.find(reader->ChannelDescriptionID());
        if (line == lines.end())
            continue;
        auto& ids = seen[reader->ChannelDescriptionID()];
        bool duplicate = false;
        for (int id : ids)
            duplicate = duplicate || id == reader->ReaderID();
        if (duplicate)
            continue; // one clock per reader ID on a line
        ids.push_back(reader->ReaderID());
        line->second += " " + std::to_string(reader->ReaderID()) + ":" + ModelOf(reader->Name());
        ++clocks[line->first];
    }
    std::vector<std::string> plan;
    for (const auto& channel : channels->Items()) {
        auto line = lines.find(channel->DatabaseID());
        if (line != lines.end() && clocks[line->first] > 0)
            plan.push_back(line->second);
    }
    return plan;
}

} // namespace zel::tools
