#pragma once

#include "zel/support/IReaderVisitor.h"
#include "zel/support/IUser.h"
#include "zel/support/Records.h"
#include "zel/support/User.h"

#include <memory>
#include <string>

namespace zel::support {

class IEnrollmentStatus;

// A user record of the newer clock model (92-byte extended record). Every user property is
// kept by an inner User. The clock record has no room for a name: Name reads back empty.
class ExtendedUser : public IUser, public IReaderVisitor {
public:
    ExtendedUser();

    // Accepted and dropped.
    std::string Name() const { return {}; }
    void SetName(const std::string&) {}

    // IUser, delegated to the inner user
    std::string ID() const override { return mUser->ID(); }
    void SetID(const std::string& value) override { mUser->SetID(value); }
    UserAuthorityLevel AuthorityLevel() const override { return mUser->AuthorityLevel(); }
    void SetAuthorityLevel(UserAuthorityLevel value) override { mUser->SetAuthorityLevel(value); }
    std::int16_t RejectThreshold() const override { return mUser->RejectThreshold(); }
    void SetRejectThreshold(std::int16_t value) override { mUser->SetRejectThreshold(value); }
    std::uint8_t TimeZone() const override { return mUser->TimeZone(); }
    void SetTimeZone(std::uint8_t value) override { mUser->SetTimeZone(value); }
    std::vector<std::uint8_t> Template() const override { return mUser->Template(); }
    void SetTemplate(const std::vector<std::uint8_t>& value) override { mUser->SetTemplate(value); }

    // IReaderVisitor: SendToVT9Reader sends the 92-byte record; the others act as the inner
    // User does (base-model record or slot).
    void SendToReader(Channel& channel) override;
    void SendToVT9Reader(Channel& channel) override;
    void Remove(Channel& channel) override;
    void AppendToReaderBuffer(std::span<std::uint8_t, 16> slot) override;
    void AppendToVT9ReaderBuffer(std::span<std::uint8_t, 16> slot) override;

    // --- used by the classes of this library ---

    const std::shared_ptr<User>& InnerUser() const { return mUser; }
    ExtUserRecord ToExtRecord() const;
    void FromExtRecord(const ExtUserRecord& record);
    void LoadFromReader(Channel& channel, const std::string& userID);
    bool Enroll(const std::string& userID, const std::string& name, UserAuthorityLevel authorityLevel, Channel& channel,
                std::shared_ptr<IEnrollmentStatus> callback);
    void AbortEnrollment();

private:
    std::shared_ptr<User> mUser;
    std::shared_ptr<User> mUserUnderEnrollment;
    ExtUserRecord mExtRecord{};
};

} // namespace zel::support
