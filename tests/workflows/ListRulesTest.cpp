// The list editors' rules and messages, as the program's editors and zelctl ask them.
#include "TempSite.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/workflows/ListRules.h"

#include <gtest/gtest.h>

namespace zel::workflows {
namespace {

using test::TempSiteTest;

// The refusal's words, "" when the values pass.
std::string Said(const std::optional<Refusal>& refusal)
{
    return refusal ? refusal->Message : std::string();
}

TEST(ListRulesTest, UserFieldsInTheEditorsOrder)
{
    const std::string twenty = "Ärztin Müller-Lüdens"; // 20 characters, more bytes
    struct Case {
        const char* ID;
        std::string Name;
        std::int32_t Level;
        const char* Said;
    } cases[] = {
        {"", "", -1, "User ID must be between 1 and 10 digits."},
        {"12345678901", "Ann", 0, "User ID must be between 1 and 10 digits."},
        {"000", "Ann", 0, "User ID 0 names no user: choose a number from 1 to 9999999999."},
        {"1234567890", "", 0, "User name must be between 1 and 20 characters."},
        {"7", twenty + "x", 0, "User name must be between 1 and 20 characters."},
        {"7", "Ann", -1, "Invalid user authority level."},
        {"7", twenty, 5, ""},
        {"A7", "Ann", 0, ""}, // the editor tests lengths only
    };
    for (const auto& c : cases)
        EXPECT_EQ(Said(CheckUserFields(c.ID, c.Name, c.Level)), c.Said) << c.ID << " " << c.Name;
}

TEST(ListRulesTest, ClockFieldsInTheEditorsOrder)
{
    struct Case {
        const char* ReaderID;
        const char* Name;
        std::int32_t Channel;
        const char* Said;
    } cases[] = {
        {"256", "", -1, "Reader ID must be between 0 and 255."},
        {"-1", "Gate", 1, "Reader ID must be between 0 and 255."},
        {"", "Gate", 1, "Reader ID must be a whole number between 0 and 255."},
        {"1.5", "Gate", 1, "Reader ID must be a whole number between 0 and 255."},
        {"abc", "Gate", 1, "Reader ID must be a whole number between 0 and 255."},
        {"5", "", 1, "Reader name must be between 1 and 20 characters."},
        {"5", "A name over twenty ch", 1, "Reader name must be between 1 and 20 characters."},
        {"5", "Gate", -1, "A Channel must be selected."},
        {" 255 ", "Gate", 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Said(CheckClockFields(c.ReaderID, c.Name, c.Channel).Refused), c.Said) << c.ReaderID;
    EXPECT_EQ(CheckClockFields("255", "Gate", 0).ReaderID, 255);
}

TEST(ListRulesTest, ChannelFieldsAndTheirBoxes)
{
    using zel::data::DirectChannel;
    using zel::data::EthernetChannel;
    using zel::data::ModemChannel;
    const auto none = std::optional<std::int64_t>();
    struct Case {
        zel::data::ChannelTypeEnum Type;
        const char* Name;
        const char* Phone;
        const char* Address;
        std::optional<std::int64_t> Port;
        const char* Said;
        const char* Title;
        bool Silent;
    } cases[] = {
        {EthernetChannel, "", "", "10.0.0.1", 3001, "Channel name cannot be empty.", "", true},
        {EthernetChannel, "Gate", "", "", 3001, "The IP Address cannot be empty.", "No IP Address", false},
        {EthernetChannel, "Gate", "", "10.0.0.1", none, "The IP Port must be a whole number between 1 and 65535.",
         "Invalid IP Port", false},
        {EthernetChannel, "Gate", "", "10.0.0.1", 0, "The IP Port must be between 1 and 65535.", "Invalid IP Port",
         false},
        {EthernetChannel, "Gate", "", "10.0.0.1", 65535, "", "", false},
        {ModemChannel, "Dial", "", "", none, "A modem channel needs a phone number.", "", true},
        {ModemChannel, "Dial", "555 0142", "", none, "", "", false},
        {DirectChannel, "Line", "", "", none, "", "", false},
    };
    for (const auto& c : cases) {
        const auto refusal = CheckChannelFields(c.Type, c.Name, c.Phone, c.Address, c.Port);
        EXPECT_EQ(Said(refusal), c.Said) << c.Name;
        if (refusal) {
            EXPECT_EQ(refusal->Title, c.Title);
            EXPECT_EQ(refusal->Silent, c.Silent);
            EXPECT_EQ(refusal->Exclamation, !std::string(c.Title).empty());
        }
    }
    EXPECT_EQ(Said(CheckSerialFields(8, 28800)), "");
    EXPECT_EQ(Said(CheckSerialFields(9, 9600)), "Invalid port number");
    EXPECT_EQ(Said(CheckSerialFields(0, 9600)), "Invalid port number");
    EXPECT_EQ(Said(CheckSerialFields(1, 2400)), "Invalid bit rate.");
}

TEST(ListRulesTest, NumbersAndLevelsAsTyped)
{
    EXPECT_EQ(WholeNumber(" 42 "), 42);
    EXPECT_EQ(WholeNumber("99999999999"), 2147483647);
    for (const char* text : {"", " ", "-1", "+1", "1.0", "4 2", "x"})
        EXPECT_FALSE(WholeNumber(text)) << text;
    EXPECT_EQ(LeadingNumber("  -3abc"), -3.0);
    EXPECT_EQ(LeadingNumber("2.5x"), 2.5);
    EXPECT_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_EQ(AuthorityLevelFromText("3"), 3);
    EXPECT_EQ(AuthorityLevelFromText(" security "), 5);
    EXPECT_EQ(AuthorityLevelFromText("None"), 0);
    for (const char* text : {"", "6", "-1", "Boss", "Manager"})
        EXPECT_FALSE(AuthorityLevelFromText(text)) << text;
}

class ListKeysTest : public TempSiteTest {};

TEST_F(ListKeysTest, UserIDsAndNamesAgainstTheList)
{
    auto older = AddUser("007", "Zed"); // a row of an older site: 7 to a clock
    auto bob = AddUser("12", "Bob");
    const auto users = Users();
    struct Case {
        const zel::data::UserDescription* Editing;
        const char* Typed;
        const char* Name;
        const char* Said;
        const char* Store;
    } cases[] = {
        {nullptr, "12", "New", "The User ID already exists.", "12"},
        {nullptr, "7", "New", "The User ID already exists.", "7"},
        {nullptr, "0013", "New", "", "13"},
        {bob.get(), "12", "Zed", "The User Name already exists.", "12"},
        {bob.get(), "7", "Bob", "The User ID already exists.", "7"},
        {bob.get(), "012", "Bob", "", "12"},
        {older.get(), "007", "Zed", "", "007"},
        {older.get(), "12", "Zed", "", "12"}, // taken exactly: the list refuses it itself
    };
    for (const auto& c : cases) {
        const auto keys = CheckUserKeys(*users, c.Editing, c.Typed, c.Name);
        EXPECT_EQ(Said(keys.Refused), c.Said) << c.Typed;
        EXPECT_EQ(keys.Store, c.Store) << c.Typed;
        if (keys.Refused) {
            EXPECT_EQ(keys.Refused->Title, "User ID Already Exists");
            EXPECT_TRUE(keys.Refused->Exclamation);
        }
    }
}

TEST_F(ListKeysTest, ClockAndChannelNamesAgainstTheirLists)
{
    zel::data::DataSource data;
    auto channels = data.GetChannelDescriptionList();
    auto line = channels->Add(zel::data::DirectChannel, "Line A");
    channels->Add(zel::data::DirectChannel, "Line B");
    auto clocks = data.GetReaderDescriptionList();
    auto gate = clocks->Add(1, "Gate", line);
    clocks->Add(2, "Door", line);

    EXPECT_EQ(Said(CheckClockName(*clocks, nullptr, "GATE")), "A clock with that name already exists.");
    EXPECT_EQ(CheckClockName(*clocks, nullptr, "GATE")->Title, "Clock Name Already Exists");
    EXPECT_EQ(Said(CheckClockName(*clocks, gate.get(), "Gate")), "");
    EXPECT_EQ(Said(CheckClockName(*clocks, gate.get(), "door")), "A clock with that name already exists.");
    EXPECT_EQ(Said(CheckClockName(*clocks, nullptr, "Hall")), "");

    EXPECT_EQ(Said(CheckChannelName(*channels, nullptr, "line b")), "A Channel with that name already exists.");
    EXPECT_EQ(CheckChannelName(*channels, nullptr, "line b")->Title, "Channel Name Already Exists");
    EXPECT_EQ(Said(CheckChannelName(*channels, line.get(), "Line A")), "");
    EXPECT_EQ(Said(CheckChannelName(*channels, line.get(), "Line B")), "A Channel with that name already exists.");
}

} // namespace
} // namespace zel::workflows
