#pragma once

#include "zel/support/IReaderVisitor.h"
#include "zel/support/IUser.h"
#include "zel/support/Records.h"

#include <array>
#include <memory>
#include <string>

namespace zel::support {

class Enrollment;
class IEnrollmentStatus;

// A user record of the base clock model. A new User is all zero with an empty ID.
class User : public IUser, public IReaderVisitor {
public:
    User() = default;

    // IUser
    std::string ID() const override { return mID; }
    void SetID(const std::string& value) override { mID = value; }
    UserAuthorityLevel AuthorityLevel() const override { return mAuthorityLevel; }
    void SetAuthorityLevel(UserAuthorityLevel value) override { mAuthorityLevel = value; }
    std::int16_t RejectThreshold() const override { return mRejectThreshold; }
    void SetRejectThreshold(std::int16_t value) override { mRejectThreshold = value; }
    std::uint8_t TimeZone() const override { return mTimeZone; }
    void SetTimeZone(std::uint8_t value) override { mTimeZone = value; }
    std::vector<std::uint8_t> Template() const override;
    void SetTemplate(const std::vector<std::uint8_t>& value) override;

    // IReaderVisitor: both send operations send the 24-byte UserRecord; Remove removes by ID;
    // both append operations write the first 16 bytes of the UserRecord.
    void SendToReader(Channel& channel) override;
    void SendToVT9Reader(Channel& channel) override;
    void Remove(Channel& channel) override;
    void AppendToReaderBuffer(std::span<std::uint8_t, 16> slot) override;
    void AppendToVT9ReaderBuffer(std::span<std::uint8_t, 16> slot) override;

    // --- used by the classes of this library ---

    // A user ID is 1 to 10 digits. Raises number 5, source "ZelClock": "User ID must be between
    // 1 and 10 digits." for a text shorter than 1 or longer than 10 characters, else "User ID
    // can only contain digits." for any character other than 0..9. Every path that puts a user
    // ID on the line (user records, bank slots, enrollment, display messages) checks it first,
    // so a bad ID is never sent as user 0.
    static void CheckID(const std::string& userID);

    // The 24-byte record. Raises CheckID's error for a bad ID, so nothing is sent for it.
    UserRecord ToRecord() const;
    void FromRecord(const UserRecord& record);
    void LoadFromReader(Channel& channel, const std::string& userID);
    // Runs an enrollment on the channel; true when it was neither aborted nor timed out (the
    // user then holds the ID, level and new template). A bad ID raises CheckID's error before
    // the clock is addressed; vendor failures raise.
    bool Enroll(const std::string& userID, UserAuthorityLevel authorityLevel, Channel& channel,
                std::shared_ptr<IEnrollmentStatus> callback);
    // Asks the running enrollment to stop; nothing without one.
    void AbortEnrollment();

private:
    std::string mID;
    UserAuthorityLevel mAuthorityLevel = UserAuthorityLevel::None;
    std::int16_t mRejectThreshold = 0;
    std::array<std::uint8_t, kTemplateSize> mTemplate{};
    std::uint8_t mTimeZone = 0;
    std::shared_ptr<Enrollment> mEnrollment;
};

} // namespace zel::support
