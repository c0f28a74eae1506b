#pragma once
// Everything a clock can give back, kept in a file, and put back onto a clock.
#include "zel/support/Records.h"
#include "zel/support/UserWrites.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zel::support {
class Channel;
class IReader;
} // namespace zel::support

namespace zel::workflows {

// One user as the clock keeps it.
struct BackupUser {
    std::string ID;
    std::int32_t AuthorityLevel = 0;
    std::int16_t RejectThreshold = 0;
    std::uint8_t TimeZone = 0;
    std::vector<std::uint8_t> Template; // 9 bytes

    bool operator==(const BackupUser&) const = default;
};

// A clock's users (with template, level, reject threshold and time zone) and its setup record.
//
// The file is text, one item a line, fields separated by single spaces; lines starting with '#'
// are comments:
//   zel-clock-backup 1
//   model base|newer
//   reader-id N
//   taken YYYY-MM-DDTHH:MM:SS
//   setup HEX                       (the 144-byte setup record, 288 hex digits)
//   user ID LEVEL THRESHOLD TIMEZONE TEMPLATEHEX
//   end USERCOUNT
// Parse refuses anything else (a missing or repeated line, a bad number, a user count that does
// not match the `end` line) with zel::Error 5 naming the line, so a cut-off file is never taken
// for a clock with fewer users.
struct ClockBackup {
    std::string Model = "base";
    std::int32_t ReaderID = 0;
    std::string Taken; // local time, ISO 8601 without zone
    zel::support::SetupRecord Setup{};
    std::vector<BackupUser> Users; // ordered by numeric ID
    // The user IDs in the order the clock holds them (read from a clock; not in the file).
    std::vector<std::string> ClockOrder;

    void Write(std::ostream& out) const;
    static ClockBackup Parse(std::istream& in);
};

// Reads everything from the clock: its user list, then each user's own record (the list carries
// no levels), then the setup record. `progress` is told the users read so far.
ClockBackup ReadClockBackup(zel::support::IReader& reader, zel::support::Channel& channel, std::int32_t readerID,
                            const std::string& model, const std::function<void(int done, int total)>& progress = {});

// What a restore changes on a clock.
struct RestorePlan {
    std::vector<std::string> Remove; // on the clock, not in the backup
    std::vector<BackupUser> Send;    // missing on the clock, or kept differently there
    bool WriteSetup = false;         // the clock's setup record differs

    bool Empty() const { return Remove.empty() && Send.empty() && !WriteSetup; }
};

RestorePlan PlanRestore(const ClockBackup& current, const ClockBackup& wanted);

// What a restore did, kept up to date as it goes: the users (see zel::support::UserWrites) and
// the setup record.
struct RestoreProgress {
    enum class Setup { Unchanged, NotWritten, Written, Uncertain };
    zel::support::UserWrites Users;
    Setup SetupRecord = Setup::Unchanged;
};

// Makes the clock hold exactly the users of `wanted` and its setup record, from what `current`
// (read from the clock with ReadClockBackup just before) says it holds: the users not in the
// backup are removed first, one by one (all at once by a clear when no user stays), then the users
// missing or kept differently are written (zel::support::UserReplacement), then the setup record
// when it differs. A user who is to stay is never off the clock, whenever the work stops.
// `progress` is told the frames done. Raises the clock's error; `done` tells what was done before.
void ApplyRestore(zel::support::IReader& reader, zel::support::Channel& channel, std::int32_t readerID,
                  const ClockBackup& current, const ClockBackup& wanted, RestoreProgress& done,
                  const std::function<void(int done, int total)>& progress = {});

std::string ToHex(const std::uint8_t* bytes, std::size_t count);
// Hex digits to bytes; nullopt for an odd length or a character that is not a hex digit.
std::optional<std::vector<std::uint8_t>> FromHex(const std::string& text);

} // namespace zel::workflows
