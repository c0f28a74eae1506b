// Replacing a clock's users (UserReplacement) against the in-process emulator, through the real
// clock library. For each clock model and a clock that starts empty, half full or full: the line
// drops after every frame in turn (the frame that meets the drop carried out or not), or the work
// is cancelled at every step; each time the clock still holds every user it held that stays, the
// writes tell exactly what it holds (checked against the emulator's own state), and running again
// finishes the work.
#include "EmulatedSite.h"

#include "clocksim/ClockUser.h"
#include "zel/Error.h"
#include "zel/support/Channel.h"
#include "zel/support/ChannelFactory.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/support/UserReplacement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>

using namespace zel::support;
namespace sim = zel::sim;

namespace {

constexpr std::uint8_t kBaseID = 1;
constexpr std::uint8_t kNewerID = 2;
constexpr int kReaderLookupFrames = 2; // Status and GetReaderInfo, before the replacement starts

struct Scenario {
    const char* Name;
    sim::ClockModel Model;
    int Held;       // users on the clock before
    int Leaving;    // of them, not wanted
    int Changed;    // stayers wanted with another template
    int Leveled;    // stayers wanted with a level (the clock holds another)
    int New;        // wanted users the clock lacks
    int NewLeveled; // of those, with a level
    bool AllNew;    // none of the held users stays
};

std::ostream& operator<<(std::ostream& out, const Scenario& scenario)
{
    return out << scenario.Name;
}

// Empty, half full and full clocks, both models; new users enough for data banks where there is
// room. The "Tail" clocks' last banks are partly filled: the new users go into that bank, written
// again with the users it holds.
const Scenario kScenarios[] = {
    {"BaseEmpty", sim::ClockModel::Base, 0, 0, 0, 0, 300, 2, false},
    {"BaseHalfFull", sim::ClockModel::Base, 1280, 3, 2, 2, 400, 2, false},
    {"BaseFull", sim::ClockModel::Base, 2560, 3, 2, 2, 3, 1, false},
    {"BaseFullEverythingNew", sim::ClockModel::Base, 2560, 0, 0, 0, 2560, 0, true},
    {"NewerEmpty", sim::ClockModel::Vt9, 0, 0, 0, 0, 100, 2, false},
    {"NewerHalfFull", sim::ClockModel::Vt9, 265, 3, 2, 2, 150, 2, false},
    {"NewerFull", sim::ClockModel::Vt9, 530, 3, 2, 2, 3, 1, false},
    {"NewerHalfFullEverythingNew", sim::ClockModel::Vt9, 265, 0, 0, 0, 200, 0, true},
    {"BaseTail", sim::ClockModel::Base, 300, 3, 2, 2, 120, 2, false},
    {"NewerTail", sim::ClockModel::Vt9, 120, 3, 2, 2, 60, 2, false},
};

sim::Template Hand(int id, int variant)
{
    sim::Template hand{};
    for (std::size_t i = 0; i < hand.size(); ++i)
        hand[i] = static_cast<std::uint8_t>(id * 13 + variant * 101 + static_cast<int>(i));
    return hand;
}

sim::ClockUser MakeClockUser(int id, int variant, int level)
{
    sim::ClockUser user;
    user.Id = *sim::UserIdFromText(std::to_string(id));
    user.Hand = Hand(id, variant);
    user.AuthorityLevel = level;
    return user;
}

std::string IdText(const sim::UserId& id)
{
    return std::to_string(std::stoull(sim::UserIdToText(id)));
}

bool Listed(const std::vector<std::string>& ids, const std::string& id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

class UserReplacementTest : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override
    {
        const Scenario& s = GetParam();
        line = &site.AddLine("Line",
                             {{"Base", kBaseID, sim::ClockModel::Base}, {"Newer", kNewerID, sim::ClockModel::Vt9}});
        // The clock before: users 100000.., a few with level 1.
        std::set<int> leaving, changed, leveled;
        for (int k = 0; k < s.Leaving; ++k)
            leaving.insert((k + 1) * s.Held / (s.Leaving + 1));
        for (int k = 0; k < s.Changed; ++k) // one near the start, one in the last bank
            changed.insert(k % 2 == 0 ? 1 + k : s.Held - 2 - k);
        for (int k = 0; k < s.Leveled; ++k)
            leveled.insert(k % 2 == 0 ? 5 + k : s.Held - 6 - k);
        for (int i = 0; i < s.Held; ++i) {
            const int id = 100000 + i;
            const bool stays = !s.AllNew && !leaving.count(i);
            Clock().PutUser(MakeClockUser(id, 0, leveled.count(i) ? 1 : 0));
            if (stays) {
                const sim::ClockUser wanted = MakeClockUser(id, changed.count(i) ? 1 : 0, leveled.count(i) ? 3 : 0);
                Wanted[std::to_string(id)] = wanted;
                Stayers.insert(std::to_string(id));
            } else {
                Leavers.insert(std::to_string(id));
            }
        }
        for (int j = 0; j < s.New; ++j) {
            const int id = 200000 + j;
            Wanted[std::to_string(id)] = MakeClockUser(id, 2, j < s.NewLeveled ? 2 : 0);
        }
        for (const auto& [id, user] : Wanted) {
            auto visitor = std::make_shared<ExtendedUser>();
            visitor->SetID(id);
            visitor->SetAuthorityLevel(static_cast<UserAuthorityLevel>(user.AuthorityLevel));
            visitor->SetTemplate(std::vector<std::uint8_t>(user.Hand.begin(), user.Hand.end()));
            Users.push_back(visitor);
        }
        Before = Clock().Snapshot();
    }

    sim::SimClock& Clock() { return line->Clock(ReaderID()); }
    std::uint8_t ReaderID() const { return GetParam().Model == sim::ClockModel::Base ? kBaseID : kNewerID; }

    struct Outcome {
        bool Finished = false; // Run returned true
        bool Raised = false;
        UserWrites Writes;
    };

    // One replacement on a new link from the clock's state before; the line drops after `drop`
    // frames of it (the one meeting the drop carried out when `losesAnswer`), or the step
    // callback stops it at step `cancelAt`.
    Outcome Replace(std::optional<int> drop, bool losesAnswer = false, std::optional<std::size_t> cancelAt = {},
                    bool fromBefore = true)
    {
        if (fromBefore)
            Clock().Restore(Before);
        sim::FaultOptions faults;
        if (drop) {
            faults.DropAfterFrames = kReaderLookupFrames + *drop;
            faults.DropLosesAnswer = losesAnswer;
        }
        line->SetFaults(faults);
        auto channel = ChannelFactory().CreateEthernetChannel("127.0.0.1", line->Port());
        channel->Connect();
        EXPECT_TRUE(channel->IsConnected());
        auto reader = channel->GetReader(ReaderID());
        EXPECT_TRUE(reader);
        Outcome outcome;
        if (!reader)
            return outcome;
        UserReplacement replacement(*reader);
        std::size_t steps = 0;
        replacement.SetStep([&](const UserReplacement::Step&) { return !cancelAt || steps++ != *cancelAt; });
        try {
            outcome.Finished = replacement.Run(Users);
        } catch (const zel::Error&) {
            outcome.Raised = true;
        }
        outcome.Writes = replacement.Writes();
        channel->Disconnect();
        line->SetFaults({});
        return outcome;
    }

    // The promise and the honesty of the report, against what the emulated clock holds.
    void ExpectClockAsTold(const UserWrites& writes, bool exact)
    {
        std::map<std::string, sim::ClockUser> held;
        for (const auto& user : Clock().Users())
            held[IdText(user.Id)] = user;
        for (const auto& id : Stayers)
            EXPECT_TRUE(held.count(id)) << "stayer " << id << " is off the clock";
        for (const auto& [id, user] : held)
            EXPECT_TRUE(Wanted.count(id) || Leavers.count(id)) << "user " << id << " came from nowhere";
        if (!writes.Planned) { // nothing written: the clock as it was
            EXPECT_EQ(Clock().Users(), Before.Users);
            return;
        }
        for (const auto& [id, user] : Wanted) {
            const bool asWanted = held.count(id) && held[id] == user;
            if (!Listed(writes.Lacking, id)) {
                EXPECT_TRUE(asWanted) << "user " << id << " is told held as wanted";
            } else if (!Listed(writes.Uncertain, id)) {
                EXPECT_FALSE(asWanted) << "user " << id << " is told lacking";
            }
        }
        for (const auto& id : Leavers) {
            if (!Listed(writes.NotRemoved, id)) {
                EXPECT_FALSE(held.count(id)) << "user " << id << " is told removed";
            } else if (!Listed(writes.Uncertain, id)) {
                EXPECT_TRUE(held.count(id)) << "user " << id << " is told still there";
            }
        }
        EXPECT_EQ(writes.Wanted, static_cast<int>(Wanted.size()));
        EXPECT_EQ(writes.AlreadyHeld + writes.Written() + static_cast<int>(writes.Lacking.size()), writes.Wanted);
        EXPECT_EQ(writes.Removed + static_cast<int>(writes.NotRemoved.size()), static_cast<int>(Leavers.size()));
        if (exact) {
            EXPECT_TRUE(writes.Uncertain.empty());
        }
    }

    // Runs again, from what the interrupted run left: it finishes, and the clock holds exactly
    // the wanted users.
    void ExpectRunAgainFinishes(const UserWrites& before)
    {
        const Outcome again = Replace(std::nullopt, false, {}, false);
        ASSERT_TRUE(again.Finished);
        EXPECT_TRUE(again.Writes.Lacking.empty());
        EXPECT_TRUE(again.Writes.NotRemoved.empty());
        EXPECT_EQ(again.Writes.AlreadyHeld + again.Writes.Written(), static_cast<int>(Wanted.size()));
        // What the first run confirmed is not written again, but for the users with a level (a data
        // bank does not show it, so it is sent again).
        const auto leveled = std::count_if(Wanted.begin(), Wanted.end(),
                                           [](const auto& wanted) { return wanted.second.AuthorityLevel != 0; });
        if (before.Planned) {
            EXPECT_GE(again.Writes.AlreadyHeld, before.AlreadyHeld + before.Written() - static_cast<int>(leveled));
        }
        std::map<std::string, sim::ClockUser> held;
        for (const auto& user : Clock().Users())
            held[IdText(user.Id)] = user;
        EXPECT_EQ(held.size(), Wanted.size());
        for (const auto& [id, user] : Wanted)
            EXPECT_TRUE(held.count(id) && held[id] == user) << id;
    }

    zel::test::EmulatedSite site{"user-replacement"};
    sim::Server* line = nullptr;
    sim::ClockSnapshot Before;
    std::map<std::string, sim::ClockUser> Wanted;
    std::set<std::string> Stayers, Leavers;
    VisitorList Users;
};

TEST_P(UserReplacementTest, ADroppedLineAfterAnyFrameLosesNoStayerAndIsToldExactly)
{
    for (const bool losesAnswer : {false, true}) {
        bool finished = false;
        for (int drop = 0; !finished; ++drop) {
            SCOPED_TRACE("line dropped after frame " + std::to_string(drop) +
                         (losesAnswer ? ", the next carried out" : ""));
            const Outcome outcome = Replace(drop, losesAnswer);
            finished = outcome.Finished;
            EXPECT_NE(outcome.Finished, outcome.Raised);
            ExpectClockAsTold(outcome.Writes, false);
            if (!finished)
                ExpectRunAgainFinishes(outcome.Writes);
            ASSERT_LT(drop, 64) << "the replacement never finished";
        }
    }
}

TEST_P(UserReplacementTest, ACancelAtAnyStepLosesNoStayerAndIsToldExactly)
{
    bool finished = false;
    for (std::size_t step = 0; !finished; ++step) {
        SCOPED_TRACE("cancelled at step " + std::to_string(step));
        const Outcome outcome = Replace(std::nullopt, false, step);
        finished = outcome.Finished;
        EXPECT_FALSE(outcome.Raised);
        ExpectClockAsTold(outcome.Writes, true);
        if (!finished)
            ExpectRunAgainFinishes(outcome.Writes);
        ASSERT_LT(step, 64u) << "the replacement never finished";
    }
}

// The plan: a clock without stayers is cleared, one with stayers never is; a small difference
// costs far less than writing everything again.
TEST_P(UserReplacementTest, ClearsOnlyAClockThatHoldsNoStayer)
{
    const Outcome outcome = Replace(std::nullopt);
    ASSERT_TRUE(outcome.Finished);
    const Scenario& s = GetParam();
    EXPECT_EQ(outcome.Writes.Cleared, s.AllNew && s.Held > 0);
    EXPECT_EQ(outcome.Writes.Removed, s.AllNew ? s.Held : s.Leaving);
    EXPECT_EQ(outcome.Writes.AlreadyHeld, static_cast<int>(Stayers.size()) - s.Changed - s.Leveled);
    EXPECT_EQ(outcome.Writes.Written(), static_cast<int>(Wanted.size()) - outcome.Writes.AlreadyHeld);
    ExpectClockAsTold(outcome.Writes, true);
}

INSTANTIATE_TEST_SUITE_P(Clocks, UserReplacementTest, ::testing::ValuesIn(kScenarios),
                         [](const auto& scenario) { return std::string(scenario.param.Name); });

// More users than the clock holds are refused before the clock is addressed.
TEST(UserReplacementRefusalTest, MoreUsersThanTheClockHoldsAreRefusedBeforeAnythingIsSent)
{
    zel::test::EmulatedSite site("user-replacement-refusal");
    auto& line = site.AddLine("Line", {{"Newer", kNewerID, sim::ClockModel::Vt9}});
    line.Clock(kNewerID).PutUser(MakeClockUser(7, 0, 0));
    auto channel = ChannelFactory().CreateEthernetChannel("127.0.0.1", line.Port());
    channel->Connect();
    auto reader = channel->GetReader(kNewerID);
    ASSERT_TRUE(reader);
    VisitorList users;
    for (int id = 1; id <= 531; ++id) {
        auto user = std::make_shared<ExtendedUser>();
        user->SetID(std::to_string(id));
        users.push_back(user);
    }
    UserReplacement replacement(*reader);
    const auto frames = line.FramesAnswered();
    try {
        replacement.Run(users);
        ADD_FAILURE() << "531 users went to a clock that holds 530";
    } catch (const zel::Error& error) {
        EXPECT_EQ(error.Number(), 5);
        EXPECT_EQ(error.Description(), "The clock holds at most 530 users; 531 are to be written.");
    }
    EXPECT_EQ(line.FramesAnswered(), frames);
    EXPECT_EQ(line.Clock(kNewerID).UserCount(), 1u);
    EXPECT_EQ(replacement.Writes().LackText(), "nothing was written");
}

} // namespace
