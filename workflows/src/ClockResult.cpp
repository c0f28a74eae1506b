#include "zel/workflows/ClockResult.h"

#include <algorithm>

namespace zel::workflows {

const char* OutcomeWord(ClockOutcome outcome)
{
    switch (outcome) {
    case ClockOutcome::Done:
        return "done";
    case ClockOutcome::NoChannel:
        return "no channel";
    case ClockOutcome::NotConnected:
        return "not connected";
    case ClockOutcome::NotAnswering:
        return "not answering";
    case ClockOutcome::Failed:
        return "failed";
    case ClockOutcome::Cancelled:
        return "cancelled";
    case ClockOutcome::NotReached:
        return "not reached";
    }
    return "failed";
}

bool AllDone(const std::vector<ClockResult>& results)
{
    return std::all_of(results.begin(), results.end(),
                       [](const ClockResult& r) { return r.Outcome == ClockOutcome::Done; });
}

bool AnyReached(const std::vector<ClockResult>& results)
{
    return std::any_of(results.begin(), results.end(), [](const ClockResult& r) {
        return r.Outcome == ClockOutcome::Done || r.Outcome == ClockOutcome::Failed;
    });
}

} // namespace zel::workflows
