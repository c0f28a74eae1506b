// Backups that hold everything: the write-ahead log is folded into the file on close, and
// DataSource::BackupDatabase writes a consistent copy (mode 0600) while the database is in use.
#include "MainDataTestSupport.h"

#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

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

} // namespace

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
