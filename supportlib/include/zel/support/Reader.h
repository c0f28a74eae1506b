#pragma once

#include "zel/support/IReader.h"
#include "zel/support/Records.h"

#include <memory>

namespace zel::support {

class Channel;
class User;

// The reader of the base clock model. Made by the reader factory (Channel::GetReader). Holds its
// reader ID, its channel, the clock's ReaderInfoRecord (from GetReader, renewed by GetUserList),
// the settings cache and the user under enrollment. Every command selects its clock first; the
// batch commands select once and again only when another reader of the channel selected another
// clock in between (from a step callback or an event handled meanwhile).
class Reader : public IReader, public std::enable_shared_from_this<Reader> {
public:
    Reader(std::int32_t readerID, std::shared_ptr<Channel> channel, const ReaderInfoRecord& info);

    void DisplayMessage(const std::string& message, bool userSpecific = false, const std::string& userID = "",
                        DisplayDurationEnum displayDuration = kDefaultDisplayDuration) override;
    std::shared_ptr<IUser> GetUser(const std::string& userID) override;
    std::int32_t UserCount() override;
    void SendUser(const std::shared_ptr<IReaderVisitor>& user) override;
    void RemoveUser(const std::shared_ptr<IUser>& user) override;
    std::size_t SendUsers(const VisitorList& users, const UserStep& step = {}) override;
    void RemoveUsers(const RemoveList& users, RemoveResult& result, const UserStep& step = {}) override;
    std::shared_ptr<UserList> GetUserList() override;
    TimeDisplayFormatEnum TimeDisplayFormat() override;
    void SetTimeDisplayFormat(TimeDisplayFormatEnum value) override;
    // Reads the settings first when they were never read.
    void SaveSettings() override;
    DayLightSavingsDates SetDayLightSavings() override;
    DayLightSavingsDates SetDayLightSavingsIn(const std::string& zone) override;
    void ClearDayLightSavings() override;
    bool TimeAndAttendanceEnabled() override;
    void SetTimeAndAttendanceEnabled(bool value) override;
    bool DepartmentTrackingEnabled() override;
    void SetDepartmentTrackingEnabled(bool value) override;
    void RemoveAllUsers() override;
    void SendUserList(const VisitorList& list) override;
    zel::DateTime GetTime() override;
    void SetTime(const zel::DateTime& value) override;
    std::shared_ptr<DataLogElement> GetNextDataLogElement() override;
    std::shared_ptr<DataLogList> GetDataLogElementList() override;
    std::shared_ptr<DataLogElement> GetPreviousDataLogElement() override;
    DataLogState GetDataLogState() override;
    DataLogState ReadDataLogAfter(std::uint32_t afterSerial, const DataLogStep& step) override;
    std::shared_ptr<IUser> EnrollUser(const std::string& userID, UserAuthorityLevel authorityLevel,
                                      std::shared_ptr<IEnrollmentStatus> callback = nullptr) override;
    void AbortEnrollment() override;
    void SendFunctionKeyData(const std::vector<std::uint8_t>& data) override;
    bool DayLightSavingsEnabled() override;
    bool DayLightSavingsEnabledIn(const std::string& zone) override;
    void SetDayLightSavingsEnabled(bool value) override;

    // --- used by the classes of this library ---

    std::uint8_t ReaderID() const { return mReaderID; }
    const std::shared_ptr<Channel>& GetChannel() const { return mChannel; }
    // The channel's SetHandReader with this reader's ID.
    void SelectReader();
    // SelectReader when the channel's last selection named another clock; nothing otherwise.
    void KeepSelected();
    // Asks the selected clock for its user count (kept for UserCount) and returns how many data
    // banks that count fills (none for an empty clock); every bank when the count cannot be read.
    int BanksToRead(std::size_t slotsPerBank);

private:
    void EnsureSettings();
    void RemoveByVisitorOrID(const std::shared_ptr<IUser>& user);

    std::uint8_t mReaderID = 0;
    std::shared_ptr<Channel> mChannel;
    ReaderInfoRecord mReaderInfo{};
    SetupRecord mSetup{};
    bool mSettingsLoaded = false;
    std::shared_ptr<User> mUserUnderEnrollment;
};

} // namespace zel::support
