#pragma once

#include "zel/DateTime.h"
#include "zel/KeyedCollection.h"
#include "zel/support/DataLogElement.h"
#include "zel/support/DataLogState.h"
#include "zel/support/DayLightSavingsDates.h"
#include "zel/support/DisplayDurationEnum.h"
#include "zel/support/IEnrollmentStatus.h"
#include "zel/support/IReaderVisitor.h"
#include "zel/support/IUser.h"
#include "zel/support/RemoveResult.h"
#include "zel/support/TimeDisplayFormatEnum.h"
#include "zel/support/UserAuthorityLevel.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel::support {

// A clock's users keyed by their ID text, in the order the clock gave them.
using UserList = zel::KeyedCollection<std::shared_ptr<IUser>>;
// Items to write to a clock in one go (SendUserList).
using VisitorList = std::vector<std::shared_ptr<IReaderVisitor>>;
// Users to remove in one go (RemoveUsers).
using RemoveList = std::vector<std::shared_ptr<IUser>>;
// Called by SendUsers and RemoveUsers before each user with its position in the list; false stops
// there (that user and the rest are left alone). An error it raises ends the operation.
using UserStep = std::function<bool(std::size_t index)>;
// Data-log elements in the order read.
using DataLogList = std::vector<std::shared_ptr<DataLogElement>>;
// Told after each answer of ReadDataLogAfter with the log's state and that answer's events;
// false stops the reading there. An error it raises ends the reading.
using DataLogStep = std::function<bool(const DataLogRead& read)>;

// Drives one clock. Made by Channel::GetReader; usable while its channel is connected. Every
// clock command raises the ZelErrors error of a failed vendor call (source "Channel"). Several
// clocks may share a channel: every command addresses this reader's own clock, whichever clock
// another reader of the channel addressed last.
class IReader {
public:
    virtual ~IReader() = default;

    // Message: at most 32 characters. UserSpecific: shown only to that user (1..10 digits);
    // otherwise to everybody for DisplayDuration. Checks raise number 5, source "ZelClock".
    virtual void DisplayMessage(const std::string& message, bool userSpecific = false, const std::string& userID = "",
                                DisplayDurationEnum displayDuration = kDefaultDisplayDuration) = 0;
    virtual std::shared_ptr<IUser> GetUser(const std::string& userID) = 0;
    // The number of users the clock reported when the reader was made, or at the last
    // GetUserList if there was one since; no clock command, so it can be out of date.
    virtual std::int32_t UserCount() = 0;
    // Sends the record that fits this clock model. A user whose ID is not 1 to 10 digits is
    // refused with number 5, source "ZelClock" (User::CheckID) before the clock is addressed.
    virtual void SendUser(const std::shared_ptr<IReaderVisitor>& user) = 0;
    // Removes the user with that object's ID.
    virtual void RemoveUser(const std::shared_ptr<IUser>& user) = 0;
    // Sends the users in order, each as SendUser would, but selects the clock only once (before
    // the first user; an empty list or a stop before the first user addresses no clock). Returns
    // how many were sent. A user refused by its ID or an error of the clock ends it: the users
    // before stay sent.
    virtual std::size_t SendUsers(const VisitorList& users, const UserStep& step = {}) = 0;
    // Removes the users in order by their IDs after one selection of the clock. A user the clock
    // does not hold is already removed: it counts as done and the removal goes on. `result` is
    // cleared, then filled as the users are gone through, so it also tells what was done when the
    // removal raises. A user whose ID is not 1 to 10 digits is refused with number 5, source
    // "ZelClock"; it and any other error end the removal like SendUsers (the users before it stay
    // removed).
    virtual void RemoveUsers(const RemoveList& users, RemoveResult& result, const UserStep& step = {}) = 0;
    // The users in the clock's data banks (ID, template; level, threshold and time zone read
    // as 0). Asks the clock for its user count first (one short exchange; UserCount keeps it) and
    // reads only the banks that count fills (none for an empty clock), so users another channel,
    // program or the clock itself added since the reader was made are read too. Never raises for
    // an unreadable bank: returns what it read.
    virtual std::shared_ptr<UserList> GetUserList() = 0;

    // Settings are read from the clock once per reader object and changed in a cache; they
    // reach the clock with SaveSettings.
    virtual TimeDisplayFormatEnum TimeDisplayFormat() = 0;
    virtual void SetTimeDisplayFormat(TimeDisplayFormatEnum value) = 0;
    virtual void SaveSettings() = 0;
    // This year's daylight-saving changes of this machine's time zone, from the system's time
    // zone database (DayLightSavingsDates): each at the local time of the change, year byte 0.
    // A zone without changes this year clears the dates. Returns the dates it wrote (none when it
    // cleared them). A zone that cannot be told or used raises number 5, source "ZelClock".
    virtual DayLightSavingsDates SetDayLightSavings() = 0;
    // The same for the clock's own zone `zone` (an IANA name; empty: this machine's zone), as a
    // clock in another zone than this machine needs. An unknown name raises number 5, source
    // "ZelClock", and changes nothing.
    virtual DayLightSavingsDates SetDayLightSavingsIn(const std::string& zone) = 0;
    virtual void ClearDayLightSavings() = 0;
    virtual bool TimeAndAttendanceEnabled() = 0;
    virtual void SetTimeAndAttendanceEnabled(bool value) = 0;
    virtual bool DepartmentTrackingEnabled() = 0;
    virtual void SetDepartmentTrackingEnabled(bool value) = 0;

    virtual void RemoveAllUsers() = 0;
    // Writes every item into data banks and sends them; an empty list, or one holding a user
    // whose ID is not 1 to 10 digits, is refused with number 5 before anything is sent.
    virtual void SendUserList(const VisitorList& list) = 0;
    virtual zel::DateTime GetTime() = 0;
    virtual void SetTime(const zel::DateTime& value) = 0;
    // The next / previous element of the clock's log; an empty one (FormatType 0) at the end.
    virtual std::shared_ptr<DataLogElement> GetNextDataLogElement() = 0;
    // Next elements until an empty one, at most kMaxDataLogElements.
    virtual std::shared_ptr<DataLogList> GetDataLogElementList() = 0;
    virtual std::shared_ptr<DataLogElement> GetPreviousDataLogElement() = 0;
    // The state of the clock's log (serial numbers, room, cursor) without moving its cursor.
    virtual DataLogState GetDataLogState() = 0;
    // Reads the events the clock logged after serial number `afterSerial` (0: from the oldest it
    // holds), oldest first, after one selection, up to 64 in each answer, until the newest; each
    // answer is told to `step` (also the one answer of a log with nothing after `afterSerial`).
    // The clock's cursor ends on the last event read. Returns the state of the last answer. A clock
    // that does not offer the command raises "Channel Communication Error"; any other failure
    // raises what the clock library gives, the answers before it told.
    virtual DataLogState ReadDataLogAfter(std::uint32_t afterSerial, const DataLogStep& step) = 0;
    // Runs an enrollment at the clock and sends the new user to it. Returns nullptr when the
    // enrollment was aborted or timed out. The callback may be null. An ID that is not 1 to 10
    // digits is refused with number 5 before the clock is addressed.
    virtual std::shared_ptr<IUser> EnrollUser(const std::string& userID, UserAuthorityLevel authorityLevel,
                                              std::shared_ptr<IEnrollmentStatus> callback = nullptr) = 0;
    // Stops a running EnrollUser (call it from an event handled during the enrollment).
    virtual void AbortEnrollment() = 0;
    // The menu program: 4096 bytes; a shorter array is padded with zeros.
    virtual void SendFunctionKeyData(const std::vector<std::uint8_t>& data) = 0;
    // True when the clock's settings hold exactly the dates SetDayLightSavings would write now.
    virtual bool DayLightSavingsEnabled() = 0;
    // The same against the dates of the clock's own zone `zone` (empty: this machine's zone).
    virtual bool DayLightSavingsEnabledIn(const std::string& zone) = 0;
    // True: SetDayLightSavings; false: ClearDayLightSavings.
    virtual void SetDayLightSavingsEnabled(bool value) = 0;

    // Upper bound of GetDataLogElementList, so a clock that never reports the end of its log
    // cannot hang the program.
    static constexpr int kMaxDataLogElements = 65536;
};

} // namespace zel::support
