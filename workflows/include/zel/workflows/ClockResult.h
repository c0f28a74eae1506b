#pragma once
// What happened to one clock in a command that works on several clocks.
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
    Done,         // the work ran to its end on this clock
    NoChannel,    // the clock's channel cannot be used (modem, or not in the site)
    NotConnected, // the channel did not connect
    NotAnswering, // the channel connected but the clock did not answer
    Failed,       // the clock answered, then the work raised an error (Detail holds its text)
    Cancelled,    // the command was cancelled before this clock was reached or finished
    NotReached,   // an error on another clock ended the command before this one was reached
};

// "done", "no channel", "not connected", "not answering", "failed", "cancelled", "not reached":
// stable words for scripts.
const char* OutcomeWord(ClockOutcome outcome);

struct ClockResult {
    std::shared_ptr<zel::data::ReaderDescription> Clock;
    ClockOutcome Outcome = ClockOutcome::Done;
    std::int32_t Count = 0; // items the work handled on this clock (users sent, events read...)
    long ErrorNumber = 0;   // the raised error's number when Failed
    std::string Detail;     // a sentence for the administrator
    // For work that writes users: what reached the clock and what it lacks.
    std::optional<zel::support::UserWrites> Writes;
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
