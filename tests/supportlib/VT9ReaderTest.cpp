#include "ReaderFixture.h"

#include "zel/Error.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/User.h"
#include "zel/support/VT9Reader.h"

#include <algorithm>

using namespace zel::support;
using zel::test::FakeVendor;
using Names = std::vector<std::string>;

namespace {

class VT9ReaderTest : public zel::test::ReaderFixture {
protected:
    void SetUp() override { MakeReader(2); }
};

std::shared_ptr<ExtendedUser> MakeExtUser(const std::string& id)
{
    auto user = std::make_shared<ExtendedUser>();
    user->SetID(id);
    user->SetTemplate({1, 2, 3, 4, 5, 6, 7, 8, 9});
    user->SetAuthorityLevel(UserAuthorityLevel::Setup);
    return user;
}

} // namespace

TEST_F(VT9ReaderTest, SendUserListPacks53UsersPerBankIn77ByteSlots)
{
    VisitorList users;
    for (int i = 1; i <= 54; ++i)
        users.push_back(MakeExtUser(std::to_string(i)));
    Rdr->SendUserList(users);
    EXPECT_EQ(Fake.CommandNames(), (Names{"zelSetHandReader", "zelSetDataBank", "zelSetDataBank"}));
    auto banks = Fake.CallsTo("zelSetDataBank");
    const auto& first = banks[0].Data;
    auto id53 = FakeVendor::IdRecord("53");
    EXPECT_TRUE(std::equal(id53.begin(), id53.end(), first.begin() + 52 * 77));
    // The 61 bytes after each record and the 15 bytes at the end stay 0xFF.
    EXPECT_TRUE(std::all_of(first.begin() + 16, first.begin() + 77, [](auto b) { return b == 0xFF; }));
    EXPECT_TRUE(std::all_of(first.begin() + 4081, first.end(), [](auto b) { return b == 0xFF; }));
    const auto& second = banks[1].Data;
    auto id54 = FakeVendor::IdRecord("54");
    EXPECT_TRUE(std::equal(id54.begin(), id54.end(), second.begin()));
    EXPECT_EQ(second[77], 0xFF);

    Fake.ClearCalls();
    users.pop_back();
    Rdr->SendUserList(users);
    EXPECT_EQ(Fake.CountOf("zelSetDataBank"), 1);
    EXPECT_THROW(Rdr->SendUserList({}), zel::Error);
}

TEST_F(VT9ReaderTest, UserListReadsExtendedUsersAcrossBanks)
{
    Fake.Banks[0] = Bank(53, 1, 77);
    Fake.Banks[1] = Bank(2, 54, 77);
    auto list = Rdr->GetUserList();
    EXPECT_EQ(list->Count(), 55);
    EXPECT_TRUE(std::dynamic_pointer_cast<ExtendedUser>(list->Item("55")));
    EXPECT_EQ(Fake.CallNames().front(), "zelSetHandReader");
    EXPECT_EQ(Fake.CountOf("zelGetDataBank"), 2);
}

TEST_F(VT9ReaderTest, UserListReadsAtMost530Users)
{
    for (int bank = 0; bank < 11; ++bank)
        Fake.Banks[bank] = Bank(53, 1 + bank * 53, 77);
    EXPECT_EQ(Rdr->GetUserList()->Count(), 530);
}

TEST_F(VT9ReaderTest, SendUserSelectsTheClockAndSendsTheExtendedRecord)
{
    auto user = MakeExtUser("42");
    user->SetName("Anna");
    Rdr->SendUser(user);
    EXPECT_EQ(Fake.CommandNames(), (Names{"zelSetHandReader", "zelHereIsExtUserRecord"}));
    auto sent = Fake.CallsTo("zelHereIsExtUserRecord")[0].Data;
    ASSERT_EQ(sent.size(), 92u);
    EXPECT_EQ(sent[16], 2);
    EXPECT_EQ(sent[5], 1);
    EXPECT_TRUE(std::all_of(sent.begin() + 24, sent.end(), [](auto b) { return b == 0; }));

    Fake.ClearCalls();
    auto base = std::make_shared<User>();
    base->SetID("7");
    Rdr->SendUser(base);
    EXPECT_EQ(Fake.CommandNames(), (Names{"zelSetHandReader", "zelHereIsUserRecord"}));
    EXPECT_EQ(Fake.CallsTo("zelHereIsUserRecord")[0].Data.size(), 24u);
}

TEST_F(VT9ReaderTest, RemoveUserGoesThroughTheInnerReaderByID)
{
    Rdr->RemoveUser(MakeExtUser("42"));
    EXPECT_EQ(Fake.CommandNames(), (Names{"zelSetHandReader", "zelRemoveUserRecord"}));
    auto id = FakeVendor::IdRecord("42");
    EXPECT_EQ(Fake.CallsTo("zelRemoveUserRecord")[0].Data, std::vector<std::uint8_t>(id.begin(), id.end()));
}

TEST_F(VT9ReaderTest, GetUserReadsTheExtendedRecord)
{
    ExtUserRecord record{};
    auto id = FakeVendor::IdRecord("9");
    std::copy(id.begin(), id.end(), record.begin());
    record[16] = 4;
    record[50] = 0x77; // ignored
    Fake.ExtUsers["0000000009"] = record;
    auto user = Rdr->GetUser("9");
    EXPECT_TRUE(std::dynamic_pointer_cast<ExtendedUser>(user));
    EXPECT_EQ(user->AuthorityLevel(), UserAuthorityLevel::Enrollment);
    EXPECT_EQ(Fake.CommandNames(), (Names{"zelSetHandReader", "zelGetExtUserRecord"}));
}

TEST_F(VT9ReaderTest, EnrollUserReturnsAnExtendedUserAndSendsItsExtendedRecord)
{
    SetPollSleep([](std::chrono::microseconds) {});
    auto user = Rdr->EnrollUser("5", UserAuthorityLevel::Service);
    SetPollSleep(nullptr);
    auto extended = std::dynamic_pointer_cast<ExtendedUser>(user);
    ASSERT_TRUE(extended);
    EXPECT_EQ(extended->ID(), "5");
    EXPECT_EQ(extended->Name(), "");
    EXPECT_EQ(Fake.CommandNames()[0], "zelSetHandReader");
    EXPECT_EQ(Fake.CommandNames()[1], "zelEnrollUser");
    EXPECT_EQ(Fake.CommandNames().back(), "zelHereIsExtUserRecord");
}

TEST_F(VT9ReaderTest, InnerReaderServesSettingsTimeAndLog)
{
    Rdr->GetTime();
    Rdr->TimeDisplayFormat();
    Rdr->GetNextDataLogElement();
    Rdr->SendFunctionKeyData({});
    EXPECT_EQ(Fake.CommandNames(),
              (Names{"zelSetHandReader", "zelGetTime", "zelSetHandReader", "zelGetSetupData", "zelSetHandReader",
                     "zelGetDataLogElement", "zelSetHandReader", "zelHereIsFkeyData"}));
}
