// Backups that hold everything: every saved change is in the file itself when the write returns,
// so a plain copy of the file is a backup also while the program runs or after it crashed; and
// DataSource::BackupDatabase writes a consistent copy (mode 0600) while the database is in use.
#include "MainDataTestSupport.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// What a plain copy of the file alone (no journal or log beside it) holds, asked with `sql`.
std::string CopyOfFileAlone(const std::string& path, const std::string& sql)
{
    TempFolder copies;
    std::filesystem::copy_file(path, copies.File("zel.mdb"));
    return SqliteCli(copies.File("zel.mdb"), sql);
}

struct WriteCase {
    const char* What;
    std::function<void(DataSource&)> Write; // done while the site is open, which it stays
    const char* Query;
    const char* Expected;
};

} // namespace

TEST(SiteBackup, EveryWriteIsInTheFileItselfWhenItReturns)
{
    const std::vector<WriteCase> cases{
        {"a user added", [](DataSource& ds) { ds.GetUserDescriptionList()->Add("18", "Bo"); },
         "SELECT UserID, Name FROM Users ORDER BY ID;", "17|Ann\n18|Bo\n"},
        {"a user's change saved",
         [](DataSource& ds) {
             auto users = ds.GetUserDescriptionList();
             users->Item("17")->SetName("Ann Lee");
             users->Save();
         },
         "SELECT Name FROM Users;", "Ann Lee\n"},
        {"a user removed",
         [](DataSource& ds) {
             auto users = ds.GetUserDescriptionList();
             users->Remove("17");
             users->Save();
         },
         "SELECT count(*) FROM Users;", "0\n"},
        {"a clock added",
         [](DataSource& ds) {
             auto line = ds.GetChannelDescriptionList()->Add(DirectChannel, "Line");
             ds.GetReaderDescriptionList()->Add(3, "Gate", line);
         },
         "SELECT Name, ReaderID FROM Readers;", "Gate|3\n"},
        {"events appended",
         [](DataSource& ds) {
             StoredEvent event;
             event.ClockID = 1;
             event.ClockName = "Gate";
             event.TimeStamp = "2026-01-05 08:00:00";
             event.UserID = "17";
             event.CollectedAt = "2026-01-05 09:00:00";
             EventStore(ds.GetConnection()).Add({event});
         },
         "SELECT ClockName, UserID FROM Events;", "Gate|17\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TempFolder folder;
        auto path = NewDatabase(folder);
        WithOpenDatabase(path, [](DataSource& ds) { ds.GetUserDescriptionList()->Add("17", "Ann"); });
        WithOpenDatabase(path, [&](DataSource& ds) {
            c.Write(ds);
            // The program still runs: a copy of the file alone is a backup.
            EXPECT_EQ(CopyOfFileAlone(path, c.Query), c.Expected);
        });
    }
}

TEST(SiteBackup, AfterACrashTheFileAloneHoldsEverySavedChange)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    ChildProcess program({"hold", path});
    ASSERT_EQ(program.ReadLine(), "ready");
    program.Send("add 17");
    ASSERT_EQ(program.ReadLine(), "saved 17");
    program.Send("add 18");
    ASSERT_EQ(program.ReadLine(), "saved 18");
    program.Send("remove 17");
    ASSERT_EQ(program.ReadLine(), "removed 17");
    program.Kill();
    EXPECT_EQ(CopyOfFileAlone(path, "PRAGMA integrity_check; SELECT UserID FROM Users;"), "ok\n18\n");
}

// A file that another program keeps in WAL mode (an earlier version of this one) cannot leave it
// while that program has it open: each write is copied into the file itself at once instead.
TEST(SiteBackup, AFileThatAnotherProgramKeepsInWalModeGetsEveryWriteToo)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    auto ask = [&](const char* sql) {
        std::string answer;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(other, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            answer = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        return answer;
    };
    ASSERT_EQ(ask("PRAGMA journal_mode = WAL"), "wal");
    ASSERT_EQ(ask("SELECT count(*) FROM Users"), "0");
    WithOpenDatabase(path, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Add("17", "Ann");
        EXPECT_EQ(ask("PRAGMA journal_mode"), "wal") << "the other program keeps the file in WAL mode";
        EXPECT_EQ(CopyOfFileAlone(path, "SELECT UserID FROM Users;"), "17\n");
        sqlite3_close_v2(other);
        users->Add("18", "Bo"); // alone now: the file leaves WAL mode
        EXPECT_EQ(CopyOfFileAlone(path, "PRAGMA journal_mode; SELECT UserID FROM Users;"), "delete\n17\n18\n");
    });
}

TEST(SiteBackup, OnCloseTheFileAloneHoldsEveryChange)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    TempFolder copies;
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(path);
        auto users = ds.GetUserDescriptionList();
        for (int i = 1; i <= 50; ++i)
            users->Add(std::to_string(i), "User " + std::to_string(i));
        users->Item("7")->SetName("Seven");
        users->Save();
        ds.CloseDatabase();
        // Only the file, copied as a user would.
        std::filesystem::copy_file(path, copies.File("zel.mdb"));
    });
    EXPECT_FALSE(Exists(path + "-wal") && std::filesystem::file_size(path + "-wal") > 0);
    EXPECT_EQ(SqliteCli(path, "PRAGMA journal_mode;"), "delete\n");
    auto copy = copies.File("zel.mdb");
    EXPECT_EQ(
        SqliteCli(copy,
                  "PRAGMA integrity_check; SELECT count(*) FROM Users; SELECT Name FROM Users WHERE UserID = '7';"),
        "ok\n50\nSeven\n");
}

TEST(SiteBackup, AThreadThatEndsClosesItsConnectionTheSameWay)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    WithOpenDatabase(path, [&](DataSource& ds) { ds.GetUserDescriptionList()->Add("1", "A"); });
    EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"zel.mdb"}));
    TempFolder copies;
    std::filesystem::copy_file(path, copies.File("zel.mdb"));
    EXPECT_EQ(SqliteCli(copies.File("zel.mdb"), "SELECT UserID FROM Users;"), "1\n");
}

TEST(SiteBackup, ABackupWhileInUseHoldsEveryCommittedChangeAndIsTheOwnersOnly)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    TempFolder backups;
    auto backup = backups.File("site backup.mdb");
    WithOpenDatabase(path, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        for (int i = 1; i <= 20; ++i)
            users->Add(std::to_string(i), "User");
        users->Remove("3");
        users->Save();
        users->Item("4")->SetName("Changed, not saved");
        ds.BackupDatabase(backup);
        users->Add("21", "After the backup");

        struct stat info {};
        ASSERT_EQ(::stat(backup.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        EXPECT_EQ(SqliteCli(backup, "PRAGMA integrity_check; PRAGMA journal_mode; SELECT count(*) FROM Users; "
                                    "SELECT Name FROM Users WHERE UserID = '4';"),
                  "ok\ndelete\n19\nUser\n");
    });
    EXPECT_EQ(FilesIn(backups.Path()), (std::vector<std::string>{"site backup.mdb"}));
    // The copy is a site database of its own.
    WithOpenDatabase(backup, [&](DataSource& ds) { EXPECT_EQ(ds.GetUserDescriptionList()->Count(), 19); });
}

TEST(SiteBackup, AnExistingFileIsReplacedOnlyWhenAskedTo)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    auto backup = folder.File("backup.mdb");
    {
        std::ofstream out(backup);
        out << "an older backup";
    }
    WithOpenDatabase(path, [&](DataSource& ds) {
        ds.GetUserDescriptionList()->Add("1", "A");
        EXPECT_EQ(ErrorNumberOf([&] { ds.BackupDatabase(backup); }), errc::FileAlreadyExists);
        EXPECT_EQ(Contents(backup), "an older backup");
        ds.BackupDatabase(backup, true);
        EXPECT_EQ(SqliteCli(backup, "SELECT Name FROM Users;"), "A\n");
        // Never onto the database itself, nor into a folder that is not there.
        EXPECT_EQ(ErrorNumberOf([&] { ds.BackupDatabase(path, true); }), errc::PathFileAccessError);
        EXPECT_NE(ErrorNumberOf([&] { ds.BackupDatabase(folder.File("no/such/folder/b.mdb")); }), 0);
        EXPECT_EQ(ErrorNumberOf([&] { ds.BackupDatabase(""); }), errc::PathFileAccessError);
    });
    EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"backup.mdb", "zel.mdb"}));
}

TEST(SiteBackup, AReadOnlyConnectionBacksUpToo)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    WithOpenDatabase(path, [&](DataSource& ds) { ds.GetUserDescriptionList()->Add("1", "A"); });
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(path, OpenMode::ReadOnly);
        ds.BackupDatabase(folder.File("copy.mdb"));
    });
    EXPECT_EQ(SqliteCli(folder.File("copy.mdb"), "SELECT Name FROM Users;"), "A\n");
}

TEST(SiteBackup, NeedsAnOpenDatabase)
{
    TempFolder folder;
    OnFreshThread([&] {
        EXPECT_EQ(ErrorNumberOf([&] { DataSource().BackupDatabase(folder.File("b.mdb")); }), errc::ObjectNotSet);
    });
    EXPECT_FALSE(Exists(folder.File("b.mdb")));
}
