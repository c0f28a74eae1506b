#include "zel/workflows/CommandReport.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/MdmChnlDescription.h"
#include "zel/support/Channel.h"
#include "zel/support/DirectConnector.h"
#include "zel/support/EthernetConnector.h"

#include <algorithm>
#include <exception>
#include <map>
#include <utility>

namespace zel::workflows {
namespace {

std::string ClockCount(int count)
{
    return std::to_string(count) + (count == 1 ? " clock" : " clocks");
}

} // namespace

CommandReport::CommandReport(std::string command) : mCommand(std::move(command)) {}

std::size_t CommandReport::Plan(const std::string& clockName, std::int32_t clockID, ClockTask task)
{
    if (std::size_t row = Find(clockID, task); row != npos)
        return row;
    ClockResult clock;
    clock.ClockName = clockName;
    clock.ClockID = clockID;
    clock.Work = task;
    clock.Outcome = ClockOutcome::Pending;
    mClocks.push_back(std::move(clock));
    return mClocks.size() - 1;
}

std::size_t CommandReport::Find(std::int32_t clockID, ClockTask task) const
{
    for (std::size_t row = 0; row < mClocks.size(); ++row)
        if (mClocks[row].ClockID == clockID && mClocks[row].Work == task)
            return row;
    return npos;
}

ClockResult* CommandReport::Row(std::size_t row)
{
    return row < mClocks.size() ? &mClocks[row] : nullptr;
}

void CommandReport::SetDone(std::size_t row, int count, const std::string& note)
{
    if (auto* clock = Row(row)) {
        clock->Outcome = ClockOutcome::Done;
        clock->Count = count;
        clock->Detail = note;
    }
}

void CommandReport::SetNotConnected(std::size_t row, const std::string& why)
{
    if (auto* clock = Row(row)) {
        clock->Outcome = ClockOutcome::NotConnected;
        clock->Count = 0;
        clock->Detail = why;
    }
}

void CommandReport::SetNotAnswering(std::size_t row)
{
    if (auto* clock = Row(row)) {
        clock->Outcome = ClockOutcome::NotAnswering;
        clock->Count = 0;
        clock->Detail.clear();
    }
}

void CommandReport::SetCancelled(std::size_t row, int countBefore)
{
    if (auto* clock = Row(row)) {
        clock->Outcome = ClockOutcome::Cancelled;
        clock->Count = countBefore;
        clock->Detail.clear();
    }
}

void CommandReport::SetFailed(std::size_t row, const std::string& error, int countBefore)
{
    if (auto* clock = Row(row)) {
        clock->Outcome = ClockOutcome::Failed;
        clock->Count = countBefore;
        clock->Detail = error.empty() ? std::string("The command failed.") : error;
    }
}

void CommandReport::SetWrites(std::size_t row, const zel::support::UserWrites& writes)
{
    if (auto* clock = Row(row))
        clock->Writes = writes;
}

void CommandReport::End(Ending how, const std::string& error)
{
    mEnding = how == Ending::Running ? Ending::Completed : how;
    mCommandError = error;
    for (auto& clock : mClocks)
        if (clock.Outcome == ClockOutcome::Pending)
            clock.Outcome = mEnding == Ending::Cancelled ? ClockOutcome::Cancelled : ClockOutcome::NotReached;
}

int CommandReport::CountOf(ClockOutcome kind) const
{
    return static_cast<int>(
        std::count_if(mClocks.begin(), mClocks.end(), [kind](const ClockResult& c) { return c.Outcome == kind; }));
}

int CommandReport::DistinctClocks() const
{
    std::map<std::int32_t, bool> clocks;
    for (const auto& clock : mClocks)
        clocks.emplace(clock.ClockID, true);
    return static_cast<int>(clocks.size());
}

int CommandReport::DistinctClocksDone() const
{
    std::map<std::int32_t, bool> done; // clock -> every task of it done so far
    for (const auto& clock : mClocks) {
        auto [at, added] = done.emplace(clock.ClockID, clock.Succeeded());
        if (!added)
            at->second = at->second && clock.Succeeded();
    }
    return static_cast<int>(std::count_if(done.begin(), done.end(), [](const auto& entry) { return entry.second; }));
}

bool CommandReport::AllSucceeded() const
{
    return mEnding == Ending::Completed && mCommandError.empty() &&
           std::all_of(mClocks.begin(), mClocks.end(), [](const ClockResult& c) { return c.Succeeded(); });
}

bool CommandReport::MixedTasks() const
{
    return std::any_of(mClocks.begin(), mClocks.end(),
                       [this](const ClockResult& c) { return c.Work != mClocks.front().Work; });
}

bool CommandReport::AnyNotes() const
{
    return std::any_of(mClocks.begin(), mClocks.end(),
                       [](const ClockResult& c) { return c.Succeeded() && !c.Detail.empty(); });
}

std::string CommandReport::Summary() const
{
    const std::string command = mCommand.empty() ? std::string("The command") : mCommand;
    const int total = DistinctClocks();
    const int tasks = static_cast<int>(mClocks.size());
    if (AllSucceeded()) {
        if (total == 0)
            return command + " finished; no clock was chosen.";
        // The same work on every clock: the count is told once.
        const ClockResult& first = mClocks.front();
        const bool sameCount = std::all_of(mClocks.begin(), mClocks.end(), [&first](const ClockResult& c) {
            return c.Work == first.Work && c.Count == first.Count;
        });
        std::string counted;
        if (sameCount)
            counted = std::string(": ") + CountedText(first.Count, first.Work) +
                      (total == 1                      ? ""
                       : first.Work == ClockTask::Send ? " to each"
                                                       : " from each");
        if (total == 1)
            return command + " finished on the chosen clock" + counted + ".";
        return command + " finished on all " + ClockCount(total) + counted + ".";
    }

    std::string text = command;
    switch (mEnding) {
    case Ending::Cancelled:
        text += " cancelled";
        break;
    case Ending::Error:
        text += " stopped at an error";
        break;
    case Ending::Running:
        text += " is running";
        break;
    case Ending::Completed:
        text += " finished";
        break;
    }
    text += ": " + std::to_string(DistinctClocksDone()) + " of " + ClockCount(total) + " done";
    if (tasks != total) // some clock has several tasks: the outcomes below are the tasks'
        text += "; of " + std::to_string(tasks) + " tasks, " + std::to_string(CountOf(ClockOutcome::Done)) + " done";
    static const std::pair<ClockOutcome, const char*> parts[] = {
        {ClockOutcome::NoChannel, "no channel"},       {ClockOutcome::NotConnected, "not connected"},
        {ClockOutcome::NotAnswering, "not answering"}, {ClockOutcome::Failed, "failed"},
        {ClockOutcome::Cancelled, "cancelled"},        {ClockOutcome::NotReached, "not reached"},
        {ClockOutcome::Pending, "not reached yet"},
    };
    for (const auto& [kind, words] : parts)
        if (int count = CountOf(kind); count > 0)
            text += ", " + std::to_string(count) + " " + words;
    text += ".";
    if (!mCommandError.empty())
        text += " The error: " + mCommandError;
    return text;
}

std::string NoChannelReason(std::int32_t channelDescriptionID)
{
    std::shared_ptr<zel::data::IChannelDescription> channel;
    try {
        channel = zel::data::DataSource().GetChannelDescriptionList()->GetByDatabaseID(channelDescriptionID);
    } catch (const std::exception&) {
        channel = nullptr; // told as a clock without a channel
    }
    if (!channel)
        return "the clock has no channel";
    if (std::dynamic_pointer_cast<zel::data::MdmChnlDescription>(channel))
        return "a modem channel cannot reach a clock";
    return "the channel cannot be opened";
}

std::string NotConnectedReason(const zel::support::Channel& channel)
{
    // The connector's own reason (a serial line in use, missing, not permitted) follows the address.
    const std::string why = channel.ConnectFailure();
    const std::string after = why.empty() ? std::string(".") : ": " + why + ".";
    const auto* connector = channel.Connector().get();
    if (const auto* ethernet = dynamic_cast<const zel::support::EthernetConnector*>(connector))
        return "The channel did not connect (address " + ethernet->IPAddress() + ", port " +
               std::to_string(ethernet->IPPort()) + ")" + after;
    if (const auto* direct = dynamic_cast<const zel::support::DirectConnector*>(connector))
        // The serial connector's reason names the port and its device itself.
        return why.empty() ? "The channel did not connect (COM" + std::to_string(direct->CommPort()) + ")."
                           : "The channel did not connect: " + why + ".";
    return "The channel did not connect" + after;
}

std::string ReportedErrorText(const std::exception& error)
{
    std::string text = error.what();
    return text.empty() ? std::string("The command failed.") : text;
}

} // namespace zel::workflows
