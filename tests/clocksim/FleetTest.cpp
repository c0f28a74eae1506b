// Many lines in one emulator: each line its own port, its own clocks and its own state file.
#include "clocksim/Fleet.h"
#include "clocksim/ClockUser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <unistd.h>

using namespace zel::sim;

namespace {

namespace fs = std::filesystem;

class FleetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("fleet-test-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Three lines on ephemeral ports, clocks 1 (base) and 2 (newer model) on each.
    std::unique_ptr<Fleet> Make(const std::string& stateFile = {})
    {
        ServerOptions options;
        options.TcpPort = 0;
        options.StateFile = stateFile;
        options.SyncStateFile = false;
        auto fleet = std::make_unique<Fleet>(
            options, 3, std::vector<std::pair<std::uint8_t, ClockModel>>{{1, ClockModel::Base}, {2, ClockModel::Vt9}});
        fleet->Start();
        return fleet;
    }

    fs::path folder;
};

TEST_F(FleetTest, EveryLineHasItsOwnPortAndClocks)
{
    auto fleet = Make();
    ASSERT_EQ(fleet->Lines(), 3u);
    std::set<std::uint16_t> ports;
    for (std::size_t k = 0; k < fleet->Lines(); ++k) {
        ports.insert(fleet->Line(k).Port());
        EXPECT_EQ(fleet->Line(k).ReaderIds(), (std::vector<std::uint8_t>{1, 2}));
        EXPECT_EQ(fleet->Line(k).Clock(2).Model(), ClockModel::Vt9);
    }
    EXPECT_EQ(ports.size(), 3u);
    fleet->Line(1).Clock(1).LogEvent(41);
    EXPECT_EQ(fleet->Line(1).Clock(1).Events().size(), 1u);
    EXPECT_TRUE(fleet->Line(0).Clock(1).Events().empty()) << "a clock of another line is another clock";
}

TEST_F(FleetTest, EachLineKeepsItsClocksInAStateFileOfItsOwn)
{
    const std::string state = (folder / "clocks.state").string();
    {
        auto fleet = Make(state);
        for (std::size_t k = 0; k < fleet->Lines(); ++k)
            for (std::size_t e = 0; e <= k; ++e)
                fleet->Line(k).Clock(1).LogEvent(41);
        fleet->Stop();
    }
    for (std::uint16_t k = 0; k < 3; ++k)
        EXPECT_TRUE(fs::exists(Fleet::StateFileOf(state, k))) << k;
    auto again = Make(state);
    for (std::size_t k = 0; k < again->Lines(); ++k)
        EXPECT_EQ(again->Line(k).Clock(1).Events().size(), k + 1) << "line " << k;
}

} // namespace
