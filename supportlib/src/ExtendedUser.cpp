#include "zel/support/ExtendedUser.h"

#include "zel/support/Channel.h"

#include <algorithm>

namespace zel::support {

ExtendedUser::ExtendedUser() : mUser(std::make_shared<User>()) {}

ExtUserRecord ExtendedUser::ToExtRecord() const
{
    ExtUserRecord record = mExtRecord;
    auto base = mUser->ToRecord();
    std::copy(base.begin(), base.end(), record.begin());
    return record;
}

void ExtendedUser::SendToReader(Channel& channel)
{
    mUser->SendToReader(channel);
}

void ExtendedUser::SendToVT9Reader(Channel& channel)
{
    mExtRecord = ToExtRecord();
    channel.HereIsExtUserRecord(mExtRecord);
}

void ExtendedUser::Remove(Channel& channel)
{
    mUser->Remove(channel);
}

void ExtendedUser::AppendToReaderBuffer(std::span<std::uint8_t, 16> slot)
{
    mUser->AppendToReaderBuffer(slot);
}

void ExtendedUser::AppendToVT9ReaderBuffer(std::span<std::uint8_t, 16> slot)
{
    mUser->AppendToVT9ReaderBuffer(slot);
}

void ExtendedUser::FromExtRecord(const ExtUserRecord& record)
{
    UserRecord base{};
    std::copy_n(record.begin(), base.size(), base.begin());
    auto user = std::make_shared<User>();
    user->FromRecord(base);
    mUser = user;
}

void ExtendedUser::LoadFromReader(Channel& channel, const std::string& userID)
{
    FromExtRecord(channel.GetExtUserRecord(userID));
}

bool ExtendedUser::Enroll(const std::string& userID, const std::string& /*name*/, UserAuthorityLevel authorityLevel,
                          Channel& channel, std::shared_ptr<IEnrollmentStatus> callback)
{
    auto user = std::make_shared<User>();
    mUserUnderEnrollment = user;
    bool enrolled = false;
    try {
        enrolled = user->Enroll(userID, authorityLevel, channel, std::move(callback));
    } catch (...) {
        mUserUnderEnrollment.reset();
        throw;
    }
    mUserUnderEnrollment.reset();
    if (enrolled)
        mUser = user;
    return enrolled;
}

void ExtendedUser::AbortEnrollment()
{
    if (mUserUnderEnrollment)
        mUserUnderEnrollment->AbortEnrollment();
}

} // namespace zel::support
