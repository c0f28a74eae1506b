#include "zel/support/Reader.h"

#include "zel/support/Channel.h"
#include "zel/support/DisplayMessageCommand.h"
#include "zel/support/User.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>
#include <utility>

namespace zel::support {
namespace {

constexpr int kBankCount = 10;
constexpr std::size_t kSlotsPerBank = ZEL_DATA_BANK_SIZE / layout::kBankSlotSize; // 256
constexpr std::uint8_t kEmptySlot = 0xFF;
constexpr std::uint8_t kTimeAndAttendanceBit = 0x01;
constexpr std::uint8_t kDepartmentTrackingBit = 0x02;

void WriteDayLightSavingsRecord(std::uint8_t* p, const zel::DateTime& date)
{
    p[0] = 0; // second
    p[1] = 0; // minute
    p[2] = 2; // hour
    p[3] = static_cast<std::uint8_t>(date.Day());
    p[4] = static_cast<std::uint8_t>(date.Month());
    p[5] = 0; // year
}

} // namespace

Reader::Reader(std::int32_t readerID, std::shared_ptr<Channel> channel, const ReaderInfoRecord& info)
    : mReaderID(static_cast<std::uint8_t>(readerID & 0xFF)), mChannel(std::move(channel)), mReaderInfo(info)
{
}

void Reader::SelectReader()
{
    mChannel->SetHandReader(mReaderID);
}

void Reader::EnsureSettings()
{
    if (mSettingsLoaded)
        return;
    SelectReader();
    mSetup = mChannel->GetSetupData();
    mSettingsLoaded = true;
}

void Reader::DisplayMessage(const std::string& message, bool userSpecific, const std::string& userID,
                            DisplayDurationEnum displayDuration)
{
    // Refuse bad arguments before the clock is addressed at all.
    DisplayMessageCommand::Check(message, userSpecific, userID);
    SelectReader();
    mChannel->DisplayMessage(message, userSpecific, userID, displayDuration);
}

std::shared_ptr<IUser> Reader::GetUser(const std::string& userID)
{
    SelectReader();
    auto user = std::make_shared<User>();
    user->LoadFromReader(*mChannel, userID);
    return user;
}

std::int32_t Reader::UserCount()
{
    return GetInt16LE(mReaderInfo.data() + layout::kReaderUserCount);
}

void Reader::SendUser(const std::shared_ptr<IReaderVisitor>& user)
{
    if (!user)
        RaiseInvalidArgument("No user to send.");
    SelectReader();
    user->SendToReader(*mChannel);
}

void Reader::RemoveByVisitorOrID(const std::shared_ptr<IUser>& user)
{
    if (auto visitor = std::dynamic_pointer_cast<IReaderVisitor>(user))
        visitor->Remove(*mChannel);
    else
        mChannel->RemoveUserRecord(user->ID());
}

void Reader::RemoveUser(const std::shared_ptr<IUser>& user)
{
    if (!user)
        RaiseInvalidArgument("No user to remove.");
    SelectReader();
    RemoveByVisitorOrID(user);
}

std::shared_ptr<UserList> Reader::GetUserList()
{
    SelectReader();
    auto list = std::make_shared<UserList>("ZelClock");
    try {
        for (int bank = 0; bank < kBankCount; ++bank) {
            auto data = mChannel->GetDataBank(bank);
            for (std::size_t slot = 0; slot < kSlotsPerBank; ++slot) {
                const auto* start = data.data() + slot * layout::kBankSlotSize;
                if (start[0] == kEmptySlot)
                    return list;
                UserRecord record{};
                std::copy_n(start, layout::kBankSlotSize, record.begin());
                auto user = std::make_shared<User>();
                user->FromRecord(record);
                auto key = user->ID();
                list->Add(user, key);
            }
        }
    } catch (const std::exception&) {
        // An unreadable bank or a repeated ID ends the read; what was read is the result.
    }
    return list;
}

TimeDisplayFormatEnum Reader::TimeDisplayFormat()
{
    EnsureSettings();
    return static_cast<TimeDisplayFormatEnum>(GetInt32LE(mSetup.data() + layout::kSetupTimeFormat));
}

void Reader::SetTimeDisplayFormat(TimeDisplayFormatEnum value)
{
    EnsureSettings();
    PutInt32LE(mSetup.data() + layout::kSetupTimeFormat, static_cast<std::int32_t>(value));
}

void Reader::SaveSettings()
{
    // Never send the zero-filled cache: a clock would lose all its settings.
    EnsureSettings();
    SelectReader();
    mChannel->HereIsSetupData(mSetup);
}

zel::DateTime Reader::DayLightSavingsStart(int year)
{
    zel::DateTime first(year, 4, 1);
    return zel::DateTime(year, 4, 1 + (7 - first.DayOfWeek()) % 7, 2);
}

zel::DateTime Reader::DayLightSavingsEnd(int year)
{
    zel::DateTime last(year, 10, 31);
    return zel::DateTime(year, 10, 31 - last.DayOfWeek(), 2);
}

void Reader::SetDayLightSavings()
{
    EnsureSettings();
    int year = zel::DateTime::Now().Year();
    WriteDayLightSavingsRecord(mSetup.data() + layout::kSetupDstStart, DayLightSavingsStart(year));
    WriteDayLightSavingsRecord(mSetup.data() + layout::kSetupDstEnd, DayLightSavingsEnd(year));
}

void Reader::ClearDayLightSavings()
{
    EnsureSettings();
    std::fill_n(mSetup.begin() + layout::kSetupDstStart, 2 * ZEL_TIME_RECORD_SIZE, 0);
}

bool Reader::DayLightSavingsEnabled()
{
    EnsureSettings();
    auto start = DayLightSavingsStart(zel::DateTime::Now().Year());
    const auto* stored = mSetup.data() + layout::kSetupDstStart;
    return stored[3] == start.Day() && stored[4] == start.Month();
}

void Reader::SetDayLightSavingsEnabled(bool value)
{
    if (value)
        SetDayLightSavings();
    else
        ClearDayLightSavings();
}

bool Reader::TimeAndAttendanceEnabled()
{
    EnsureSettings();
    return (mSetup[layout::kSetupOptions] & kTimeAndAttendanceBit) != 0;
}

void Reader::SetTimeAndAttendanceEnabled(bool value)
{
    EnsureSettings();
    auto& bits = mSetup[layout::kSetupOptions];
    bits = static_cast<std::uint8_t>(value ? bits | kTimeAndAttendanceBit : bits & ~kTimeAndAttendanceBit);
}

bool Reader::DepartmentTrackingEnabled()
{
    EnsureSettings();
    return (mSetup[layout::kSetupOptions] & kDepartmentTrackingBit) != 0;
}

void Reader::SetDepartmentTrackingEnabled(bool value)
{
    EnsureSettings();
    auto& bits = mSetup[layout::kSetupOptions];
    bits = static_cast<std::uint8_t>(value ? bits | kDepartmentTrackingBit : bits & ~kDepartmentTrackingBit);
}

void Reader::RemoveAllUsers()
{
    SelectReader();
    mChannel->ClearUserDataBase();
}

void Reader::SendUserList(const VisitorList& list)
{
    if (list.empty())
        RaiseInvalidArgument("The user list is empty.");
    if (std::any_of(list.begin(), list.end(), [](const auto& item) { return !item; }))
        RaiseInvalidArgument("The user list holds an empty item.");
    SelectReader();
    std::vector<DataBank> banks((list.size() - 1) / kSlotsPerBank + 1);
    for (auto& bank : banks)
        bank.fill(kEmptySlot);
    for (std::size_t k = 0; k < list.size(); ++k) {
        auto* slot = banks[k / kSlotsPerBank].data() + (k % kSlotsPerBank) * layout::kBankSlotSize;
        list[k]->AppendToVT9ReaderBuffer(std::span<std::uint8_t, 16>(slot, 16));
    }
    for (std::size_t b = 0; b < banks.size(); ++b)
        mChannel->SetDataBank(static_cast<std::int32_t>(b), banks[b]);
}

zel::DateTime Reader::GetTime()
{
    SelectReader();
    return mChannel->GetTime();
}

void Reader::SetTime(const zel::DateTime& value)
{
    CheckClockYear(value); // refused before the clock is addressed
    SelectReader();
    mChannel->HereIsTime(value);
}

std::shared_ptr<DataLogElement> Reader::GetNextDataLogElement()
{
    SelectReader();
    auto element = std::make_shared<DataLogElement>();
    element->Load(*mChannel, false);
    return element;
}

std::shared_ptr<DataLogElement> Reader::GetPreviousDataLogElement()
{
    SelectReader();
    auto element = std::make_shared<DataLogElement>();
    element->Load(*mChannel, true);
    return element;
}

std::shared_ptr<DataLogList> Reader::GetDataLogElementList()
{
    SelectReader();
    auto list = std::make_shared<DataLogList>();
    // A clock that never reports the end of its log must not hang the program.
    for (int read = 0; read < kMaxDataLogElements; ++read) {
        auto element = std::make_shared<DataLogElement>();
        element->Load(*mChannel, false);
        if (element->IsEmpty())
            break;
        list->push_back(std::move(element));
    }
    return list;
}

std::shared_ptr<IUser> Reader::EnrollUser(const std::string& userID, UserAuthorityLevel authorityLevel,
                                          std::shared_ptr<IEnrollmentStatus> callback)
{
    auto keepAlive = shared_from_this(); // the caller's events may drop the reader meanwhile
    SelectReader();
    auto user = std::make_shared<User>();
    mUserUnderEnrollment = user;
    bool enrolled = false;
    try {
        enrolled = user->Enroll(userID, authorityLevel, *mChannel, std::move(callback));
    } catch (...) {
        mUserUnderEnrollment.reset();
        throw;
    }
    mUserUnderEnrollment.reset();
    if (!enrolled)
        return nullptr;
    SendUser(user);
    return user;
}

void Reader::AbortEnrollment()
{
    auto user = std::exchange(mUserUnderEnrollment, nullptr);
    if (!user)
        return;
    // The request is a flag, set before the clock is addressed so a failing select cannot lose it.
    user->AbortEnrollment();
    SelectReader();
}

void Reader::SendFunctionKeyData(const std::vector<std::uint8_t>& data)
{
    SelectReader();
    mChannel->HereIsFkeyData(data);
}

} // namespace zel::support
