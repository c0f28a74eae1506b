#include "zel/workflows/ClockResult.h"

#include <algorithm>

namespace zel::workflows {

namespace {

const char* Participle(ClockTask task)
{
    switch (task) {
    case ClockTask::Send:
        return "sent";
    case ClockTask::Remove:
        return "removed";
    case ClockTask::Read:
        return "read";
    case ClockTask::Other:
        break;
    }
    return "handled";
}

} // namespace

std::string CountedText(int count, ClockTask task)
{
    return std::to_string(count) + (count == 1 ? " user " : " users ") + Participle(task);
}

const char* OutcomeWord(ClockOutcome outcome)
{
    switch (outcome) {
    case ClockOutcome::Pending:
        return "pending";
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

std::string ClockResult::Text() const
{
    // What was done, in brackets after the count, and what the clock lacks, at the end.
    const std::string done = Writes ? Writes->DoneText() : std::string();
    const std::string lack = Writes ? Writes->LackText() : std::string();
    const std::string doneInBrackets = done.empty() ? std::string() : " (" + done + ")";
    const std::string counted = CountedText(Count, Work);
    const std::string lacking = lack.empty() ? std::string() : "; " + lack;
    switch (Outcome) {
    case ClockOutcome::Pending:
        return "not reached yet";
    case ClockOutcome::Done:
        return counted + doneInBrackets + (Detail.empty() ? std::string() : "; " + Detail);
    case ClockOutcome::NoChannel:
        return Detail.empty() ? std::string("no channel") : "no channel: " + Detail;
    case ClockOutcome::NotConnected:
        return Detail.empty() ? std::string("channel not connected") : "channel not connected: " + Detail;
    case ClockOutcome::NotAnswering:
        return "clock not answering";
    case ClockOutcome::Cancelled:
        if (Count > 0)
            return "cancelled after " + counted + doneInBrackets + lacking;
        if (!done.empty())
            return "cancelled" + doneInBrackets + lacking;
        return Writes && Writes->Planned ? "cancelled before any user was written" + lacking
                                         : std::string("cancelled before it was reached");
    case ClockOutcome::NotReached:
        return "not reached: the command stopped at an error";
    case ClockOutcome::Failed: {
        const std::string text = (Count > 0 ? "failed after " + counted : std::string("failed")) + doneInBrackets;
        return (Detail.empty() ? text : text + ": " + Detail) + lacking;
    }
    }
    return {};
}

std::string ClockResult::TaskText() const
{
    switch (Work) {
    case ClockTask::Send:
        return "Send";
    case ClockTask::Remove:
        return "Remove";
    case ClockTask::Read:
        return "Read";
    case ClockTask::Other:
        break;
    }
    return {};
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
    return std::all_of(results.begin(), results.end(), [](const ClockResult& r) { return r.Succeeded(); });
}

bool AnyReached(const std::vector<ClockResult>& results)
{
    return std::any_of(results.begin(), results.end(), [](const ClockResult& r) { return r.Reached(); });
}

} // namespace zel::workflows
