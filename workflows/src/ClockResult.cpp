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

std::string DetailWithWrites(const ClockResult& result)
{
    if (!result.Writes || (result.Outcome == ClockOutcome::Done && result.Writes->Plain()))
        return result.Detail;
    const zel::support::UserWrites& writes = *result.Writes;
    std::vector<std::string> parts;
    if (!result.Detail.empty())
        parts.push_back(result.Detail);
    if (writes.Planned) {
        const std::string done = writes.DoneText();
        parts.push_back(std::to_string(writes.Written()) + (writes.Written() == 1 ? " user sent" : " users sent") +
                        (done.empty() ? "" : " (" + done + ")"));
    }
    if (const std::string lack = writes.LackText(); !lack.empty())
        parts.push_back(lack);
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : "; ") + part;
    return text;
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
