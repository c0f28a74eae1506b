// ZelSupportLib against the real libzeldll32.so and an in-process clock emulator over TCP.
#include "MachineZone.h"
#include "clocksim/ClockUser.h"
#include "clocksim/Server.h"

#include "zel/Error.h"
#include "zel/support/ChannelFactory.h"
#include "zel/support/DayLightSavingsDates.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/support/MessagePump.h"
#include "zel/support/Reader.h"
#include "zel/support/User.h"
#include "zel/support/VT9Reader.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

using namespace zel::support;
namespace sim = zel::sim;
using Names = std::vector<std::string>;

namespace {

constexpr std::uint8_t kBaseID = 1;
constexpr std::uint8_t kNewerID = 2;
constexpr std::uint8_t kSecondNewerID = 3;

class Recorder : public IEnrollmentStatus {
public:
    void Update(EnrollmentStatusType& status) override
    {
        if (Log.empty() || Log.back() != "Update")
            Log.push_back("Update");
        LastStatus = status;
    }
    void BeginEnrollment() override { Log.push_back("BeginEnrollment"); }
    void EndEnrollment() override { Log.push_back("EndEnrollment"); }
    void Aborted() override { Log.push_back("Aborted"); }
    void Timeout() override { Log.push_back("Timeout"); }

    Names Log; // repeated Updates folded into one
    EnrollmentStatusType LastStatus;
};

std::shared_ptr<ExtendedUser> MakeUser(const std::string& id, UserAuthorityLevel level = UserAuthorityLevel::Setup)
{
    auto user = std::make_shared<ExtendedUser>();
    user->SetID(id);
    user->SetAuthorityLevel(level);
    user->SetRejectThreshold(77);
    user->SetTimeZone(2);
    std::vector<std::uint8_t> hand(9);
    for (std::size_t i = 0; i < hand.size(); ++i)
        hand[i] = static_cast<std::uint8_t>(id.size() + i * 17);
    user->SetTemplate(hand);
    return user;
}

class EndToEndTest : public ::testing::TestWithParam<sim::ClockModel> {
protected:
    void SetUp() override
    {
        sim::ServerOptions options;
        options.Enrollment.ReadTimeMs = 0; // every status poll moves the simulated person on
        Server = std::make_unique<sim::Server>(options);
        Server->AddClock(kBaseID, sim::ClockModel::Base);
        Server->AddClock(kNewerID, sim::ClockModel::Vt9);
        Server->AddClock(kSecondNewerID, sim::ClockModel::Vt9);
        Server->Start();
        Chan = ChannelFactory().CreateEthernetChannel("127.0.0.1", Server->Port());
        Chan->Connect();
        ASSERT_TRUE(Chan->IsConnected());
        Rdr = Chan->GetReader(ID());
        ASSERT_TRUE(Rdr);
        mOldSleep = SetPollSleep([](std::chrono::microseconds) {});
    }
    void TearDown() override
    {
        SetPollSleep(mOldSleep);
        Rdr.reset();
        if (Chan)
            Chan->Disconnect();
        Chan.reset();
        Server.reset();
    }

    std::uint8_t ID() const { return GetParam() == sim::ClockModel::Base ? kBaseID : kNewerID; }
    sim::SimClock& Clock() { return Server->Clock(ID()); }
    bool IsNewer() const { return GetParam() == sim::ClockModel::Vt9; }

    std::unique_ptr<sim::Server> Server;
    std::shared_ptr<Channel> Chan;
    std::shared_ptr<IReader> Rdr;

private:
    PollSleepHook mOldSleep;
};

} // namespace

TEST_P(EndToEndTest, GetReaderMakesTheClassOfTheModel)
{
    if (IsNewer())
        EXPECT_TRUE(std::dynamic_pointer_cast<VT9Reader>(Rdr));
    else
        EXPECT_TRUE(std::dynamic_pointer_cast<Reader>(Rdr));
    EXPECT_EQ(Rdr->UserCount(), 0);
}

TEST_P(EndToEndTest, UsersSentReadRemovedAndCleared)
{
    Rdr->SendUser(MakeUser("42", UserAuthorityLevel::Management));
    Rdr->SendUser(MakeUser("0007"));
    EXPECT_EQ(Clock().UserCount(), 2u);

    auto user = Rdr->GetUser("42");
    EXPECT_EQ(user->ID(), "42");
    EXPECT_EQ(user->AuthorityLevel(), UserAuthorityLevel::Management);
    EXPECT_EQ(user->RejectThreshold(), 77);
    EXPECT_EQ(user->TimeZone(), 2);
    EXPECT_EQ(user->Template(), MakeUser("42")->Template());
    EXPECT_EQ(IsNewer(), std::dynamic_pointer_cast<ExtendedUser>(user) != nullptr);

    auto list = Rdr->GetUserList();
    ASSERT_EQ(list->Count(), 2);
    EXPECT_TRUE(list->Contains("7"));
    EXPECT_EQ(list->Item("42")->Template(), MakeUser("42")->Template());

    Rdr->RemoveUser(list->Item("7"));
    EXPECT_EQ(Clock().UserCount(), 1u);
    try {
        Rdr->GetUser("7");
        FAIL() << "a removed user was found";
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Source(), "Channel");
    }
    Rdr->RemoveAllUsers();
    EXPECT_EQ(Clock().UserCount(), 0u);
    EXPECT_EQ(Rdr->GetUserList()->Count(), 0);
}

TEST_P(EndToEndTest, BankUploadAndReadBack)
{
    int count = IsNewer() ? 60 : 300; // two banks on either model
    VisitorList users;
    for (int i = 1; i <= count; ++i)
        users.push_back(MakeUser(std::to_string(1000 + i)));
    Rdr->SendUserList(users);
    EXPECT_EQ(Clock().UserCount(), static_cast<std::size_t>(count));
    auto list = Rdr->GetUserList();
    ASSERT_EQ(list->Count(), count);
    EXPECT_EQ(list->KeyAt(1), "1001");
    EXPECT_EQ(list->KeyAt(count), std::to_string(1000 + count));
    EXPECT_EQ(list->Item("1001")->Template(), MakeUser("1001")->Template());
}

TEST_P(EndToEndTest, TimeRoundTrip)
{
    zel::DateTime set(2004, 3, 15, 14, 5, 9);
    Rdr->SetTime(set);
    auto back = Rdr->GetTime();
    EXPECT_GE(back, set);
    EXPECT_LE(back.TotalSeconds() - set.TotalSeconds(), 5);
}

TEST_P(EndToEndTest, SettingsAndDaylightSavingRoundTrip)
{
    zel::test::MachineZone berlin("Europe/Berlin"); // the emulator's threads never read it
    const auto dates = DayLightSavingsDates::ThisYear();
    Rdr->SetTimeDisplayFormat(TimeDisplayFormatEnum::Hour12);
    Rdr->SetTimeAndAttendanceEnabled(true);
    Rdr->SetDepartmentTrackingEnabled(true);
    Rdr->SetDayLightSavingsEnabled(true);
    Rdr->SaveSettings();

    auto again = Chan->GetReader(ID());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->TimeDisplayFormat(), TimeDisplayFormatEnum::Hour12);
    EXPECT_TRUE(again->TimeAndAttendanceEnabled());
    EXPECT_TRUE(again->DepartmentTrackingEnabled());
    EXPECT_TRUE(again->DayLightSavingsEnabled());
    auto setup = Clock().Setup();
    EXPECT_EQ(setup[128], 2); // 2:00 in March, 3:00 in October
    EXPECT_EQ(setup[129], dates.Start().Day());
    EXPECT_EQ(setup[130], 3);
    EXPECT_EQ(setup[134], 3);
    EXPECT_EQ(setup[135], dates.End().Day());
    EXPECT_EQ(setup[136], 10);

    again->SetDayLightSavingsEnabled(false);
    again->SetTimeDisplayFormat(TimeDisplayFormatEnum::Hour24);
    again->SaveSettings();
    auto third = Chan->GetReader(ID());
    EXPECT_FALSE(third->DayLightSavingsEnabled());
    EXPECT_EQ(third->TimeDisplayFormat(), TimeDisplayFormatEnum::Hour24);
}

TEST_P(EndToEndTest, SaveSettingsOnAFreshReaderKeepsTheClocksSettings)
{
    auto setup = Clock().Setup();
    setup[140] = 1;
    setup[117] = 0x03;
    Clock().SetSetup(setup);
    auto fresh = Chan->GetReader(ID());
    fresh->SaveSettings();
    EXPECT_EQ(Clock().Setup(), setup);
}

TEST_P(EndToEndTest, DisplayMessageReachesTheClock)
{
    Rdr->DisplayMessage("Hello", false, "", DisplayDurationEnum::Seconds10_0);
    auto record = Clock().LastDisplayMessage();
    ASSERT_EQ(record.size(), 44u);
    EXPECT_EQ(record[4], 20);
    EXPECT_EQ(std::string(record.begin() + 9, record.begin() + 14), "Hello");
    Rdr->DisplayMessage("Hi", true, "42");
    EXPECT_EQ(Clock().DisplayMessageCount(), 2);
    EXPECT_EQ(Clock().LastDisplayMessage()[0], 0xFF);
}

TEST_P(EndToEndTest, DataLogListHoldsTheClocksEvents)
{
    Rdr->SendUser(MakeUser("5"));
    Rdr->SetTime(zel::DateTime(2004, 3, 15, 14, 5, 9));
    Rdr->RemoveAllUsers();
    auto events = Clock().Events();
    auto list = Rdr->GetDataLogElementList();
    ASSERT_FALSE(list->empty());
    EXPECT_LE(list->size(), events.size());
    bool memoryCleared = std::any_of(list->begin(), list->end(), [](const auto& e) {
        return e->FormatType() == FormatTypeEnum::ZEL_DLF_MEMORY_CLEARED;
    });
    EXPECT_TRUE(memoryCleared);
    for (const auto& element : *list) {
        EXPECT_EQ(element->ReaderID(), ID());
        EXPECT_FALSE(element->ToString().empty());
    }
}

// The whole log after one selection, 64 events an answer, each answer told with the log's state;
// another clock of the channel used by the step in between does not get the reads.
TEST_P(EndToEndTest, ReadDataLogAfterReadsEveryEventOnceAfterOneSelection)
{
    for (int i = 0; i < 150; ++i)
        Clock().LogEvent(24);
    auto other = Chan->GetReader(kSecondNewerID);
    ASSERT_TRUE(other);
    const auto frames = Server->FramesAnswered();
    std::vector<std::size_t> answers;
    std::uint32_t expectedSerial = 101;
    const DataLogState last = Rdr->ReadDataLogAfter(100, [&](const DataLogRead& read) {
        answers.push_back(read.Records.size());
        EXPECT_EQ(read.State.FirstReadSerial, expectedSerial);
        expectedSerial += static_cast<std::uint32_t>(read.Records.size());
        EXPECT_EQ(read.State.Held(), 150u);
        other->GetTime(); // selects the other clock in between
        return true;
    });
    EXPECT_EQ(answers, (std::vector<std::size_t>{50}));
    EXPECT_EQ(last.NextSerial, 151u);
    EXPECT_EQ(last.Unread(), 0u) << "the cursor ends on the newest event";
    EXPECT_EQ(Server->FramesAnswered() - frames, 4u) << "select, one answer; the other clock's select and time";

    answers.clear();
    expectedSerial = 1;
    Rdr->ReadDataLogAfter(0, [&](const DataLogRead& read) {
        answers.push_back(read.Records.size());
        expectedSerial += static_cast<std::uint32_t>(read.Records.size());
        return answers.size() < 2; // stops after two answers
    });
    EXPECT_EQ(answers, (std::vector<std::size_t>{64, 64}));
    EXPECT_EQ(Rdr->GetDataLogState().CursorSerial, 128u);
}

TEST_P(EndToEndTest, FullEnrollmentWithCallbacks)
{
    auto status = std::make_shared<Recorder>();
    auto user = Rdr->EnrollUser("123", UserAuthorityLevel::Enrollment, status);
    ASSERT_TRUE(user);
    EXPECT_EQ(status->Log, (Names{"BeginEnrollment", "Update", "EndEnrollment"}));
    EXPECT_GE(status->LastStatus.ReadCount, 4);
    EXPECT_EQ(IsNewer(), std::dynamic_pointer_cast<ExtendedUser>(user) != nullptr);
    EXPECT_EQ(user->ID(), "123");
    EXPECT_NE(user->Template(), std::vector<std::uint8_t>(9, 0));
    auto stored = Clock().FindUser(*sim::UserIdFromText("123"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->AuthorityLevel, 4);
    EXPECT_EQ(std::vector<std::uint8_t>(stored->Hand.begin(), stored->Hand.end()), user->Template());
}

TEST_P(EndToEndTest, AbortedEnrollmentSendsNothing)
{
    auto status = std::make_shared<Recorder>();
    int pumps = 0;
    auto old = SetMessagePump([&] {
        if (++pumps == 2)
            Rdr->AbortEnrollment();
    });
    auto user = Rdr->EnrollUser("124", UserAuthorityLevel::None, status);
    SetMessagePump(old);
    EXPECT_EQ(user, nullptr);
    EXPECT_EQ(status->Log, (Names{"BeginEnrollment", "Update", "Aborted"}));
    EXPECT_EQ(Clock().UserCount(), 0u);
    auto message = Clock().LastDisplayMessage();
    ASSERT_EQ(message.size(), 44u);
    EXPECT_EQ(std::string(message.begin() + 9, message.begin() + 36), "   Enrollment       Aborted");
}

TEST_P(EndToEndTest, TimedOutEnrollmentSendsNothing)
{
    auto options = Clock().GetEnrollmentOptions();
    options.Timeout = sim::TimeoutPhase::Enrollment;
    Clock().SetEnrollmentOptions(options);
    auto status = std::make_shared<Recorder>();
    EXPECT_EQ(Rdr->EnrollUser("125", UserAuthorityLevel::None, status), nullptr);
    EXPECT_EQ(status->Log, (Names{"BeginEnrollment", "Update", "Timeout", "EndEnrollment"}));

    options.Timeout = sim::TimeoutPhase::Verification;
    Clock().SetEnrollmentOptions(options);
    status = std::make_shared<Recorder>();
    EXPECT_EQ(Rdr->EnrollUser("126", UserAuthorityLevel::None, status), nullptr);
    EXPECT_EQ(status->Log, (Names{"BeginEnrollment", "Update", "Timeout", "EndEnrollment"}));
    EXPECT_EQ(Clock().UserCount(), 0u);
}

TEST_P(EndToEndTest, MenuProgramReachesTheClock)
{
    std::vector<std::uint8_t> menu(100);
    for (std::size_t i = 0; i < menu.size(); ++i)
        menu[i] = static_cast<std::uint8_t>(i + 1);
    Rdr->SendFunctionKeyData(menu);
    auto stored = Clock().MenuProgram();
    EXPECT_TRUE(std::equal(menu.begin(), menu.end(), stored.begin()));
    EXPECT_TRUE(std::all_of(stored.begin() + 100, stored.end(), [](auto b) { return b == 0; }));
}

TEST_P(EndToEndTest, AClockThatIsNotThereGivesNoReader)
{
    const char* old = std::getenv("ZEL_TIMEOUT_MS");
    std::string saved = old ? old : "";
    setenv("ZEL_TIMEOUT_MS", "200", 1);
    EXPECT_EQ(Chan->GetReader(9), nullptr);
    if (old)
        setenv("ZEL_TIMEOUT_MS", saved.c_str(), 1);
    else
        unsetenv("ZEL_TIMEOUT_MS");
    // The channel still serves the clocks that are there.
    EXPECT_NO_THROW(Rdr->GetTime());
}

TEST_P(EndToEndTest, UsersWithBadIDsNeverReachTheClock)
{
    // User 0 is on the clock: a bad ID must not be sent in its place.
    auto zero = MakeUser("0");
    Rdr->SendUser(zero);
    const auto frames = Server->FramesAnswered();
    for (const std::string id : {"", "12345678901", "12a", " 7"}) {
        auto bad = MakeUser(id, UserAuthorityLevel::Security);
        auto plain = std::make_shared<User>();
        plain->SetID(id);
        EXPECT_THROW(Rdr->SendUser(bad), zel::Error) << id;
        EXPECT_THROW(Rdr->SendUser(plain), zel::Error) << id;
        EXPECT_THROW(Rdr->SendUserList({MakeUser("1"), bad}), zel::Error) << id;
        EXPECT_THROW(Rdr->EnrollUser(id, UserAuthorityLevel::Security), zel::Error) << id;
    }
    EXPECT_EQ(Server->FramesAnswered(), frames) << "a frame went out for a bad ID";
    EXPECT_EQ(Clock().UserCount(), 1u);
    auto stored = Clock().FindUser(*sim::UserIdFromText("0"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::vector<std::uint8_t>(stored->Hand.begin(), stored->Hand.end()), zero->Template());
}

INSTANTIATE_TEST_SUITE_P(BothModels, EndToEndTest, ::testing::Values(sim::ClockModel::Base, sim::ClockModel::Vt9),
                         [](const ::testing::TestParamInfo<sim::ClockModel>& param) {
                             return std::string(sim::ModelName(param.param));
                         });

TEST(EndToEndTwoReadersTest, NewerModelReadersReachTheirOwnClocks)
{
    sim::ServerOptions options;
    sim::Server server(options);
    server.AddClock(kNewerID, sim::ClockModel::Vt9);
    server.AddClock(kSecondNewerID, sim::ClockModel::Vt9);
    server.Start();
    auto channel = ChannelFactory().CreateEthernetChannel("127.0.0.1", server.Port());
    channel->Connect();
    auto first = channel->GetReader(kNewerID);
    auto second = channel->GetReader(kSecondNewerID);
    ASSERT_TRUE(first && second);

    second->GetTime(); // selects the second clock
    first->SendUser(MakeUser("77"));
    EXPECT_EQ(server.Clock(kNewerID).UserCount(), 1u);
    EXPECT_EQ(server.Clock(kSecondNewerID).UserCount(), 0u);
    second->GetTime();
    EXPECT_EQ(first->GetUser("77")->ID(), "77");
    EXPECT_TRUE(first->GetUserList()->Contains("77"));
    EXPECT_FALSE(second->GetUserList()->Contains("77"));
    channel->Disconnect();
}

TEST(EndToEndTwoReadersTest, ConnectionRefusedLeavesTheChannelUnconnected)
{
    std::uint16_t port = 0;
    {
        sim::Server server;
        server.Start();
        port = server.Port();
    } // nobody listens there any more
    auto channel = ChannelFactory().CreateEthernetChannel("127.0.0.1", port);
    channel->Connect();
    EXPECT_FALSE(channel->IsConnected());
    EXPECT_EQ(channel->GetReader(1), nullptr);
}

// --- a second Connect keeps the open link: no handle, socket or port is orphaned ---

namespace {

int OpenDescriptors()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : mName(name)
    {
        if (const char* old = std::getenv(name))
            mOld = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (mOld)
            setenv(mName, mOld->c_str(), 1);
        else
            unsetenv(mName);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* mName;
    std::optional<std::string> mOld;
};

enum class LinkKind { Tcp, Pty };

class ReconnectTest : public ::testing::TestWithParam<LinkKind> {};

} // namespace

TEST_P(ReconnectTest, ConnectTwiceLeavesNoDescriptorOpen)
{
    const bool pty = GetParam() == LinkKind::Pty;
    sim::ServerOptions options;
    options.Tcp = !pty;
    options.Pty = pty;
    auto server = std::make_unique<sim::Server>(options);
    server->AddClock(kBaseID, sim::ClockModel::Base);
    // Everything the library keeps for the whole process is set up before the count starts.
    auto channel = pty ? ChannelFactory().CreateDirectChannel(7, 115200) : nullptr;
    const int before = OpenDescriptors();
    server->Start();
    if (!pty)
        channel = ChannelFactory().CreateEthernetChannel("127.0.0.1", server->Port());
    std::optional<ScopedEnv> com7;
    if (pty)
        com7.emplace("ZEL_COM7", server->PtyPath());
    const int serving = OpenDescriptors();

    channel->Connect();
    ASSERT_TRUE(channel->IsConnected());
    const auto handle = channel->ChannelHandle();
    ASSERT_TRUE(channel->GetReader(kBaseID)); // the emulator has taken the link up
    const int connected = OpenDescriptors();
    EXPECT_GT(connected, serving);

    channel->Connect();
    channel->Connect();
    EXPECT_TRUE(channel->IsConnected());
    EXPECT_EQ(channel->ChannelHandle(), handle);
    auto reader = channel->GetReader(kBaseID);
    ASSERT_TRUE(reader);
    EXPECT_NO_THROW(reader->GetTime());
    EXPECT_EQ(OpenDescriptors(), connected) << "a second link was opened";

    reader.reset();
    channel->Disconnect();
    EXPECT_FALSE(channel->IsConnected());
    server.reset(); // closes the emulator's side of every link
    EXPECT_EQ(OpenDescriptors(), before) << "a descriptor of the link stayed open";
}

INSTANTIATE_TEST_SUITE_P(TcpAndPty, ReconnectTest, ::testing::Values(LinkKind::Tcp, LinkKind::Pty),
                         [](const ::testing::TestParamInfo<LinkKind>& param) {
                             return std::string(param.param == LinkKind::Tcp ? "Tcp" : "Pty");
                         });
