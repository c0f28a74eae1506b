#include "ReaderFixture.h"

#include "zel/Error.h"
#include "zel/support/DisplayMessageCommand.h"

using namespace zel::support;
using zel::test::FakeVendor;

namespace {

void ExpectRefused(const std::string& message, bool userSpecific, const std::string& userID, const std::string& text)
{
    FakeVendor fake;
    try {
        DisplayMessageCommand().Execute(7, message, userSpecific, userID, kDefaultDisplayDuration);
        FAIL() << "accepted: " << message << " / " << userID;
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), 5);
        EXPECT_EQ(e.Source(), "ZelClock");
        EXPECT_EQ(e.Description(), text);
    }
    EXPECT_EQ(fake.CountOf("zelHereIsDisplayMessage"), 0);
}

} // namespace

TEST(DisplayMessageCommandTest, ChecksComeBeforeAnythingIsSent)
{
    ExpectRefused(std::string(33, 'x'), false, "", "Message cannot be more than 32 characters.");
    ExpectRefused("hi", true, "12a", "User ID can only contain digits.");
    ExpectRefused("hi", true, "12345678901", "User ID must be between 1 and 10 digits.");
    ExpectRefused("hi", true, "", "User ID must be between 1 and 10 digits.");
    // The user ID is checked first.
    ExpectRefused(std::string(40, 'x'), true, "x", "User ID can only contain digits.");
}

TEST(DisplayMessageCommandTest, MessageForEverybody)
{
    FakeVendor fake;
    EXPECT_EQ(DisplayMessageCommand().Execute(7, "Hello", false, "", DisplayDurationEnum::Seconds10_0), 0);
    auto call = fake.CallsTo("zelHereIsDisplayMessage").at(0);
    EXPECT_EQ(call.Args[0], 7);
    const auto& r = call.Data;
    ASSERT_EQ(r.size(), 44u);
    EXPECT_EQ(std::vector<std::uint8_t>(r.begin(), r.begin() + 9),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 20, 0, 0, 0, 0}));
    EXPECT_EQ(std::string(r.begin() + 9, r.begin() + 14), "Hello");
    EXPECT_EQ(std::string(r.begin() + 14, r.begin() + 41), std::string(27, ' '));
    EXPECT_EQ(std::vector<std::uint8_t>(r.begin() + 41, r.end()), (std::vector<std::uint8_t>{0, 0, 0}));
}

TEST(DisplayMessageCommandTest, MessageForOneUser)
{
    FakeVendor fake;
    std::string full(32, 'M');
    DisplayMessageCommand().Execute(7, full, true, "0042", DisplayDurationEnum::Seconds10_0);
    auto r = fake.CallsTo("zelHereIsDisplayMessage").at(0).Data;
    EXPECT_EQ(std::vector<std::uint8_t>(r.begin(), r.begin() + 4), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    auto id = FakeVendor::IdRecord("42");
    EXPECT_TRUE(std::equal(id.begin(), id.end(), r.begin() + 4));
    EXPECT_EQ(std::string(r.begin() + 9, r.begin() + 41), full);
}

TEST(DisplayMessageCommandTest, TextIsSentInTheClockCodePage)
{
    FakeVendor fake;
    // 32 characters, 33 bytes in UTF-8: still fits.
    std::string message = "\xC3\xA9" + std::string(31, 'a');
    DisplayMessageCommand().Execute(7, message, false, "", kDefaultDisplayDuration);
    auto r = fake.CallsTo("zelHereIsDisplayMessage").at(0).Data;
    EXPECT_EQ(r[9], 0xE9);
    EXPECT_EQ(r[4], 6);
}

TEST(DisplayMessageCommandTest, ResultCodeIsRaisedByTheChannel)
{
    FakeVendor fake;
    fake.SetResult("zelHereIsDisplayMessage", 3);
    EXPECT_EQ(DisplayMessageCommand().Execute(7, "x", false, "", kDefaultDisplayDuration), 3);
}
