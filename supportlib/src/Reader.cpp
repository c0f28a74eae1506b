#include "zel/support/Reader.h"

#include "UserBanks.h"

#include "zel/support/Channel.h"
#include "zel/support/DisplayMessageCommand.h"
#include "zel/support/User.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

namespace zel::support {
namespace {

constexpr std::size_t kSlotsPerBank = ZEL_DATA_BANK_SIZE / layout::kBankSlotSize; // 256

// The start and end records of the daylight-saving dates (none: zeros), as they sit at
// kSetupDstStart in the SetupRecord: each the second, minute, hour, day and month of the change
// and year byte 0 (every year).
std::array<std::uint8_t, 2 * ZEL_TIME_RECORD_SIZE> DayLightSavingsRecords(const DayLightSavingsDates& dates)
{
    std::array<std::uint8_t, 2 * ZEL_TIME_RECORD_SIZE> records{};
    if (!dates.HasDayLightSavings())
        return records;
    auto put = [](std::uint8_t* p, const zel::DateTime& change) {
        p[0] = 0;
        p[1] = static_cast<std::uint8_t>(change.Minute());
        p[2] = static_cast<std::uint8_t>(change.Hour());
        p[3] = static_cast<std::uint8_t>(change.Day());
        p[4] = static_cast<std::uint8_t>(change.Month());
        p[5] = 0;
    };
    put(records.data(), dates.Start());
    put(records.data() + ZEL_TIME_RECORD_SIZE, dates.End());
    return records;
}

} // namespace

Reader::Reader(std::int32_t readerID, std::shared_ptr<Channel> channel, const ReaderInfoRecord& info)
    : mReaderID(static_cast<std::uint8_t>(readerID & 0xFF)), mChannel(std::move(channel)), mReaderInfo(info)
{
}

int Reader::BanksToRead(std::size_t slotsPerBank)
{
    // The count given when this reader was made may be old: users come from the clock itself,
    // other channels and other programs. Asking costs one short exchange; a bank costs 4 KiB.
    try {
        mReaderInfo = mChannel->GetReaderInfo();
    } catch (const std::exception&) {
        return kUserBankCount; // read on to the first empty slot
    }
    return BanksFilledBy(GetInt16LE(mReaderInfo.data() + layout::kReaderUserCount), slotsPerBank);
}

void Reader::SelectReader()
{
    mChannel->SetHandReader(mReaderID);
}

void Reader::KeepSelected()
{
    if (mChannel->SelectedReader() != mReaderID)
        SelectReader();
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
    CheckVisitorToSend(*user); // a bad ID is refused before the clock is addressed
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

std::size_t Reader::SendUsers(const VisitorList& users, const UserStep& step)
{
    return ActAfterOneSelect(
        users.size(), step,
        [&](std::size_t k) {
            if (!users[k])
                RaiseInvalidArgument("No user to send.");
            CheckVisitorToSend(*users[k]);
        },
        [this] { SelectReader(); },
        [&](std::size_t k) {
            KeepSelected(); // the step may have used another clock of the channel
            users[k]->SendToReader(*mChannel);
        });
}

void Reader::RemoveUsers(const RemoveList& users, RemoveResult& result, const UserStep& step)
{
    result = RemoveResult();
    ActAfterOneSelect(
        users.size(), step,
        [&](std::size_t k) {
            if (!users[k])
                RaiseInvalidArgument("No user to remove.");
            User::CheckID(users[k]->ID()); // so that the clock's result 1 can only mean "not held"
        },
        [this] { SelectReader(); },
        [&](std::size_t k) {
            KeepSelected();
            if (mChannel->RemoveUserRecordIfHeld(users[k]->ID()))
                ++result.Removed;
            else
                result.NotOnClock.push_back(k);
        });
}

std::shared_ptr<UserList> Reader::GetUserList()
{
    SelectReader();
    const int banks = BanksToRead(kSlotsPerBank);
    return ReadUserBanks(
        *mChannel, {kSlotsPerBank, layout::kBankSlotSize},
        [](const std::uint8_t* slot) {
            UserRecord record{};
            std::copy_n(slot, layout::kBankSlotSize, record.begin());
            auto user = std::make_shared<User>();
            user->FromRecord(record);
            return std::static_pointer_cast<IUser>(user);
        },
        banks);
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

DayLightSavingsDates Reader::SetDayLightSavings()
{
    return SetDayLightSavingsIn({});
}

DayLightSavingsDates Reader::SetDayLightSavingsIn(const std::string& zone)
{
    auto dates = DayLightSavingsDates::ThisYear(zone); // an unknown zone raises before anything is read
    EnsureSettings();
    const auto records = DayLightSavingsRecords(dates);
    std::copy(records.begin(), records.end(), mSetup.begin() + layout::kSetupDstStart);
    return dates;
}

void Reader::ClearDayLightSavings()
{
    EnsureSettings();
    std::fill_n(mSetup.begin() + layout::kSetupDstStart, 2 * ZEL_TIME_RECORD_SIZE, 0);
}

bool Reader::DayLightSavingsEnabled()
{
    return DayLightSavingsEnabledIn({});
}

bool Reader::DayLightSavingsEnabledIn(const std::string& zone)
{
    EnsureSettings();
    const auto dates = DayLightSavingsDates::ThisYear(zone);
    if (!dates.HasDayLightSavings())
        return false;
    const auto records = DayLightSavingsRecords(dates);
    return std::equal(records.begin(), records.end(), mSetup.begin() + layout::kSetupDstStart);
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
    return (mSetup[layout::kSetupOptions] & layout::kTimeAndAttendanceBit) != 0;
}

void Reader::SetTimeAndAttendanceEnabled(bool value)
{
    EnsureSettings();
    auto& bits = mSetup[layout::kSetupOptions];
    bits =
        static_cast<std::uint8_t>(value ? bits | layout::kTimeAndAttendanceBit : bits & ~layout::kTimeAndAttendanceBit);
}

bool Reader::DepartmentTrackingEnabled()
{
    EnsureSettings();
    return (mSetup[layout::kSetupOptions] & layout::kDepartmentTrackingBit) != 0;
}

void Reader::SetDepartmentTrackingEnabled(bool value)
{
    EnsureSettings();
    auto& bits = mSetup[layout::kSetupOptions];
    bits = static_cast<std::uint8_t>(value ? bits | layout::kDepartmentTrackingBit
                                           : bits & ~layout::kDepartmentTrackingBit);
}

void Reader::RemoveAllUsers()
{
    SelectReader();
    mChannel->ClearUserDataBase();
}

void Reader::SendUserList(const VisitorList& list)
{
    CheckUserListToSend(list);
    SelectReader();
    WriteUserBanks(*mChannel, list, {kSlotsPerBank, layout::kBankSlotSize});
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

DataLogState Reader::GetDataLogState()
{
    SelectReader();
    return mChannel->ReadDataLog(ZEL_LOG_NEXT, 0, 0).State;
}

DataLogState Reader::ReadDataLogAfter(std::uint32_t afterSerial, const DataLogStep& step)
{
    SelectReader();
    std::uint32_t after = afterSerial;
    // A clock that never reports the end of its log must not hang the program.
    for (int read = 0; read < kMaxDataLogElements; read += ZEL_DATA_LOG_READ_MAX) {
        KeepSelected(); // the step may have used another clock of the channel
        const DataLogRead answer = mChannel->ReadDataLog(ZEL_LOG_AFTER_SERIAL, after, ZEL_DATA_LOG_READ_MAX);
        const bool more = step ? step(answer) : true;
        if (answer.Records.empty() || !more)
            return answer.State;
        after = answer.State.FirstReadSerial + static_cast<std::uint32_t>(answer.Records.size()) - 1;
        if (after + 1 >= answer.State.NextSerial)
            return answer.State;
    }
    return mChannel->ReadDataLog(ZEL_LOG_NEXT, 0, 0).State;
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
    User::CheckID(userID);               // a bad ID is refused before the clock is addressed
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
