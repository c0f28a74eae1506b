#include "zel/support/User.h"

#include "zel/Text.h"
#include "zel/support/Channel.h"
#include "zel/support/Enrollment.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>

namespace zel::support {
namespace {

constexpr std::size_t kMaxUserIDLength = 10;

std::size_t CharacterCount(const std::string& utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

void User::CheckID(const std::string& userID)
{
    auto length = CharacterCount(userID);
    if (length < 1 || length > kMaxUserIDLength)
        RaiseInvalidArgument("User ID must be between 1 and 10 digits.");
    if (!zel::IsAllDigits(userID))
        RaiseInvalidArgument("User ID can only contain digits.");
}

std::vector<std::uint8_t> User::Template() const
{
    return {mTemplate.begin(), mTemplate.end()};
}

void User::SetTemplate(const std::vector<std::uint8_t>& value)
{
    if (value.size() < kTemplateSize)
        RaiseInvalidArgument("A hand template must have 9 bytes.");
    std::copy_n(value.begin(), kTemplateSize, mTemplate.begin());
}

UserRecord User::ToRecord() const
{
    CheckID(mID);
    UserRecord record{};
    auto id = Channel::TextToIDUnchecked(mID);
    std::copy(id.begin(), id.end(), record.begin() + layout::kUserId);
    std::copy(mTemplate.begin(), mTemplate.end(), record.begin() + layout::kUserTemplate);
    PutInt32LE(record.data() + layout::kUserAuthority, static_cast<std::int32_t>(mAuthorityLevel));
    PutInt16LE(record.data() + layout::kUserReject, mRejectThreshold);
    record[layout::kUserTimeZone] = mTimeZone;
    return record;
}

void User::FromRecord(const UserRecord& record)
{
    mID = Channel::IDToText(record.data() + layout::kUserId);
    mAuthorityLevel = static_cast<UserAuthorityLevel>(GetInt32LE(record.data() + layout::kUserAuthority));
    mRejectThreshold = GetInt16LE(record.data() + layout::kUserReject);
    std::copy_n(record.begin() + layout::kUserTemplate, kTemplateSize, mTemplate.begin());
    mTimeZone = record[layout::kUserTimeZone];
}

void User::SendToReader(Channel& channel)
{
    channel.HereIsUserRecord(ToRecord());
}

void User::SendToVT9Reader(Channel& channel)
{
    channel.HereIsUserRecord(ToRecord());
}

void User::Remove(Channel& channel)
{
    channel.RemoveUserRecord(mID);
}

void User::AppendToReaderBuffer(std::span<std::uint8_t, 16> slot)
{
    auto record = ToRecord();
    std::copy_n(record.begin(), slot.size(), slot.begin());
}

void User::AppendToVT9ReaderBuffer(std::span<std::uint8_t, 16> slot)
{
    AppendToReaderBuffer(slot);
}

void User::LoadFromReader(Channel& channel, const std::string& userID)
{
    FromRecord(channel.GetUserRecord(userID));
}

bool User::Enroll(const std::string& userID, UserAuthorityLevel authorityLevel, Channel& channel,
                  std::shared_ptr<IEnrollmentStatus> callback)
{
    CheckID(userID);
    auto enrollment = std::make_shared<Enrollment>();
    mEnrollment = enrollment;
    UserRecord record{};
    try {
        record = enrollment->Run(channel, std::move(callback));
    } catch (...) {
        mEnrollment.reset();
        throw;
    }
    mEnrollment.reset();
    if (enrollment->IsAborted() || enrollment->IsTimedOut())
        return false;
    PutInt32LE(record.data() + layout::kUserAuthority, static_cast<std::int32_t>(authorityLevel));
    auto id = Channel::TextToIDUnchecked(userID);
    std::copy(id.begin(), id.end(), record.begin() + layout::kUserId);
    FromRecord(record);
    return true;
}

void User::AbortEnrollment()
{
    if (mEnrollment)
        mEnrollment->Abort();
}

} // namespace zel::support
