#include "EmulatedSite.h"

#include "clocksim/ClockUser.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace zel::test {
namespace {

constexpr int kEmulated = 0;
constexpr int kDead = 1;
constexpr int kModem = 2;
constexpr int kOtherName = 3;

std::string TestName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? info->name() : "outside-a-test";
    for (char& c : name)
        if (c == '/')
            c = '-';
    return name;
}

} // namespace

EmulatedSite::EmulatedSite(const std::string& name, int timeoutMs)
    : mFolder(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()) + "-" + TestName()))
{
    ::setenv("ZEL_TIMEOUT_MS", std::to_string(timeoutMs).c_str(), 1);
    std::filesystem::remove_all(mFolder);
    std::filesystem::create_directories(mFolder);
    mSite = (mFolder / "zel.mdb").string();
    ::setenv("ZEL_SITE", mSite.c_str(), 1);
    std::thread([this] { zel::data::DataSource::CreateDatabase(mSite); }).join();
}

EmulatedSite::~EmulatedSite()
{
    for (auto& [name, line] : mLines)
        if (line.Server)
            line.Server->Stop();
    std::error_code ignored;
    std::filesystem::remove_all(mFolder, ignored);
}

zel::sim::Server& EmulatedSite::AddLine(const std::string& line, const std::vector<Clock>& clocks,
                                        const zel::sim::FaultOptions& faults)
{
    if (mLines.count(line) || mWritten)
        throw std::runtime_error("line '" + line + "' added twice, or after the site was written");
    zel::sim::ServerOptions options;
    options.Faults = faults;
    options.Enrollment.ReadTimeMs = 0;
    LineEntry entry;
    entry.Server = std::make_unique<zel::sim::Server>(options);
    for (const Clock& clock : clocks)
        if (clock.Emulated)
            entry.Server->AddClock(clock.ReaderID, clock.Model);
    entry.Server->Start();
    entry.Clocks = clocks;
    mOrder.push_back(line);
    return *mLines.emplace(line, std::move(entry)).first->second.Server;
}

void EmulatedSite::AddDeadLine(const std::string& line, const std::vector<Clock>& clocks)
{
    mOrder.push_back(line);
    mLines[line] = LineEntry{nullptr, kDead, clocks, {}, {}};
}

void EmulatedSite::AddModemLine(const std::string& line, const std::vector<Clock>& clocks)
{
    mOrder.push_back(line);
    mLines[line] = LineEntry{nullptr, kModem, clocks, {}, {}};
}

void EmulatedSite::AddOtherName(const std::string& channel, const std::string& line, const std::string& address,
                                const std::vector<Clock>& clocks)
{
    zel::sim::Server& server = Line(line);
    for (const Clock& clock : clocks)
        if (clock.Emulated)
            server.AddClock(clock.ReaderID, clock.Model);
    mOrder.push_back(channel);
    mLines[channel] = LineEntry{nullptr, kOtherName, clocks, line, address};
}

zel::sim::Server& EmulatedSite::Line(const std::string& line)
{
    auto it = mLines.find(line);
    if (it == mLines.end() || !it->second.Server)
        throw std::runtime_error("no emulated line '" + line + "'");
    return *it->second.Server;
}

zel::sim::SimClock& EmulatedSite::Emulated(const std::string& clock)
{
    for (auto& [name, line] : mLines)
        for (const Clock& member : line.Clocks)
            if (member.Name == clock && member.Emulated && (line.Server || line.Kind == kOtherName))
                return (line.Server ? *line.Server : Line(line.SameAs)).Clock(member.ReaderID);
    throw std::runtime_error("no emulated clock '" + clock + "'");
}

void EmulatedSite::SetFaults(const std::string& line, const zel::sim::FaultOptions& faults)
{
    Line(line).SetFaults(faults);
}

void EmulatedSite::WriteSite()
{
    zel::data::DataSource data;
    auto channels = data.GetChannelDescriptionList();
    for (const std::string& name : mOrder) {
        const LineEntry& line = mLines.at(name);
        if (line.Kind == kModem) {
            channels->Add(zel::data::ModemChannel, name);
            continue;
        }
        auto ethernet =
            std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channels->Add(zel::data::EthernetChannel, name));
        if (line.Kind == kOtherName) {
            ethernet->SetIPAddress(line.Address);
            ethernet->SetIPPort(Line(line.SameAs).Port());
            continue;
        }
        ethernet->SetIPAddress("127.0.0.1");
        ethernet->SetIPPort(line.Kind == kDead ? 1 : line.Server->Port()); // nothing listens on port 1
    }
    channels->Save();
    auto clocks = data.GetReaderDescriptionList();
    for (const std::string& name : mOrder)
        for (const Clock& clock : mLines.at(name).Clocks)
            clocks->Add(clock.ReaderID, clock.Name, channels->Item(name));
    clocks->Save();
    mWritten = true;
}

void EmulatedSite::InSite(const std::function<void()>& body)
{
    std::exception_ptr error;
    std::thread([&] {
        try {
            zel::data::DataSource data;
            data.OpenDatabase(mSite);
            if (!mWritten)
                WriteSite();
            body();
            data.CloseDatabase();
        } catch (...) {
            error = std::current_exception();
        }
    }).join();
    if (error)
        std::rethrow_exception(error);
}

std::vector<std::shared_ptr<zel::data::ReaderDescription>> EmulatedSite::Clocks(const std::vector<std::string>& names)
{
    auto list = zel::data::DataSource().GetReaderDescriptionList();
    std::vector<std::shared_ptr<zel::data::ReaderDescription>> chosen;
    for (const std::string& name : names)
        chosen.push_back(list->Item(name));
    return chosen;
}

void EmulatedSite::AddEnrolledUsers(int first, int count, const std::function<int(int)>& level)
{
    auto list = zel::data::DataSource().GetUserDescriptionList();
    for (int id = first; id < first + count; ++id) {
        auto user = list->Add(std::to_string(id), "User " + std::to_string(id));
        std::vector<std::uint8_t> hand(9);
        for (std::size_t i = 0; i < hand.size(); ++i)
            hand[i] = static_cast<std::uint8_t>(id * 7 + static_cast<int>(i));
        user->SetTemplate(hand);
        user->SetEnrolled(true);
        if (level)
            user->SetAuthorityLevel(level(id));
    }
    list->Save();
}

zel::sim::ClockUser EmulatedSite::MakeClockUser(int id)
{
    zel::sim::ClockUser user;
    user.Id = *zel::sim::UserIdFromText(std::to_string(id));
    for (std::size_t i = 0; i < user.Hand.size(); ++i)
        user.Hand[i] = static_cast<std::uint8_t>(id * 3 + static_cast<int>(i));
    return user;
}

std::set<std::string> EmulatedSite::HeldIDs(const zel::sim::SimClock& clock)
{
    std::set<std::string> ids;
    for (const auto& user : clock.Users())
        ids.insert(std::to_string(std::stoull(zel::sim::UserIdToText(user.Id))));
    return ids;
}

} // namespace zel::test
