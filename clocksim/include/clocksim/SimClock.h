#pragma once

#include "clocksim/ClockOptions.h"
#include "clocksim/ClockSnapshot.h"
#include "clocksim/ClockTypes.h"
#include "clocksim/ClockUser.h"
#include "clocksim/EnrollmentSim.h"
#include "clocksim/EventLog.h"
#include "clocksim/TimeSource.h"

#include "zel/DateTime.h"

#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <span>

namespace zel::sim {

// One emulated clock: pure logic, no I/O. It answers the commands of the wire protocol
// (Execute, or one member per command) and keeps users, setup record, time, menu program,
// event log and the state of its hand reader. Every public member is safe to call from any
// thread; a test may inspect a clock while the emulator serves it.
class SimClock {
public:
    SimClock(std::uint8_t readerId, ClockModel model, std::shared_ptr<const TimeSource> time);

    std::uint8_t ReaderId() const { return mReaderId; }
    ClockModel Model() const;
    std::size_t Capacity() const;

    // One request of the wire protocol (raw command code and payload) -> status and data.
    // Unknown codes answer UnknownCommand, a payload of the wrong length WrongLength.
    Reply Execute(std::uint8_t command, std::span<const std::uint8_t> payload);

    // --- the commands (payload sizes are checked by Execute; these check contents) ---
    Reply PollStatus();    // one status poll: moves an enrollment on, 96-byte status record
    Reply GetReaderInfo(); // model code at 0, reader ID at 1, user count at 50, capacity at 52
    Reply GetUserRecord(std::span<const std::uint8_t> id, bool extended); // NotFound when absent
    Reply PutUserRecord(std::span<const std::uint8_t> record);            // adds or replaces; MemoryFull
    Reply RemoveUserRecord(std::span<const std::uint8_t> id);             // NotFound when absent
    Reply ClearUserDataBase();
    Reply GetDataBank(int bank);                                     // bank 0..9
    Reply PutDataBank(int bank, std::span<const std::uint8_t> data); // bank 0 starts a new user set
    Reply GetSetupData();
    Reply PutSetupData(std::span<const std::uint8_t> record);
    Reply UpdateNvRam();
    Reply GetTime();
    Reply PutTime(std::span<const std::uint8_t> record);
    Reply GetDataLogElement(bool previous);
    Reply ReadDataLog(std::span<const std::uint8_t> request); // many events in one answer (ours)
    Reply PutDisplayMessage(std::span<const std::uint8_t> record);
    Reply PutFkeyData(std::span<const std::uint8_t> data);
    Reply EnrollUser();
    Reply GetLastTemplate();
    Reply VerifyOnExternalData(std::int32_t number, std::span<const std::uint8_t> hand);
    Reply Abort();

    // --- running ---
    // Generates the punches that are due (see SetPunchEverySec); Execute calls it first.
    void Tick();
    void SetEnrollmentOptions(const EnrollmentOptions& options);
    EnrollmentOptions GetEnrollmentOptions() const;
    // An "identity verified" event for a random user every `seconds` (0 = none).
    void SetPunchEverySec(int seconds, std::uint32_t seed = 1);

    // --- inspection and set-up (tests, the daemon) ---
    std::vector<ClockUser> Users() const;
    std::size_t UserCount() const;
    std::optional<ClockUser> FindUser(const UserId& id) const;
    // Adds or replaces a user without logging; false when the clock is full.
    bool PutUser(const ClockUser& user);
    SetupRecord Setup() const;
    void SetSetup(const SetupRecord& setup);
    DateTime Time() const;
    void SetTime(const DateTime& time); // no event
    // Puts the clock OffsetSeconds from the host's time now and lets it drift by DriftPpm.
    void SetTimeOptions(const ClockTimeOptions& options);
    std::array<std::uint8_t, FkeyDataSize> MenuProgram() const;
    std::vector<DataLogRecord> Events() const; // oldest first
    // Logs an event now; Data1 holds the user ID when one is given.
    void LogEvent(std::int32_t formatType, const UserId* id = nullptr);
    // Logs `count` past "identity verified" events, one a minute, the last one now, each for a
    // random user of the clock (user IDs 1 to 50 when it holds none). The log grows to hold them
    // with the events it holds already.
    void LogPastPunches(int count);
    // The display message record received last (empty before any) and how many arrived.
    Bytes LastDisplayMessage() const;
    int DisplayMessageCount() const;
    EnrollmentSim::Phase EnrollmentPhase() const;
    int EnrollmentReadsDone() const;
    // The person who comes to the next enrollment (when the options name none).
    void SetNextPerson(std::uint32_t person);
    // Grows with every change that a state file keeps.
    std::uint64_t ChangeCount() const;

    ClockSnapshot Snapshot() const;
    // Restores users, setup, time, menu program, log and person counter (not the reader ID).
    void Restore(const ClockSnapshot& snapshot);
    void SetModel(ClockModel model);
    // A clock of an older firmware does not know the bulk log read: it answers it UnknownCommand.
    void SetBulkLogRead(bool known);

    // Builds a data log record for this clock (time = the clock's time now).
    DataLogRecord MakeLogRecord(std::int32_t formatType, const UserId* id, const DateTime& when) const;

private:
    DateTime TimeAt(std::int64_t hostMs) const;
    void Changed() { ++mChanges; }
    void AppendEvent(std::int32_t formatType, const UserId* id, const DateTime& when);
    std::vector<ClockUser>::iterator Find(std::span<const std::uint8_t> id);
    std::vector<ClockUser>::const_iterator Find(std::span<const std::uint8_t> id) const;
    void TickLocked(std::int64_t nowMs);
    Reply ExecuteLocked(std::uint8_t command, std::span<const std::uint8_t> payload);

    const std::uint8_t mReaderId;
    std::shared_ptr<const TimeSource> mTime;
    mutable std::recursive_mutex mMutex;

    ClockModel mModel;
    bool mBulkLogRead = true;
    std::vector<ClockUser> mUsers;
    SetupRecord mSetup{};
    std::array<std::uint8_t, FkeyDataSize> mMenu{};
    std::int64_t mTimeBaseSeconds = 0;
    std::int64_t mTimeBaseHostMs = 0;
    int mDriftPpm = 0;
    EventLog mLog;
    std::uint32_t mNextPerson = 1;

    EnrollmentSim mEnrollment;
    EnrollmentOptions mEnrollmentOptions;
    Bytes mLastDisplay;
    int mDisplayCount = 0;

    int mPunchEverySec = 0;
    std::int64_t mNextPunchMs = 0;
    std::mt19937 mRandom;

    std::uint64_t mChanges = 0;
};

} // namespace zel::sim
