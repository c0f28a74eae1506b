#include "clocksim/StateFile.h"
#include "clocksim/ManualTimeSource.h"
#include "clocksim/SimClock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace zel::sim;

namespace {

class StateFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mDir =
            std::filesystem::temp_directory_path() / ("clocksim-state-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(mDir);
        mPath = (mDir / "state").string();
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }

    void Write(const std::string& text)
    {
        std::ofstream out(mPath);
        out << text;
    }

    std::filesystem::path mDir;
    std::string mPath;
    std::shared_ptr<ManualTimeSource> mTime = std::make_shared<ManualTimeSource>();
};

} // namespace

TEST_F(StateFileTest, EverythingAClockKeepsSurvivesSaveAndLoad)
{
    SimClock clock(9, ClockModel::Vt9, mTime);
    ClockUser u;
    u.Id = *UserIdFromText("31415");
    u.Hand = {9, 8, 7, 6, 5, 4, 3, 2, 1};
    u.AuthorityLevel = 5;
    u.RejectThreshold = -2;
    u.TimeZone = 4;
    clock.PutUser(u);
    SetupRecord setup{};
    setup[117] = 3;
    clock.SetSetup(setup);
    clock.SetTime(zel::DateTime(2004, 3, 15, 14, 5, 9));
    std::array<std::uint8_t, 4096> menu{};
    menu[4095] = 0x5A;
    clock.PutFkeyData(menu);
    clock.LogEvent(7, &u.Id);
    clock.LogEvent(24);
    clock.GetDataLogElement(false);
    clock.SetNextPerson(12);

    StateFile::Save(mPath, {clock.Snapshot()});
    const auto loaded = StateFile::Load(mPath);
    ASSERT_EQ(loaded.size(), 1u);
    SimClock copy(9, ClockModel::Base, mTime);
    copy.Restore(loaded[0]);
    EXPECT_EQ(loaded[0].Model, ClockModel::Vt9);
    EXPECT_EQ(copy.Users(), clock.Users());
    EXPECT_EQ(copy.Setup(), setup);
    EXPECT_EQ(copy.MenuProgram(), menu);
    EXPECT_EQ(copy.Events(), clock.Events());
    EXPECT_EQ(copy.GetDataLogElement(false).Payload[8], 24); // reading goes on where it stopped
    mTime->AdvanceMs(5000);
    EXPECT_EQ(copy.Time(), zel::DateTime(2004, 3, 15, 14, 5, 14)); // the clock ran on meanwhile
    EXPECT_EQ(copy.Snapshot().NextPerson, 12u);
    EXPECT_FALSE(std::filesystem::exists(mPath + ".tmp" + std::to_string(::getpid())));
}

TEST_F(StateFileTest, MissingOrEmptyFileIsAFreshStart)
{
    EXPECT_TRUE(StateFile::Load(mPath).empty());
    Write("\n");
    EXPECT_TRUE(StateFile::Load(mPath).empty());
}

TEST_F(StateFileTest, DamagedFilesAreRefusedWithTheLine)
{
    Write("something else\n");
    EXPECT_THROW(StateFile::Load(mPath), std::runtime_error);
    const std::string head = "zelclockd-state 1\nclock 1 base\n";
    for (const std::string& body :
         {std::string("user 00\nend\n"), std::string("user ") + std::string(48, 'f') + "\nend\n",
          std::string("time x 0\nend\n"), std::string("bogus 1\nend\n"), std::string("setup 00\n"),
          std::string("end\nclock 1 base\nend\n"), std::string("end\nclock 2 vt8\nend\n")}) {
        Write(head + body);
        try {
            StateFile::Load(mPath);
            ADD_FAILURE() << "accepted: " << body;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("line"), std::string::npos) << e.what();
        }
    }
}

TEST_F(StateFileTest, SaveReplacesTheOldFile)
{
    SimClock clock(1, ClockModel::Base, mTime);
    StateFile::Save(mPath, {clock.Snapshot()}, false);
    clock.PutUser(ClockUser{});
    StateFile::Save(mPath, {clock.Snapshot()}, false);
    EXPECT_EQ(StateFile::Load(mPath).at(0).Users.size(), 1u);
    EXPECT_THROW(StateFile::Save((mDir / "no" / "such" / "dir").string(), {}), std::runtime_error);
}
