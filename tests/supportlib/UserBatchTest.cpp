// Several users in one go (SendUsers, RemoveUsers) and bank reads bounded by the user count, on
// both clock models, against the real libzeldll32.so and an in-process clock emulator. Every
// exchange is one answered frame, so the frame counter tells how often the clock was addressed.
#include "clocksim/Server.h"

#include "zel/Error.h"
#include "zel/support/ChannelFactory.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/support/User.h"

#include <gtest/gtest.h>

using namespace zel::support;
namespace sim = zel::sim;

namespace {

constexpr std::uint8_t kBaseID = 1;
constexpr std::uint8_t kNewerID = 2;

// A user whose every record field differs from the next user's.
std::shared_ptr<ExtendedUser> MakeUser(int id)
{
    auto user = std::make_shared<ExtendedUser>();
    user->SetID(std::to_string(id));
    user->SetAuthorityLevel(static_cast<UserAuthorityLevel>(id % 6));
    user->SetRejectThreshold(static_cast<std::int16_t>(id % 200));
    std::uint8_t zone = static_cast<std::uint8_t>(id % 7);
    user->SetTimeZone(zone);
    std::vector<std::uint8_t> hand(9);
    for (std::size_t i = 0; i < hand.size(); ++i)
        hand[i] = static_cast<std::uint8_t>(id * 3 + i);
    user->SetTemplate(hand);
    return user;
}

VisitorList MakeUsers(int first, int count)
{
    VisitorList users;
    for (int id = first; id < first + count; ++id)
        users.push_back(MakeUser(id));
    return users;
}

class UserBatchTest : public ::testing::TestWithParam<sim::ClockModel> {
protected:
    void SetUp() override
    {
        Server = std::make_unique<sim::Server>();
        Server->AddClock(kBaseID, sim::ClockModel::Base);
        Server->AddClock(kNewerID, sim::ClockModel::Vt9);
        Server->Start();
        Chan = ChannelFactory().CreateEthernetChannel("127.0.0.1", Server->Port());
        Chan->Connect();
        ASSERT_TRUE(Chan->IsConnected());
        Rdr = Chan->GetReader(ID());
        ASSERT_TRUE(Rdr);
    }
    void TearDown() override
    {
        Rdr.reset();
        if (Chan)
            Chan->Disconnect();
        Chan.reset();
        Server.reset();
    }

    std::uint8_t ID() const { return GetParam() == sim::ClockModel::Base ? kBaseID : kNewerID; }
    std::uint8_t OtherID() const { return GetParam() == sim::ClockModel::Base ? kNewerID : kBaseID; }
    std::size_t SlotsPerBank() const { return GetParam() == sim::ClockModel::Base ? 256 : 53; }
    sim::SimClock& Clock() { return Server->Clock(ID()); }
    // Frames the emulator answered while `action` ran.
    template <typename Action> std::uint64_t Frames(Action&& action)
    {
        const auto before = Server->FramesAnswered();
        action();
        return Server->FramesAnswered() - before;
    }
    // Every field of every user as the clock holds it, read back one by one.
    void ExpectHeld(const VisitorList& users)
    {
        for (const auto& item : users) {
            const auto& expected = dynamic_cast<const IUser&>(*item);
            auto held = Rdr->GetUser(expected.ID());
            ASSERT_EQ(held->ID(), expected.ID());
            EXPECT_EQ(held->AuthorityLevel(), expected.AuthorityLevel()) << expected.ID();
            EXPECT_EQ(held->RejectThreshold(), expected.RejectThreshold()) << expected.ID();
            EXPECT_EQ(held->TimeZone(), expected.TimeZone()) << expected.ID();
            EXPECT_EQ(held->Template(), expected.Template()) << expected.ID();
        }
    }

    std::unique_ptr<sim::Server> Server;
    std::shared_ptr<Channel> Chan;
    std::shared_ptr<IReader> Rdr;
};

} // namespace

TEST_P(UserBatchTest, SendUsersSelectsTheClockOnceAndStoresEveryRecordWhole)
{
    const auto users = MakeUsers(100, 20);
    std::size_t sent = 0;
    EXPECT_EQ(Frames([&] { sent = Rdr->SendUsers(users); }), 21u); // one selection, then a record each
    EXPECT_EQ(sent, 20u);
    EXPECT_EQ(Clock().UserCount(), 20u);
    EXPECT_EQ(Server->Clock(OtherID()).UserCount(), 0u);
    ExpectHeld(users);
}

TEST_P(UserBatchTest, SendUsersReachesItsOwnClockWhateverWasSelectedLast)
{
    auto other = Chan->GetReader(OtherID());
    ASSERT_TRUE(other);
    other->GetTime(); // the other clock is the one selected now
    Rdr->SendUsers(MakeUsers(1, 3));
    EXPECT_EQ(Clock().UserCount(), 3u);
    EXPECT_EQ(Server->Clock(OtherID()).UserCount(), 0u);
}

TEST_P(UserBatchTest, AStepThatStopsLeavesThatUserAndTheRestUnsent)
{
    std::vector<std::size_t> told;
    const auto sent = Rdr->SendUsers(MakeUsers(1, 10), [&](std::size_t k) {
        told.push_back(k);
        return k < 4;
    });
    EXPECT_EQ(sent, 4u);
    EXPECT_EQ(told, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(Clock().UserCount(), 4u);
}

TEST_P(UserBatchTest, NothingToDoAddressesNoClock)
{
    EXPECT_EQ(Frames([&] { EXPECT_EQ(Rdr->SendUsers({}), 0u); }), 0u);
    RemoveResult removed;
    EXPECT_EQ(Frames([&] { Rdr->RemoveUsers({}, removed); }), 0u);
    EXPECT_EQ(removed.Done(), 0u);
    EXPECT_EQ(Frames([&] { EXPECT_EQ(Rdr->SendUsers(MakeUsers(1, 3), [](std::size_t) { return false; }), 0u); }), 0u);
}

TEST_P(UserBatchTest, ABadUserEndsTheSendingAndTheUsersBeforeItStaySent)
{
    auto users = MakeUsers(1, 5);
    auto bad = std::make_shared<User>();
    bad->SetID("12345678901"); // eleven digits
    users[2] = bad;
    EXPECT_THROW(Rdr->SendUsers(users), zel::Error);
    EXPECT_EQ(Clock().UserCount(), 2u);

    users[2] = nullptr;
    EXPECT_THROW(Rdr->SendUsers(users), zel::Error);
}

TEST_P(UserBatchTest, AnErrorRaisedByTheStepEndsTheSending)
{
    EXPECT_THROW(Rdr->SendUsers(MakeUsers(1, 5),
                                [](std::size_t k) {
                                    if (k == 3)
                                        throw std::runtime_error("stop");
                                    return true;
                                }),
                 std::runtime_error);
    EXPECT_EQ(Clock().UserCount(), 3u);
}

TEST_P(UserBatchTest, RemoveUsersSelectsOnceAndRemovesExactlyThoseUsers)
{
    const auto users = MakeUsers(1, 12);
    Rdr->SendUsers(users);
    RemoveList gone;
    for (int id = 1; id <= 6; ++id) {
        auto user = std::make_shared<ExtendedUser>();
        user->SetID(std::to_string(id));
        gone.push_back(user);
    }
    RemoveResult removed;
    EXPECT_EQ(Frames([&] { Rdr->RemoveUsers(gone, removed); }), 7u);
    EXPECT_EQ(removed.Removed, 6u);
    EXPECT_TRUE(removed.NotOnClock.empty());
    EXPECT_EQ(Clock().UserCount(), 6u);
    ExpectHeld(VisitorList(users.begin() + 6, users.end()));
    EXPECT_THROW(Rdr->GetUser("1"), zel::Error);
}

TEST_P(UserBatchTest, RemoveUsersCountsAUserTheClockDoesNotHoldAsDoneAndGoesOn)
{
    Rdr->SendUsers(MakeUsers(1004, 3)); // 1004, 1005, 1006
    RemoveList gone;
    for (const char* id : {"1003", "1005", "77", "1006"}) {
        auto user = std::make_shared<ExtendedUser>();
        user->SetID(id);
        gone.push_back(user);
    }
    RemoveResult removed;
    Rdr->RemoveUsers(gone, removed);
    EXPECT_EQ(removed.Removed, 2u);
    EXPECT_EQ(removed.NotOnClock, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(Clock().UserCount(), 1u);
    EXPECT_NO_THROW(Rdr->GetUser("1004"));
}

TEST_P(UserBatchTest, AnEmptyClockGivesItsListWithoutReadingABank)
{
    EXPECT_EQ(Rdr->UserCount(), 0);
    std::shared_ptr<UserList> list;
    EXPECT_EQ(Frames([&] { list = Rdr->GetUserList(); }), 2u); // the selection and the count only
    EXPECT_EQ(list->Count(), 0);
}

TEST_P(UserBatchTest, AFullBankIsReadWithoutTheNextOne)
{
    const auto count = static_cast<int>(SlotsPerBank());
    Rdr->SendUserList(MakeUsers(1, count));
    auto fresh = Chan->GetReader(ID());
    ASSERT_EQ(fresh->UserCount(), count);
    std::shared_ptr<UserList> list;
    EXPECT_EQ(Frames([&] { list = fresh->GetUserList(); }), 3u); // the selection, the count and bank 0
    ASSERT_EQ(list->Count(), count);
    EXPECT_EQ(list->KeyAt(count), std::to_string(count));
}

TEST_P(UserBatchTest, AFullClockIsReadWhole)
{
    const auto count = static_cast<int>(SlotsPerBank() * 10);
    Rdr->SendUserList(MakeUsers(1, count));
    auto fresh = Chan->GetReader(ID());
    std::shared_ptr<UserList> list;
    EXPECT_EQ(Frames([&] { list = fresh->GetUserList(); }), 12u);
    EXPECT_EQ(list->Count(), count);
}

TEST_P(UserBatchTest, UsersAddedSinceTheReaderWasMadeAreRead)
{
    // The reader was made while the clock was empty (as a connection of the program keeps it).
    EXPECT_EQ(Rdr->UserCount(), 0);
    // Through another channel, as another program or administrator would.
    auto elsewhere = ChannelFactory().CreateEthernetChannel("127.0.0.1", Server->Port());
    elsewhere->Connect();
    ASSERT_TRUE(elsewhere->IsConnected());
    elsewhere->GetReader(ID())->SendUsers(MakeUsers(2, 2));
    elsewhere->Disconnect();
    EXPECT_EQ(Rdr->GetUserList()->Count(), 2);

    Rdr->SendUsers(MakeUsers(1, 1)); // and through this reader's own channel
    auto list = Rdr->GetUserList();
    EXPECT_EQ(list->Count(), 3);
    EXPECT_TRUE(list->Contains("1"));
    EXPECT_EQ(Rdr->UserCount(), 3);
}

// An emptied clock given its users as data banks, then only the users whose record holds more
// than a bank slot one by one, ends exactly as one emptied and given every user one by one.
TEST_P(UserBatchTest, BanksThenTheFullerRecordsGiveTheSameClockAsOneByOne)
{
    for (const int count : {1, 7, static_cast<int>(SlotsPerBank()) + 1, static_cast<int>(SlotsPerBank() * 10)}) {
        SCOPED_TRACE(count);
        auto users = MakeUsers(1, count);              // every sixth has level None, threshold and zone vary
        auto plain = std::make_shared<ExtendedUser>(); // nothing beyond the slot
        plain->SetID("4000000000");
        plain->SetTemplate(std::vector<std::uint8_t>(9, 7));
        users.back() = plain;

        // One by one onto this model's clock, then read back.
        Rdr->SendUser(MakeUser(99999)); // something for the clear to remove
        Rdr->RemoveAllUsers();
        Rdr->SendUsers(users);
        const auto oneByOne = Clock().Users();

        VisitorList whole;
        for (const auto& item : users) {
            const auto& user = dynamic_cast<const IUser&>(*item);
            if (user.AuthorityLevel() != UserAuthorityLevel::None || user.RejectThreshold() != 0 ||
                user.TimeZone() != 0)
                whole.push_back(item);
        }
        ASSERT_LT(whole.size(), users.size());
        Rdr->RemoveAllUsers(); // the clock still holds the users sent one by one
        Rdr->SendUserList(users);
        Rdr->SendUsers(whole);
        const auto banked = Clock().Users();

        ASSERT_EQ(banked.size(), oneByOne.size());
        for (std::size_t i = 0; i < banked.size(); ++i) {
            EXPECT_EQ(banked[i].Id, oneByOne[i].Id) << i;
            EXPECT_EQ(banked[i].Hand, oneByOne[i].Hand) << i;
            EXPECT_EQ(banked[i].AuthorityLevel, oneByOne[i].AuthorityLevel) << i;
            EXPECT_EQ(banked[i].RejectThreshold, oneByOne[i].RejectThreshold) << i;
            EXPECT_EQ(banked[i].TimeZone, oneByOne[i].TimeZone) << i;
        }
        // And through the library, every record and the bank list.
        ExpectHeld(users);
        auto list = Chan->GetReader(ID())->GetUserList();
        ASSERT_EQ(list->Count(), count);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(list->KeyAt(i + 1), dynamic_cast<const IUser&>(*users[static_cast<std::size_t>(i)]).ID());
    }
}

INSTANTIATE_TEST_SUITE_P(BothModels, UserBatchTest, ::testing::Values(sim::ClockModel::Base, sim::ClockModel::Vt9),
                         [](const auto& param) { return param.param == sim::ClockModel::Base ? "Base" : "Newer"; });
