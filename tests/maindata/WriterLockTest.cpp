// One writer: a second process on a site database that another process writes is told which
// process, on which host, since when, and may open it read-only; a read-only file or folder opens
// read-only the same way. Read-only, every write is refused at the store with error 3027.
#include "MainDataTestSupport.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/IStore.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/SiteErrors.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

std::string ThisHost()
{
    char buffer[256] = {};
    ::gethostname(buffer, sizeof buffer - 1);
    return buffer;
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Everything a read-only site database refuses, each with error 3027 and the reason, with the
// lists unchanged.
void ExpectEveryWriteRefused(DataSource& ds, const std::string& reasonHas)
{
    auto users = ds.GetUserDescriptionList();
    auto clocks = ds.GetReaderDescriptionList();
    auto channels = ds.GetChannelDescriptionList();
    const int userCount = users->Count();
    auto text = ErrorTextOf([&] { users->Add("99", "New"); });
    EXPECT_NE(text.find("is open read-only, because"), std::string::npos) << text;
    EXPECT_NE(text.find(reasonHas), std::string::npos) << text;
    EXPECT_EQ(ErrorNumberOf([&] { users->Add("98", "New"); }), errc::ReadOnlyDatabase);
    EXPECT_EQ(users->Count(), userCount);
    EXPECT_FALSE(users->Contains("99"));
    if (userCount > 0) {
        auto first = users->Item(1);
        EXPECT_EQ(ErrorNumberOf([&] { users->Remove(first->UserID()); }), errc::ReadOnlyDatabase);
        EXPECT_TRUE(users->Contains(first->UserID()));
        first->SetName("Changed");
        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::ReadOnlyDatabase);
        EXPECT_TRUE(first->IsDirty());
    }
    EXPECT_EQ(ErrorNumberOf([&] { channels->Add(DirectChannel, "New"); }), errc::ReadOnlyDatabase);
    EXPECT_FALSE(channels->Contains("New"));
    if (channels->Count() > 0) {
        EXPECT_EQ(ErrorNumberOf([&] { clocks->Add(7, "New", channels->Item(1)); }), errc::ReadOnlyDatabase);
        EXPECT_FALSE(clocks->Contains("New"));
    }
    EXPECT_EQ(ErrorNumberOf([&] { ds.GetConnection()->Delete("Users", 1); }), errc::ReadOnlyDatabase);
    EXPECT_EQ(ErrorNumberOf([&] { ds.GetConnection()->Transact([] {}); }), errc::ReadOnlyDatabase);
}

class WriterLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mPath = NewDatabase(mFolder);
        WithOpenDatabase(mPath, [&](DataSource& ds) {
            auto line = ds.GetChannelDescriptionList()->Add(DirectChannel, "Line");
            ds.GetReaderDescriptionList()->Add(1, "Gate", line);
            ds.GetUserDescriptionList()->Add("17", "Ann");
        });
    }

    TempFolder mFolder;
    std::string mPath;
};

} // namespace

TEST_F(WriterLockTest, ASecondProcessIsToldWhoWritesTheFileAndMayOpenItReadOnly)
{
    ChildProcess holder({"hold", mPath});
    ASSERT_EQ(holder.ReadLine(), "ready");
    OnFreshThread([&] {
        DataSource ds;
        try {
            ds.OpenDatabase(mPath);
            ADD_FAILURE() << "opened for writing while another process writes";
        } catch (const SiteWriteAccessError& e) {
            EXPECT_EQ(e.Number(), errc::DatabaseInUse);
            EXPECT_EQ(e.Why(), SiteWriteAccessError::Reason::InUse);
            EXPECT_EQ(e.FileName(), mPath);
            EXPECT_EQ(e.Writer().Pid, holder.Pid());
            EXPECT_EQ(e.Writer().Host, ThisHost());
            EXPECT_EQ(e.Writer().Program, "zel_maindata_child");
            EXPECT_EQ(e.Writer().Since.size(), std::string("2024-05-01 10:32:05 +0200").size()) << e.Writer().Since;
            EXPECT_NE(e.Description().find("process " + std::to_string(holder.Pid()) + " on host " + ThisHost()),
                      std::string::npos)
                << e.Description();
        }
        // Nothing is kept of the refused open: the file opens read-only.
        EXPECT_FALSE(ds.GetConnection());
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        EXPECT_TRUE(ds.IsReadOnly());
        EXPECT_NE(ds.ReadOnlyReason().find("open for writing in another program: zel_maindata_child, process " +
                                           std::to_string(holder.Pid())),
                  std::string::npos)
            << ds.ReadOnlyReason();
        EXPECT_EQ(ds.GetUserDescriptionList()->Item("17")->Name(), "Ann");
        EXPECT_EQ(ds.GetReaderDescriptionList()->Count(), 1);
        ExpectEveryWriteRefused(ds, "process " + std::to_string(holder.Pid()));
    });
    EXPECT_EQ(holder.CloseAndWait(), 0);
    EXPECT_EQ(SqliteCli(mPath, "SELECT UserID, Name FROM Users;"), "17|Ann\n");
}

// The lock is the file's, whatever name leads to it: a second writer through another name is
// refused and told who writes, and a read-only open through it says so too.
TEST_F(WriterLockTest, AnotherNameOfTheFileIsRefusedToo)
{
    struct Case {
        const char* What;
        int (*Make)(const char* target, const char* name);
        bool HolderUsesTheOtherName;
    };
    const std::vector<Case> cases{
        {"hard link", ::link, false},
        {"hard link, held through it", ::link, true},
        {"symbolic link", ::symlink, false},
        {"symbolic link, held through it", ::symlink, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TempFolder other;
        const std::string otherName = other.File("other name.mdb");
        ASSERT_EQ(c.Make(mPath.c_str(), otherName.c_str()), 0);
        const std::string& held = c.HolderUsesTheOtherName ? otherName : mPath;
        const std::string& opened = c.HolderUsesTheOtherName ? mPath : otherName;
        ChildProcess holder({"hold", held});
        ASSERT_EQ(holder.ReadLine(), "ready");
        OnFreshThread([&] {
            DataSource ds;
            try {
                ds.OpenDatabase(opened);
                ds.GetUserDescriptionList()->Add("18", "Bo");
                ADD_FAILURE() << "a second writer through another name of the file";
            } catch (const SiteWriteAccessError& e) {
                EXPECT_EQ(e.Number(), errc::DatabaseInUse);
                EXPECT_EQ(e.Writer().Pid, holder.Pid());
                EXPECT_EQ(e.Writer().Program, "zel_maindata_child");
            }
            ds.OpenDatabase(opened, OpenMode::ReadOnly);
            EXPECT_NE(ds.ReadOnlyReason().find("process " + std::to_string(holder.Pid())), std::string::npos)
                << ds.ReadOnlyReason();
        });
        holder.Send("add 19");
        EXPECT_EQ(holder.ReadLine(), "saved 19");
        EXPECT_EQ(holder.CloseAndWait(), 0);
        EXPECT_EQ(SqliteCli(mPath, "SELECT UserID FROM Users ORDER BY ID;"), "17\n19\n");
        SqliteCli(mPath, "DELETE FROM Users WHERE UserID = '19';");
    }
}

// The nightly collection beside a program left open: events are appended while another process
// holds the site and saves its lists, and neither waits for the other to end; the lists stay the
// holder's alone.
TEST_F(WriterLockTest, EventsAreAppendedBesideTheProcessThatWritesTheSite)
{
    auto punch = [](int day) {
        StoredEvent e;
        e.ClockID = 1;
        e.ClockName = "Gate";
        e.TimeStamp = "2026-01-0" + std::to_string(day) + " 08:00:00";
        e.UserID = "17";
        e.UserName = "Ann";
        e.CollectedAt = "2026-02-01 00:00:00";
        return e;
    };
    ChildProcess program({"hold", mPath});
    ASSERT_EQ(program.ReadLine(), "ready");
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::Append);
        EventStore events(ds.GetConnection());
        EXPECT_EQ(events.Add({punch(1)}), 1);
        program.Send("add 18");
        EXPECT_EQ(program.ReadLine(), "saved 18");
        EXPECT_EQ(events.Add({punch(2), punch(3)}), 2);
        ExpectEveryWriteRefused(ds, "open for writing in another program: zel_maindata_child, process " +
                                        std::to_string(program.Pid()));
        EXPECT_EQ(program.CloseAndWait(), 0);

        // The appending connection keeps no writer from starting.
        ChildProcess next({"hold", mPath});
        ASSERT_EQ(next.ReadLine(), "ready");
        EXPECT_EQ(events.Add({punch(4)}), 1);
        next.Send("add 19");
        EXPECT_EQ(next.ReadLine(), "saved 19");
        EXPECT_EQ(next.CloseAndWait(), 0);
    });
    EXPECT_EQ(SqliteCli(mPath, "SELECT UserID FROM Users ORDER BY ID; SELECT count(*) FROM Events;"),
              "17\n18\n19\n4\n");
}

TEST_F(WriterLockTest, TheLockGoesWithTheProcessHoweverItEnds)
{
    {
        ChildProcess holder({"hold", mPath});
        ASSERT_EQ(holder.ReadLine(), "ready");
        std::ifstream lockFile(mPath + ".lock");
        std::string pidLine;
        std::getline(lockFile, pidLine);
        EXPECT_EQ(pidLine, "pid " + std::to_string(holder.Pid()));
        holder.Kill();
    }
    // Killed: its lock file is left behind, but not its lock.
    EXPECT_TRUE(Exists(mPath + ".lock"));
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        EXPECT_FALSE(ds.IsReadOnly());
        ds.GetUserDescriptionList()->Add("18", "Bo");
        std::ifstream lockFile(mPath + ".lock");
        std::string pidLine;
        std::getline(lockFile, pidLine);
        EXPECT_EQ(pidLine, "pid " + std::to_string(::getpid()));
    });
    // Closed: the lock file goes with the lock.
    EXPECT_FALSE(Exists(mPath + ".lock"));
    ChildProcess again({"hold", mPath});
    EXPECT_EQ(again.ReadLine(), "ready");
    EXPECT_EQ(again.CloseAndWait(), 0);
}

TEST_F(WriterLockTest, WhileThisProcessWritesAnotherOneIsRefused)
{
    WithOpenDatabase(mPath, [&](DataSource&) {
        ChildProcess second({"hold", mPath});
        auto line = second.ReadLine();
        EXPECT_EQ(line.rfind("error 3045 ", 0), 0u) << line;
        EXPECT_NE(line.find("process " + std::to_string(::getpid())), std::string::npos) << line;
        EXPECT_NE(second.CloseAndWait(), 0);
    });
}

TEST_F(WriterLockTest, ConnectionsOfOneProcessShareTheLock)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        // The rule is about processes: another thread of this one may write too.
        WithOpenDatabase(mPath, [&](DataSource& other) {
            EXPECT_FALSE(other.IsReadOnly());
            other.GetUserDescriptionList()->Add("20", "Di");
        });
        // The other thread's close did not take the lock away from this one.
        ChildProcess second({"hold", mPath});
        EXPECT_EQ(second.ReadLine().rfind("error 3045 ", 0), 0u);
        second.CloseAndWait();
        ds.GetUserDescriptionList()->Add("21", "Ed");
    });
    EXPECT_EQ(SqliteCli(mPath, "SELECT count(*) FROM Users;"), "3\n");
}

TEST_F(WriterLockTest, AReadOnlyFileOpensReadOnlyWithTheReason)
{
    GiveToOrdinaryUser(mFolder.Path());
    GiveToOrdinaryUser(mPath);
    ::chmod(mPath.c_str(), 0400);
    AsOrdinaryUser([&] {
        DataSource ds;
        try {
            ds.OpenDatabase(mPath);
            ADD_FAILURE() << "opened a read-only file for writing";
        } catch (const SiteWriteAccessError& e) {
            EXPECT_EQ(e.Number(), errc::PermissionDenied);
            EXPECT_EQ(e.Why(), SiteWriteAccessError::Reason::FileReadOnly);
            EXPECT_EQ(e.Detail(), "the file is read-only for this user");
        }
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        EXPECT_EQ(ds.ReadOnlyReason(), "the file is read-only for this user");
        EXPECT_EQ(ds.GetUserDescriptionList()->Count(), 1);
        ExpectEveryWriteRefused(ds, "the file is read-only for this user");
        ds.CloseDatabase();
    });
}

TEST_F(WriterLockTest, AReadOnlyFolderOpensReadOnlyWithTheReasonAlsoForAFileLeftInWalMode)
{
    // A writer that was killed leaves the file in WAL mode; the folder is made read-only after.
    SqliteCli(mPath, "PRAGMA journal_mode = WAL;");
    GiveToOrdinaryUser(mPath);
    GiveToOrdinaryUser(mFolder.Path());
    ::chmod(mFolder.Path().c_str(), 0500);
    AsOrdinaryUser([&] {
        DataSource ds;
        try {
            ds.OpenDatabase(mPath);
            ADD_FAILURE() << "opened a file in a read-only folder for writing";
        } catch (const SiteWriteAccessError& e) {
            EXPECT_EQ(e.Number(), errc::PermissionDenied);
            EXPECT_EQ(e.Why(), SiteWriteAccessError::Reason::FolderReadOnly);
            EXPECT_NE(e.Detail().find("its folder '" + mFolder.Path() + "' is read-only"), std::string::npos)
                << e.Detail();
        }
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        EXPECT_NE(ds.ReadOnlyReason().find("is read-only for this user"), std::string::npos);
        EXPECT_EQ(ds.GetUserDescriptionList()->Item("17")->Name(), "Ann");
        EXPECT_EQ(ds.GetChannelDescriptionList()->Count(), 1);
        ExpectEveryWriteRefused(ds, "its folder");
    });
    ::chmod(mFolder.Path().c_str(), 0700);
}

TEST_F(WriterLockTest, TakingTheWritePermissionAwayMakesTheSiteReadOnlyForEveryUser)
{
    // Also for root, whom permissions do not stop: the marks are what the administrator set.
    ::chmod(mPath.c_str(), 0444);
    OnFreshThread([&] {
        DataSource ds;
        try {
            ds.OpenDatabase(mPath);
            ADD_FAILURE() << "opened a file without write permission for writing";
        } catch (const SiteWriteAccessError& e) {
            EXPECT_EQ(e.Why(), SiteWriteAccessError::Reason::FileReadOnly);
            EXPECT_NE(e.Detail().find("read-only"), std::string::npos) << e.Detail();
        }
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        ExpectEveryWriteRefused(ds, "read-only");
    });
    ::chmod(mPath.c_str(), 0600);
    ::chmod(mFolder.Path().c_str(), 0555);
    OnFreshThread([&] {
        DataSource ds;
        try {
            ds.OpenDatabase(mPath);
            ADD_FAILURE() << "opened a file in a folder without write permission for writing";
        } catch (const SiteWriteAccessError& e) {
            EXPECT_EQ(e.Why(), SiteWriteAccessError::Reason::FolderReadOnly);
            EXPECT_NE(e.Detail().find("its folder"), std::string::npos) << e.Detail();
        }
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        EXPECT_EQ(ds.GetUserDescriptionList()->Count(), 1);
    });
    ::chmod(mFolder.Path().c_str(), 0700);
}
