#pragma once
// What a command did to one clock: the one outcome type of every command that works on clocks.
// zelctl's commands (through ClockRunner), the pages' result window (through CommandReport) and
// the audit trail (AuditTrail) all tell a clock's outcome with it.
#include "zel/support/UserWrites.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zel::data {
class ReaderDescription;
}

namespace zel::workflows {

enum class ClockOutcome {
    Pending,      // not reached yet (only while the command runs)
    Done,         // the work ran to its end on this clock
    NoChannel,    // the clock's channel cannot be used (modem, or not in the site)
    NotConnected, // the channel did not connect (Detail says why when that is known)
    NotAnswering, // the channel connected but the clock did not answer
    Failed,       // the clock answered, then the work raised an error (Detail holds its text)
    Cancelled,    // the command was cancelled before this clock was reached or finished
    NotReached,   // an error on another clock ended the command before this one was reached
};

// What a command does with the clock; it names the count ("3 users sent").
enum class ClockTask { Other, Send, Remove, Read };

// "pending", "done", "no channel", "not connected", "not answering", "failed", "cancelled", "not
// reached": stable words for scripts and the audit trail.
const char* OutcomeWord(ClockOutcome outcome);
// "1 user sent", "3 users removed", "2 users handled" (other work).
std::string CountedText(int count, ClockTask task);

struct ClockResult {
    // The clock when the command had its description (zelctl's runner); the name and ID are
    // always set.
    std::shared_ptr<zel::data::ReaderDescription> Clock;
    std::string ClockName;
    std::int32_t ClockID = 0; // the clock's DatabaseID
    ClockTask Work = ClockTask::Other;
    ClockOutcome Outcome = ClockOutcome::Done;
    std::int32_t Count = 0; // items the work handled on this clock (users sent, events read...)
    long ErrorNumber = 0;   // the raised error's number when Failed
    std::string Detail;     // a sentence for the administrator
    // For work that writes users: what reached the clock and what it lacks (Count is then the
    // users written).
    std::optional<zel::support::UserWrites> Writes;

    bool Succeeded() const { return Outcome == ClockOutcome::Done; }
    // True when the clock answered (Done, or Failed after answering).
    bool Reached() const { return Outcome == ClockOutcome::Done || Outcome == ClockOutcome::Failed; }
    // True when the writes tell more than "N users sent" (users already held, removed, written in
    // banks, or lacking).
    bool HasNews() const { return Writes && !Writes->Plain(); }
    // What happened, for the administrator: "3 users sent", "1 user removed; not on this clock:
    // 1004", "channel not connected", "channel not connected: Invalid IP Address or Format", "no
    // channel: the clock has no channel", "clock not answering", "cancelled before it was
    // reached", "cancelled after 2 users sent", "not reached: the command stopped at an error",
    // "failed: Channel Communication Timeout", "failed after 2 users sent: ...". With writes, what
    // was done follows the count and what the clock lacks ends the text: "10 users sent (590
    // already held, 5 removed)", "failed after 256 users sent (256 written in 1 data bank):
    // Channel Socket Error; the clock lacks 344 of the 600 users".
    std::string Text() const;
    // "Send", "Remove", "Read" ("" for other work).
    std::string TaskText() const;
};

// The detail of a result, with what its work wrote when it wrote users: the result's own detail
// (an error's text), what was done ("3 users sent (590 already held)", counting the users written)
// and what the clock lacks, joined by "; ". A result done without news keeps its detail.
std::string DetailWithWrites(const ClockResult& result);

// True when every result is Done (an empty list counts as done).
bool AllDone(const std::vector<ClockResult>& results);
// True when at least one clock was reached (Done or Failed after answering).
bool AnyReached(const std::vector<ClockResult>& results);

} // namespace zel::workflows
