#include "ReaderFixture.h"

#include "zel/Error.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/TimeZoneTable.h"
#include "zel/support/User.h"

using namespace zel::support;
using zel::test::FakeVendor;

namespace {

std::shared_ptr<User> Sample()
{
    auto user = std::make_shared<User>();
    user->SetID("42");
    user->SetAuthorityLevel(UserAuthorityLevel::Management);
    user->SetRejectThreshold(120);
    user->SetTimeZone(3);
    user->SetTemplate({1, 2, 3, 4, 5, 6, 7, 8, 9});
    return user;
}

} // namespace

TEST(UserTest, NewUserIsAllZero)
{
    FakeVendor fake;
    User user;
    EXPECT_EQ(user.ID(), "");
    EXPECT_EQ(user.AuthorityLevel(), UserAuthorityLevel::None);
    EXPECT_EQ(user.RejectThreshold(), 0);
    EXPECT_EQ(user.TimeZone(), 0);
    EXPECT_EQ(user.Template(), std::vector<std::uint8_t>(9, 0));
    user.SetID("1");
    auto record = user.ToRecord();
    EXPECT_TRUE(std::all_of(record.begin() + 5, record.end(), [](auto b) { return b == 0; }));
}

TEST(UserTest, RecordBytes)
{
    FakeVendor fake;
    auto record = Sample()->ToRecord();
    auto id = FakeVendor::IdRecord("42");
    EXPECT_TRUE(std::equal(id.begin(), id.end(), record.begin()));
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 5, record.begin() + 14),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(record[14], 0);
    EXPECT_EQ(record[15], 0);
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 16, record.end()),
              (std::vector<std::uint8_t>{3, 0, 0, 0, 0x78, 0, 3, 0}));

    std::array<std::uint8_t, 16> slot{};
    Sample()->AppendToReaderBuffer(slot);
    EXPECT_TRUE(std::equal(slot.begin(), slot.end(), record.begin()));
    std::array<std::uint8_t, 16> vt9Slot{};
    Sample()->AppendToVT9ReaderBuffer(vt9Slot);
    EXPECT_EQ(slot, vt9Slot);
}

TEST(UserTest, NegativeThresholdAndHighLevelsSurviveTheRecord)
{
    FakeVendor fake;
    auto user = Sample();
    user->SetRejectThreshold(-2);
    user->SetTimeZone(255);
    User copy;
    copy.FromRecord(user->ToRecord());
    EXPECT_EQ(copy.RejectThreshold(), -2);
    EXPECT_EQ(copy.TimeZone(), 255);
    EXPECT_EQ(copy.ID(), "42");
    EXPECT_EQ(copy.AuthorityLevel(), UserAuthorityLevel::Management);
}

TEST(UserTest, IDsLoseTheirLeadingZeros)
{
    FakeVendor fake;
    User user;
    UserRecord record{};
    auto id = FakeVendor::IdRecord("0000000042");
    std::copy(id.begin(), id.end(), record.begin());
    user.FromRecord(record);
    EXPECT_EQ(user.ID(), "42");
    user.SetID("007");
    User copy;
    copy.FromRecord(user.ToRecord());
    EXPECT_EQ(copy.ID(), "7");
    copy.FromRecord(UserRecord{});
    EXPECT_EQ(copy.ID(), "");
    user.SetID("9999999999"); // larger than a 32-bit number
    copy.FromRecord(user.ToRecord());
    EXPECT_EQ(copy.ID(), "9999999999");
}

TEST(UserTest, ToRecordTakesEveryIDOfOneToTenDigits)
{
    FakeVendor fake;
    for (const char* id : {"0", "7", "007", "42", "9999999999", "0000000001"}) {
        User user;
        user.SetID(id);
        auto record = user.ToRecord();
        auto expected = FakeVendor::IdRecord(id);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), record.begin())) << id;
    }
}

TEST(UserTest, TemplateWriteNeedsNineBytesAndCopiesOnlyNine)
{
    User user;
    try {
        user.SetTemplate({1, 2, 3, 4, 5, 6, 7, 8});
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), 5);
        EXPECT_EQ(e.Source(), "ZelClock");
    }
    EXPECT_EQ(user.Template(), std::vector<std::uint8_t>(9, 0));
    user.SetTemplate({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(user.Template(), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    auto copy = user.Template();
    copy[0] = 99;
    EXPECT_EQ(user.Template()[0], 1);
}

TEST(ExtendedUserTest, NameIsNotKept)
{
    ExtendedUser user;
    user.SetName("Anna Smith");
    EXPECT_EQ(user.Name(), "");
}

TEST(ExtendedUserTest, PropertiesGoToTheInnerUser)
{
    FakeVendor fake;
    ExtendedUser user;
    user.SetID("5");
    user.SetAuthorityLevel(UserAuthorityLevel::Security);
    EXPECT_EQ(user.InnerUser()->ID(), "5");
    auto record = user.ToExtRecord();
    EXPECT_EQ(record[16], 5);
    ExtendedUser copy;
    copy.FromExtRecord(record);
    EXPECT_EQ(copy.ID(), "5");
    EXPECT_EQ(copy.AuthorityLevel(), UserAuthorityLevel::Security);
}

class UserSendTest : public zel::test::ReaderFixture {};

TEST_F(UserSendTest, ExtendedUserToABaseReaderSendsTheBaseRecord)
{
    MakeReader(1);
    auto user = std::make_shared<ExtendedUser>();
    user->SetID("42");
    Rdr->SendUser(user);
    auto sent = Fake.CallsTo("zelHereIsUserRecord");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Data.size(), 24u);
    EXPECT_EQ(Fake.CountOf("zelHereIsExtUserRecord"), 0);
}

// An IUser of the caller's own that is not a visitor is removed by its ID.
class PlainUser : public IUser {
public:
    std::string ID() const override { return "77"; }
    void SetID(const std::string&) override {}
    UserAuthorityLevel AuthorityLevel() const override { return UserAuthorityLevel::None; }
    void SetAuthorityLevel(UserAuthorityLevel) override {}
    std::int16_t RejectThreshold() const override { return 0; }
    void SetRejectThreshold(std::int16_t) override {}
    std::uint8_t TimeZone() const override { return 0; }
    void SetTimeZone(std::uint8_t) override {}
    std::vector<std::uint8_t> Template() const override { return std::vector<std::uint8_t>(9); }
    void SetTemplate(const std::vector<std::uint8_t>&) override {}
};

TEST_F(UserSendTest, RemoveWorksForAnyIUser)
{
    MakeReader(1);
    Rdr->RemoveUser(std::make_shared<PlainUser>());
    auto removed = Fake.CallsTo("zelRemoveUserRecord");
    ASSERT_EQ(removed.size(), 1u);
    auto id = FakeVendor::IdRecord("77");
    EXPECT_EQ(removed[0].Data, std::vector<std::uint8_t>(id.begin(), id.end()));
    EXPECT_THROW(Rdr->RemoveUser(nullptr), zel::Error);
    EXPECT_THROW(Rdr->SendUser(nullptr), zel::Error);
}

// --- user IDs that are not 1 to 10 digits are refused before anything reaches the clock ---

namespace {

constexpr const char* kLengthText = "User ID must be between 1 and 10 digits.";
constexpr const char* kDigitsText = "User ID can only contain digits.";

struct BadID {
    std::string ID;
    std::string Text;
};

const std::vector<BadID>& BadIDs()
{
    static const std::vector<BadID> ids = {
        {"", kLengthText},
        {"12345678901", kLengthText},
        {"00000000001", kLengthText}, // leading zeros count
        {"12a", kDigitsText},
        {" 42", kDigitsText},
        {"42 ", kDigitsText},
        {"-1", kDigitsText},
        {"4.2", kDigitsText},
        {"\xEF\xBC\x91\xEF\xBC\x92", kDigitsText}, // two full-width digits: two characters, not digits
    };
    return ids;
}

template <class Action> void ExpectRefused(const BadID& bad, Action&& action)
{
    try {
        action();
        ADD_FAILURE() << "accepted the ID \"" << bad.ID << "\"";
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), 5) << bad.ID;
        EXPECT_EQ(e.Source(), "ZelClock") << bad.ID;
        EXPECT_EQ(e.Description(), bad.Text) << bad.ID;
    }
}

std::shared_ptr<ExtendedUser> GoodUser(const std::string& id)
{
    auto user = std::make_shared<ExtendedUser>();
    user->SetID(id);
    user->SetTemplate({1, 2, 3, 4, 5, 6, 7, 8, 9});
    return user;
}

} // namespace

TEST(UserIDCheckTest, RecordsAndSlotsAreRefusedWithoutCallingTheLibrary)
{
    FakeVendor fake;
    for (const auto& bad : BadIDs()) {
        User user;
        user.SetID(bad.ID);
        ExtendedUser extended;
        extended.SetID(bad.ID);
        std::array<std::uint8_t, 16> slot{};
        ExpectRefused(bad, [&] { user.ToRecord(); });
        ExpectRefused(bad, [&] { user.AppendToReaderBuffer(slot); });
        ExpectRefused(bad, [&] { user.AppendToVT9ReaderBuffer(slot); });
        ExpectRefused(bad, [&] { extended.ToExtRecord(); });
        ExpectRefused(bad, [&] { extended.AppendToVT9ReaderBuffer(slot); });
        EXPECT_EQ(slot, (std::array<std::uint8_t, 16>{}));
    }
    EXPECT_TRUE(fake.Calls.empty()) << fake.Calls.front().Name;
}

// Every entry point, on both clock models (1 = base, 2 = newer).
class UserIDCheckOnAReaderTest : public zel::test::ReaderFixture, public ::testing::WithParamInterface<std::uint8_t> {
protected:
    void SetUp() override { MakeReader(GetParam()); }

    void ExpectNothingSent(const BadID& bad)
    {
        EXPECT_TRUE(Fake.Calls.empty()) << "\"" << bad.ID << "\" reached " << Fake.Calls.front().Name;
        Fake.ClearCalls();
    }
};

TEST_P(UserIDCheckOnAReaderTest, SendUserRefusesBothUserClasses)
{
    for (const auto& bad : BadIDs()) {
        auto user = std::make_shared<User>();
        user->SetID(bad.ID);
        ExpectRefused(bad, [&] { Rdr->SendUser(user); });
        ExpectNothingSent(bad);
        ExpectRefused(bad, [&] { Rdr->SendUser(GoodUser(bad.ID)); });
        ExpectNothingSent(bad);
    }
    // A good user still goes out; a visitor that is no user (a time-zone table) is not checked.
    Rdr->SendUser(GoodUser("42"));
    EXPECT_EQ(Fake.CountOf("zelHereIsUserRecord") + Fake.CountOf("zelHereIsExtUserRecord"), 1);
    EXPECT_NO_THROW(Rdr->SendUser(std::make_shared<TimeZoneTable>()));
}

TEST_P(UserIDCheckOnAReaderTest, SendUserListSendsNoBankWhenOneUserIsBad)
{
    for (const auto& bad : BadIDs()) {
        VisitorList list = {GoodUser("1"), GoodUser(bad.ID), GoodUser("3")};
        ExpectRefused(bad, [&] { Rdr->SendUserList(list); });
        ExpectNothingSent(bad);
    }
    Rdr->SendUserList({GoodUser("1"), GoodUser("3")});
    EXPECT_EQ(Fake.CountOf("zelSetDataBank"), 1);
}

TEST_P(UserIDCheckOnAReaderTest, EnrollUserStartsNoEnrollment)
{
    for (const auto& bad : BadIDs()) {
        ExpectRefused(bad, [&] { Rdr->EnrollUser(bad.ID, UserAuthorityLevel::None); });
        ExpectNothingSent(bad);
    }
}

TEST_P(UserIDCheckOnAReaderTest, UserEnrollOnTheChannelStartsNoEnrollment)
{
    for (const auto& bad : BadIDs()) {
        User user;
        ExpectRefused(bad, [&] { user.Enroll(bad.ID, UserAuthorityLevel::None, *Chan, nullptr); });
        ExpectNothingSent(bad);
        ExtendedUser extended;
        extended.SetID("5");
        ExpectRefused(bad, [&] { extended.Enroll(bad.ID, "Anna", UserAuthorityLevel::None, *Chan, nullptr); });
        ExpectNothingSent(bad);
        EXPECT_EQ(extended.ID(), "5"); // the user is left as it was
    }
}

INSTANTIATE_TEST_SUITE_P(BothModels, UserIDCheckOnAReaderTest, ::testing::Values(std::uint8_t{1}, std::uint8_t{2}),
                         [](const ::testing::TestParamInfo<std::uint8_t>& param) {
                             return param.param == 1 ? std::string("Base") : std::string("Newer");
                         });
