#include "zel/support/VT9Reader.h"

#include "UserBanks.h"

#include "zel/support/Channel.h"
#include "zel/support/User.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>
#include <utility>

namespace zel::support {

VT9Reader::VT9Reader(std::int32_t readerID, std::shared_ptr<Channel> channel, const ReaderInfoRecord& info)
    : mChannel(channel), mReader(std::make_shared<Reader>(readerID, std::move(channel), info))
{
}

std::shared_ptr<IUser> VT9Reader::GetUser(const std::string& userID)
{
    mReader->SelectReader();
    auto user = std::make_shared<ExtendedUser>();
    user->LoadFromReader(*mChannel, userID);
    return user;
}

void VT9Reader::SendUser(const std::shared_ptr<IReaderVisitor>& user)
{
    if (!user)
        RaiseInvalidArgument("No user to send.");
    CheckVisitorToSend(*user); // a bad ID is refused before the clock is addressed
    mReader->SelectReader();
    user->SendToVT9Reader(*mChannel);
}

std::size_t VT9Reader::SendUsers(const VisitorList& users, const UserStep& step)
{
    return ActAfterOneSelect(
        users.size(), step,
        [&](std::size_t k) {
            if (!users[k])
                RaiseInvalidArgument("No user to send.");
            CheckVisitorToSend(*users[k]);
        },
        [this] { mReader->SelectReader(); },
        [&](std::size_t k) {
            mReader->KeepSelected(); // the step may have used another clock of the channel
            users[k]->SendToVT9Reader(*mChannel);
        });
}

void VT9Reader::RemoveUsers(const RemoveList& users, RemoveResult& result, const UserStep& step)
{
    mReader->RemoveUsers(users, result, step);
}

std::shared_ptr<UserList> VT9Reader::GetUserList()
{
    mReader->SelectReader();
    const int banks = mReader->BanksToRead(kSlotsPerBank);
    return ReadUserBanks(
        *mChannel, {kSlotsPerBank, kSlotSize},
        [](const std::uint8_t* slot) {
            ExtUserRecord record{};
            std::copy_n(slot, layout::kBankSlotSize, record.begin());
            auto user = std::make_shared<ExtendedUser>();
            user->FromExtRecord(record);
            return std::static_pointer_cast<IUser>(user);
        },
        banks);
}

void VT9Reader::SendUserList(const VisitorList& list)
{
    CheckUserListToSend(list);
    mReader->SelectReader();
    WriteUserBanks(*mChannel, list, {kSlotsPerBank, kSlotSize});
}

std::shared_ptr<ExtendedUser> VT9Reader::EnrollUser(const std::string& userID, const std::string& name,
                                                    UserAuthorityLevel authorityLevel,
                                                    std::shared_ptr<IEnrollmentStatus> callback)
{
    auto keepAlive = shared_from_this(); // the caller's events may drop the reader meanwhile
    User::CheckID(userID);               // a bad ID is refused before the clock is addressed
    mReader->SelectReader();
    auto user = std::make_shared<ExtendedUser>();
    mUserUnderEnrollment = user;
    bool enrolled = false;
    try {
        enrolled = user->Enroll(userID, name, authorityLevel, *mChannel, std::move(callback));
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

std::shared_ptr<IUser> VT9Reader::EnrollUser(const std::string& userID, UserAuthorityLevel authorityLevel,
                                             std::shared_ptr<IEnrollmentStatus> callback)
{
    return EnrollUser(userID, std::string(), authorityLevel, std::move(callback));
}

void VT9Reader::AbortEnrollment()
{
    if (auto user = std::exchange(mUserUnderEnrollment, nullptr))
        user->AbortEnrollment();
}

void VT9Reader::RemoveUser(const std::shared_ptr<IUser>& user)
{
    mReader->RemoveUser(user);
}

void VT9Reader::SendFunctionKeyData(const std::vector<std::uint8_t>& data)
{
    mReader->SendFunctionKeyData(data);
}

void VT9Reader::DisplayMessage(const std::string& message, bool userSpecific, const std::string& userID,
                               DisplayDurationEnum displayDuration)
{
    mReader->DisplayMessage(message, userSpecific, userID, displayDuration);
}

std::int32_t VT9Reader::UserCount()
{
    return mReader->UserCount();
}
TimeDisplayFormatEnum VT9Reader::TimeDisplayFormat()
{
    return mReader->TimeDisplayFormat();
}
void VT9Reader::SetTimeDisplayFormat(TimeDisplayFormatEnum value)
{
    mReader->SetTimeDisplayFormat(value);
}
void VT9Reader::SaveSettings()
{
    mReader->SaveSettings();
}
DayLightSavingsDates VT9Reader::SetDayLightSavings()
{
    return mReader->SetDayLightSavings();
}
DayLightSavingsDates VT9Reader::SetDayLightSavingsIn(const std::string& zone)
{
    return mReader->SetDayLightSavingsIn(zone);
}
void VT9Reader::ClearDayLightSavings()
{
    mReader->ClearDayLightSavings();
}
bool VT9Reader::TimeAndAttendanceEnabled()
{
    return mReader->TimeAndAttendanceEnabled();
}
void VT9Reader::SetTimeAndAttendanceEnabled(bool value)
{
    mReader->SetTimeAndAttendanceEnabled(value);
}
bool VT9Reader::DepartmentTrackingEnabled()
{
    return mReader->DepartmentTrackingEnabled();
}
void VT9Reader::SetDepartmentTrackingEnabled(bool value)
{
    mReader->SetDepartmentTrackingEnabled(value);
}
void VT9Reader::RemoveAllUsers()
{
    mReader->RemoveAllUsers();
}
zel::DateTime VT9Reader::GetTime()
{
    return mReader->GetTime();
}
void VT9Reader::SetTime(const zel::DateTime& value)
{
    mReader->SetTime(value);
}
std::shared_ptr<DataLogElement> VT9Reader::GetNextDataLogElement()
{
    return mReader->GetNextDataLogElement();
}
std::shared_ptr<DataLogList> VT9Reader::GetDataLogElementList()
{
    return mReader->GetDataLogElementList();
}
DataLogState VT9Reader::GetDataLogState()
{
    return mReader->GetDataLogState();
}
DataLogState VT9Reader::ReadDataLogAfter(std::uint32_t afterSerial, const DataLogStep& step)
{
    return mReader->ReadDataLogAfter(afterSerial, step);
}
std::shared_ptr<DataLogElement> VT9Reader::GetPreviousDataLogElement()
{
    return mReader->GetPreviousDataLogElement();
}
bool VT9Reader::DayLightSavingsEnabled()
{
    return mReader->DayLightSavingsEnabled();
}
bool VT9Reader::DayLightSavingsEnabledIn(const std::string& zone)
{
    return mReader->DayLightSavingsEnabledIn(zone);
}
void VT9Reader::SetDayLightSavingsEnabled(bool value)
{
    mReader->SetDayLightSavingsEnabled(value);
}

} // namespace zel::support
