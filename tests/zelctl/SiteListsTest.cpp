// zelctl's commands that change the site's lists (channels, clocks, users add/set/remove, users
// import-csv and export-csv), run as their own process on a temporary site: the list editors'
// rules and messages, dry runs, exit statuses, and nothing written on any refusal.
#include <gtest/gtest.h>

#include "ZelctlProcess.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <QJsonArray>
#include <QJsonObject>

#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using zel::cli::test::Outcome;
using zel::cli::test::Zelctl;

class SiteListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("zelctl-lists-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        site = (folder / "zel.mdb").string();
        ::setenv("ZEL_SITE", site.c_str(), 1);
        zel::data::DataSource::CreateDatabase(site);
    }

    void TearDown() override { fs::remove_all(folder); }

    // Runs zelctl and expects it to succeed.
    Outcome Ok(const std::vector<std::string>& args)
    {
        auto outcome = Zelctl(args);
        EXPECT_EQ(outcome.Status, 0) << args.front() << ": " << outcome.Err;
        return outcome;
    }

    // What the site holds, as zelctl lists it (JSON rows as compact text, in list order).
    std::string Listed(const char* list)
    {
        std::string shown;
        for (const auto& row : Zelctl({list, "--format", "json"}).Json()) {
            auto object = row.toObject();
            object.remove("id");
            if (object.contains("erasure") && object.value("erasure").isNull())
                object.remove("erasure"); // the users list's column, null while no erasure is pending
            shown += QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
        }
        return shown;
    }

    std::string Everything() { return Listed("channels") + Listed("clocks") + Listed("users"); }

    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // A small site: two channels, a clock, three users.
    void MakeSite()
    {
        Ok({"channels", "add", "Line A", "--type", "ethernet", "--address", "127.0.0.1", "--port", "3001"});
        Ok({"channels", "add", "Line B", "--type", "direct", "--com-port", "2", "--bit-rate", "19200"});
        Ok({"clocks", "add", "Front", "--reader-id", "1", "--channel", "line a", "--location", "Hall"});
        Ok({"users", "add", "101", "Ann", "--level", "3"});
        Ok({"users", "add", "102", "Bob"});
        Ok({"users", "add", "0103", "Cy", "--level", "security"});
    }

    fs::path folder;
    std::string site;
};

TEST_F(SiteListsTest, ANewSiteIsSetUpEndToEndWithoutTheProgram)
{
    MakeSite();
    const auto roster = WriteFile("staff.csv", "user_id;name;authority_level\r\n101;Ann Lee;3\r\n104;Dee;Setup\r\n");
    auto plan = Ok({"users", "import-csv", roster, "--yes", "--format", "json"});
    EXPECT_NE(plan.Err.find("imported " + roster + ": 1 added, 1 changed, 0 removed."), std::string::npos) << plan.Err;

    EXPECT_EQ(Listed("channels"),
              "{\"address\":\"127.0.0.1\",\"bit_rate\":null,\"com_port\":null,\"name\":\"Line A\",\"port\":3001,"
              "\"type\":\"ethernet\"}\n"
              "{\"address\":null,\"bit_rate\":19200,\"com_port\":2,\"name\":\"Line B\",\"port\":null,"
              "\"type\":\"direct\"}\n");
    EXPECT_EQ(Listed("clocks"), "{\"channel\":\"Line A\",\"channel_id\":1,\"location\":\"Hall\",\"name\":\"Front\","
                                "\"reader_id\":1,\"time_zone\":null}\n");
    EXPECT_EQ(Listed("users"), "{\"authority_level\":3,\"enrolled\":false,\"name\":\"Ann Lee\",\"user_id\":\"101\"}\n"
                               "{\"authority_level\":0,\"enrolled\":false,\"name\":\"Bob\",\"user_id\":\"102\"}\n"
                               "{\"authority_level\":5,\"enrolled\":false,\"name\":\"Cy\",\"user_id\":\"103\"}\n"
                               "{\"authority_level\":2,\"enrolled\":false,\"name\":\"Dee\",\"user_id\":\"104\"}\n");
}

TEST_F(SiteListsTest, TheEditorsRulesRefuseInTheirWordsAndNothingIsWritten)
{
    MakeSite();
    const std::string before = Everything();
    struct Case {
        std::vector<std::string> Args;
        int Status;
        const char* Says;
    } cases[] = {
        {{"channels", "add", "Gate", "--type", "ethernet", "--address", "10.0.0.1", "--port", "0"},
         2,
         "The IP Port must be between 1 and 65535."},
        {{"channels", "add", "Gate", "--type", "ethernet", "--port", "3001"}, 2, "The IP Address cannot be empty."},
        {{"channels", "add", "Gate", "--type", "ethernet", "--address", "10.0.0.1"},
         2,
         "The IP Port must be a whole number between 1 and 65535."},
        {{"channels", "add", "Gate", "--type", "direct", "--com-port", "9"}, 2, "Invalid port number"},
        {{"channels", "add", "Gate", "--type", "direct", "--bit-rate", "2400"}, 2, "Invalid bit rate."},
        {{"channels", "add", "Gate", "--type", "direct", "--phone", "5"}, 2, "does not apply to a direct serial"},
        {{"channels", "add", "Dial", "--type", "modem"}, 2, "A modem channel needs a phone number."},
        {{"channels", "add", "LINE A", "--type", "modem", "--phone", "5"},
         2,
         "A Channel with that name already exists."},
        {{"channels", "add", "Gate", "--type", "fibre"}, 2, "--type must be ethernet, direct or modem"},
        {{"channels", "set", "Line A", "--name", "Line B"}, 2, "A Channel with that name already exists."},
        {{"channels", "set", "Nowhere", "--port", "1"}, 2, "the site has no channel named 'Nowhere'"},
        {{"clocks", "add", "Gate", "--reader-id", "256", "--channel", "Line A"},
         2,
         "Reader ID must be between 0 and 255."},
        {{"clocks", "add", "Gate", "--reader-id", "x", "--channel", "Line A"},
         2,
         "Reader ID must be a whole number between 0 and 255."},
        {{"clocks", "add", "Gate", "--reader-id", "5"}, 2, "A Channel must be selected."},
        {{"clocks", "add", "FRONT", "--reader-id", "5", "--channel", "Line A"},
         2,
         "A clock with that name already exists."},
        {{"clocks", "set", "Front", "--name", "A name over twenty ch"},
         2,
         "Reader name must be between 1 and 20 characters."},
        {{"users", "add", "12345678901", "Ann"}, 2, "User ID must be between 1 and 10 digits."},
        {{"users", "add", "7", "Ann", "--level", "Boss"}, 2, "Invalid user authority level."},
        {{"users", "add", "0101", "Ann"}, 2, "The User ID already exists."},
        {{"users", "set", "101", "--name", "Bob"}, 2, "The User Name already exists."},
        {{"users", "set", "101", "--new-id", "102"}, 2, "New User ID already exists."},
        {{"users", "set", "999", "--name", "X"}, 2, "the site has no user with ID '999'"},
        {{"users", "delete", "999"}, 2, "the site has no user with ID '999'"},
        {{"users", "add", "8", "Ann", "--reader-id", "1"}, 2, "option --reader-id does not apply"},
    };
    for (const auto& c : cases) {
        const auto outcome = Zelctl(c.Args);
        EXPECT_EQ(outcome.Status, c.Status) << c.Says;
        EXPECT_NE(outcome.Err.find(c.Says), std::string::npos) << outcome.Err;
        EXPECT_TRUE(outcome.Out.empty()) << outcome.Out;
    }
    EXPECT_EQ(Everything(), before);
}

TEST_F(SiteListsTest, SetAndRemoveChangeWhatIsAsked)
{
    MakeSite();
    Ok({"channels", "set", "Line A", "--port", "4000"});
    Ok({"clocks", "set", "Front", "--reader-id", "7", "--channel", "Line B"});
    Ok({"users", "set", "101", "--level", "Management", "--new-id", "0111"});
    auto deleted = Ok({"users", "delete", "102", "0103", "--format", "json"}); // 0103 is 103 to a clock
    EXPECT_EQ(deleted.Json().size(), 2);
    EXPECT_EQ(deleted.Json().at(0).toObject().value("action").toString(), "deleted");
    auto removed = Ok({"channels", "remove", "Line B"});
    EXPECT_NE(removed.Err.find("the clock 'Front' named the channel 'Line B'"), std::string::npos) << removed.Err;

    EXPECT_EQ(Listed("channels"), "{\"address\":\"127.0.0.1\",\"bit_rate\":null,\"com_port\":null,\"name\":\"Line "
                                  "A\",\"port\":4000,\"type\":\"ethernet\"}\n");
    EXPECT_EQ(Listed("clocks"),
              "{\"channel\":null,\"channel_id\":2,\"location\":\"Hall\",\"name\":\"Front\",\"reader_id\":7,"
              "\"time_zone\":null}\n");
    EXPECT_EQ(Listed("users"), "{\"authority_level\":3,\"enrolled\":false,\"name\":\"Ann\",\"user_id\":\"111\"}\n");
    Ok({"clocks", "remove", "Front"});
    EXPECT_EQ(Listed("clocks"), "");
}

TEST_F(SiteListsTest, ADryRunWritesNothingAndWorksBesideTheSitesWriter)
{
    MakeSite();
    const std::string before = Everything();
    const auto roster = WriteFile("staff.csv", "user_id,name\n101,Ann\n105,Eve\n");
    // Another program writes the site meanwhile (here: a thread of this one, holding it open).
    std::promise<void> opened, done;
    std::thread holder([&] {
        zel::data::DataSource().OpenDatabase(site);
        opened.set_value();
        done.get_future().wait();
        zel::data::DataSource().CloseDatabase();
    });
    opened.get_future().wait();

    auto dry = Ok({"channels", "add", "Gate", "--type", "direct", "--dry-run", "--format", "json"});
    EXPECT_EQ(dry.Json().at(0).toObject().value("action").toString(), "would add");
    EXPECT_TRUE(dry.Json().at(0).toObject().value("id").isNull());
    auto plan = Ok({"users", "import-csv", roster, "--remove-missing"});
    EXPECT_NE(plan.Out.find("add"), std::string::npos);
    EXPECT_NE(plan.Err.find("nothing was written; give --yes to import."), std::string::npos) << plan.Err;

    for (const auto& args : std::vector<std::vector<std::string>>{{"channels", "add", "Gate", "--type", "direct"},
                                                                  {"users", "import-csv", roster, "--yes"}}) {
        auto refused = Zelctl(args);
        EXPECT_EQ(refused.Status, 3);
        EXPECT_NE(refused.Err.find("open for writing"), std::string::npos) << refused.Err;
    }
    done.set_value();
    holder.join();
    EXPECT_EQ(Everything(), before);
}

TEST_F(SiteListsTest, ARosterThatCannotBeReadSaysWhatAndWhereAndWritesNothing)
{
    MakeSite();
    const std::string before = Everything();
    std::string bad = "user_id,name,authority_level\n";
    for (int i = 0; i < 1000; ++i)
        bad += "id" + std::to_string(i) + ",Person,9\n";
    struct Case {
        std::string File;
        int Status;
        std::string Says;
    } cases[] = {
        {WriteFile("binary.csv", std::string("\x7F"
                                             "ELF\0\0\0",
                                             7)),
         2, "is not a text file: it holds a NUL byte"},
        {WriteFile("empty.csv", ""), 2, "is empty: it has no header line."},
        {WriteFile("latin1.csv", "user_id,name\n1,M\xFCller\n"), 2, ", line 2: the text is not UTF-8 (byte 0xFC)"},
        {WriteFile("notes.txt", "Dear all,\nplease find the list attached.\n"), 2,
         ", line 1: the header has no user_id column."},
        {WriteFile("bad.csv", bad), 1, "bad.csv, line 1001: the user ID 'id999' is not a number"},
        {(folder / "missing.csv").string(), 2, "Cannot read " + (folder / "missing.csv").string()},
    };
    for (const auto& c : cases) {
        const auto outcome = Zelctl({"users", "import-csv", c.File, "--yes", "--remove-missing"});
        EXPECT_EQ(outcome.Status, c.Status) << c.File;
        EXPECT_NE(outcome.Err.find(c.Says), std::string::npos) << outcome.Err.substr(0, 400);
        EXPECT_NE(outcome.Err.find("nothing was written"), std::string::npos) << c.File;
    }
    EXPECT_EQ(Everything(), before);

    auto down = Zelctl({"--site", "postgresql://zel@127.0.0.1:1/zel", "users", "import-csv",
                        WriteFile("ok.csv", "user_id,name\n1,A\n"), "--yes"});
    EXPECT_EQ(down.Status, 3);
    EXPECT_NE(down.Err.find("postgresql://zel@127.0.0.1:1/zel"), std::string::npos) << down.Err;
}

TEST_F(SiteListsTest, TheExportIsAFileOfTheOwnerOnlyThatImportsUnchanged)
{
    MakeSite();
    const std::string path = (folder / "users.csv").string();
    auto exported = Ok({"users", "export-csv", "-o", path});
    EXPECT_NE(exported.Err.find("3 users written to " + path), std::string::npos);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), Ok({"users", "export-csv"}).Out);
    EXPECT_EQ(text.str().substr(0, text.str().find('\r')), "user_id,name,authority_level,enrolled");

    auto plan = Ok({"users", "import-csv", path, "--dry-run", "--format", "json"});
    EXPECT_EQ(plan.Json().size(), 0);
    EXPECT_NE(plan.Err.find("0 to add, 0 to change, 3 unchanged, 0 refused, 0 of the site not in the file"),
              std::string::npos)
        << plan.Err;
    EXPECT_NE(plan.Err.find("dry run: nothing was written."), std::string::npos);
}

} // namespace
