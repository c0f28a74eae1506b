#include "ReaderFixture.h"

#include "zel/Error.h"
#include "zel/support/ExtendedUser.h"
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
    EXPECT_EQ(user.Template(), std::vector<std::uint8_t>(9, 0));
    EXPECT_EQ(user.ToRecord(), UserRecord{});
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

TEST(UserTest, ToRecordDoesNotRaiseForAnIDTheLibraryRefuses)
{
    FakeVendor fake;
    User user;
    user.SetID("12345678901");
    UserRecord record{};
    EXPECT_NO_THROW(record = user.ToRecord());
    EXPECT_EQ(record[0], 0);
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
