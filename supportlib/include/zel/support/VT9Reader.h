#pragma once

#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/support/Reader.h"

#include <memory>

namespace zel::support {

// The reader of the newer clock model (model code 2): extended user records, 53 users per data
// bank, names at enrollment. Everything else is done by an inner base-model Reader, which holds
// the reader ID, the settings cache and the clock's ReaderInfoRecord. Like the inner reader, every
// command selects this reader's clock first, so it reaches this clock whichever clock of the
// channel was addressed last.
class VT9Reader : public IReader, public std::enable_shared_from_this<VT9Reader> {
public:
    static constexpr std::size_t kSlotSize = 77;
    static constexpr std::size_t kSlotsPerBank = 53;

    VT9Reader(std::int32_t readerID, std::shared_ptr<Channel> channel, const ReaderInfoRecord& info);

    // Own operations
    std::shared_ptr<ExtendedUser> EnrollUser(const std::string& userID, const std::string& name,
                                             UserAuthorityLevel authorityLevel,
                                             std::shared_ptr<IEnrollmentStatus> callback = nullptr);

    // IReader
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
    // Enrolls with an empty name; the result is an ExtendedUser.
    std::shared_ptr<IUser> EnrollUser(const std::string& userID, UserAuthorityLevel authorityLevel,
                                      std::shared_ptr<IEnrollmentStatus> callback = nullptr) override;
    void AbortEnrollment() override;
    void SendFunctionKeyData(const std::vector<std::uint8_t>& data) override;
    bool DayLightSavingsEnabled() override;
    bool DayLightSavingsEnabledIn(const std::string& zone) override;
    void SetDayLightSavingsEnabled(bool value) override;

    const std::shared_ptr<Reader>& InnerReader() const { return mReader; }

private:
    std::shared_ptr<Channel> mChannel;
    std::shared_ptr<Reader> mReader;
    std::shared_ptr<ExtendedUser> mUserUnderEnrollment;
};

} // namespace zel::support
