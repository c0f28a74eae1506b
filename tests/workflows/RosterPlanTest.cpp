// A roster file planned against the site's users, imported in one go, and the site's users
// exported as a roster.
#include "TempSite.h"

#include "zel/Error.h"
#include "zel/workflows/RosterExport.h"
#include "zel/workflows/RosterPlan.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace zel::workflows {
namespace {

class RosterPlanTest : public test::TempSiteTest {
protected:
    RosterPlan Plan(const std::string& bytes) { return PlanRoster(CsvDocument::Parse(bytes, "staff.csv"), *Users()); }

    // "action line user_id name level detail" per entry.
    static std::vector<std::string> Shown(const RosterPlan& plan)
    {
        std::vector<std::string> shown;
        for (const auto& entry : plan.Entries)
            shown.push_back(std::string(RosterActionWord(entry.Action)) + " " + std::to_string(entry.Line) + " " +
                            entry.UserID + " " + entry.Name + " " +
                            (entry.Action == RosterAction::Refused ? "-" : std::to_string(entry.AuthorityLevel)) +
                            (entry.Detail.empty() ? "" : " [" + entry.Detail + "]"));
        return shown;
    }

    std::string HeaderRefusal(const std::string& bytes)
    {
        try {
            Plan(bytes);
        } catch (const zel::Error& error) {
            return error.Description();
        }
        return "(planned)";
    }
};

TEST_F(RosterPlanTest, EveryRowGetsItsActionAndEveryRefusalItsReason)
{
    AddUser("101", "Ann", 3, true);
    AddUser("102", "Bob");
    AddUser("007", "Old Zed");
    AddUser("104", "Dan", 0, true);
    const auto plan = Plan("\xEF\xBB\xBF"
                           "User_ID;NAME;Authority_Level;Dept\r\n"
                           "101;Ann;3;x\r\n"
                           "102;Robert;service;x\r\n"
                           "7;Zed;;x\r\n"
                           "0105;Eve;;x\r\n"
                           "abc;Xi;1;x\r\n"
                           "106;A name that is far too long;1;x\r\n"
                           "107;Gus;Boss;x\r\n"
                           "108;Hal;1;x\r\n"
                           "0108;Hal;1;x\r\n"
                           "109;\"Two\nlines\";1;x\r\n"
                           "110;Ian;1\r\n");
    EXPECT_EQ(plan.Separator, ';');
    EXPECT_EQ(plan.IgnoredColumns, std::vector<std::string>{"Dept"});
    EXPECT_EQ(Shown(plan),
              (std::vector<std::string>{
                  "unchanged 2 101 Ann 3",
                  "change 3 102 Robert 1 [name: Bob -> Robert; level: None -> Service]",
                  "change 4 007 Zed 0 [name: Old Zed -> Zed]",
                  "add 5 105 Eve 0",
                  "refused 6 abc Xi - [the user ID 'abc' is not a number: a clock cannot hold it]",
                  "refused 7 106 A name that is far too long - [User name must be between 1 and 20 characters "
                  "('A name that is far too long' has 27)]",
                  "refused 8 107 Gus - [unknown authority level 'Boss' (0 to 5, or None, Service, Setup, Management, "
                  "Enrollment, Security)]",
                  "refused 9 108 Hal - [the user ID 108 is in the file more than once (lines 9, 10)]",
                  "refused 10 0108 Hal - [the user ID 108 is in the file more than once (lines 9, 10)]",
                  "refused 11 109 Two\nlines - [the name holds a line break or another control character]",
                  "refused 13 110 Ian - [the row has 3 fields, the header 4 (a name with a separator must be in "
                  "quotes)]",
                  "missing 0 104 Dan 0",
              }));
    EXPECT_EQ(plan.Count(RosterAction::Refused), 7u);
    EXPECT_FALSE(plan.CanApply());
    EXPECT_TRUE(plan.Entries.back().Enrolled);
}

TEST_F(RosterPlanTest, AHeaderWithoutTheColumnsIsRefused)
{
    struct Case {
        const char* Bytes;
        const char* Says;
    } cases[] = {
        {"id,name\n1,A\n", "staff.csv, line 1: the header has no user_id column."},
        {"user_id,full name\n1,A\n", "staff.csv, line 1: the header has no name column."},
        {"user_id,name,NAME\n1,A,B\n", "staff.csv, line 1: the header names the column name twice."},
        {"{\"users\": [1, 2]}\n", "staff.csv, line 1: the header has no user_id column."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HeaderRefusal(c.Bytes).substr(0, std::string(c.Says).size()), c.Says);
    EXPECT_NE(HeaderRefusal("id,name\n").find("found: 'id', 'name'"), std::string::npos);
}

TEST_F(RosterPlanTest, ImportsAllAtOnceAndLeavesTemplatesAlone)
{
    AddUser("101", "Ann", 3, true);
    AddUser("102", "Bob", 0, true);
    AddUser("104", "Dan");
    const std::string file = "user_id,name,authority_level\n101,Ann Lee,4\n102,Bob,\n105,Eve,Security\n";

    auto applied = ApplyRoster(Plan(file), *Users(), false);
    EXPECT_EQ(applied.Added, 1u);
    EXPECT_EQ(applied.Changed, 1u);
    EXPECT_EQ(applied.Removed, 0u);
    auto ann = Users()->Item("101");
    EXPECT_EQ(ann->Name(), "Ann Lee");
    EXPECT_EQ(ann->AuthorityLevel(), 4);
    EXPECT_TRUE(ann->Enrolled());
    EXPECT_EQ(ann->Template(), (std::vector<std::uint8_t>{9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(Users()->Item("105")->AuthorityLevel(), 5);
    EXPECT_FALSE(Users()->Item("105")->Enrolled());
    EXPECT_TRUE(Users()->Contains("104")); // kept: not asked to remove

    applied = ApplyRoster(Plan(file), *Users(), true);
    EXPECT_EQ(applied.Added + applied.Changed, 0u);
    EXPECT_EQ(applied.Removed, 1u);
    EXPECT_FALSE(Users()->Contains("104"));

    // What the site holds, read again from the file.
    zel::data::DataSource().ReleaseDatabase();
    zel::data::DataSource().OpenDatabase(mSite);
    auto again = Users()->Item("102");
    EXPECT_TRUE(again->Enrolled());
    EXPECT_EQ(again->Template(), (std::vector<std::uint8_t>{9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(Users()->Count(), 3);
}

TEST_F(RosterPlanTest, APlanWithRefusedRowsWritesNothing)
{
    AddUser("101", "Ann");
    const auto plan = Plan("user_id,name\n102,Bob\nx,Bad\n");
    try {
        ApplyRoster(plan, *Users(), true);
        FAIL() << "applied";
    } catch (const zel::Error& error) {
        EXPECT_EQ(error.Number(), 5);
        EXPECT_EQ(error.Description(),
                  "staff.csv: 1 rows are refused; nothing was written. Put them right and import the file again.");
    }
    EXPECT_EQ(Users()->Count(), 1);
    EXPECT_FALSE(Users()->Contains("102"));
}

TEST_F(RosterPlanTest, AnExportedRosterImportsAsItIs)
{
    AddUser("101", "Lee, Ann", 3, true);
    AddUser("102", " \"Bob\" ");
    AddUser("0103", "Zoë");
    AddUser("104", "=SUM(A1)"); // a spreadsheet would run it: written guarded, read back as it was
    const std::string path = File("users.csv");
    EXPECT_EQ(ExportRoster(path, *Users()), 4u);

    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "user_id,name,authority_level,enrolled\r\n"
                          "101,\"Lee, Ann\",3,yes\r\n"
                          "102,\" \"\"Bob\"\" \",0,no\r\n"
                          "0103,Zoë,0,no\r\n"
                          "104,'=SUM(A1),0,no\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const auto plan = PlanRoster(CsvDocument::Read(path), *Users());
    EXPECT_EQ(plan.Count(RosterAction::Unchanged), 4u);
    EXPECT_EQ(plan.Entries.size(), 4u);
    EXPECT_EQ(plan.IgnoredColumns, std::vector<std::string>{"enrolled"});
}

} // namespace
} // namespace zel::workflows
