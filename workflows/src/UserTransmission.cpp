#include "zel/workflows/UserTransmission.h"

#include "zel/workflows/AuditTrail.h"

#include "zel/workflows/UserTransfer.h"

#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/support/UserWrites.h"

#include <algorithm>

#include <exception>

namespace zel::workflows {

namespace {

std::string UsersText(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " user" : " users");
}

// The note on a clock that did not hold some of the users to remove.
std::string NotOnClockText(const std::vector<std::string>& userIDs, const std::vector<std::size_t>& positions)
{
    std::string text;
    for (const std::size_t k : positions)
        text += (text.empty() ? "not on this clock: " : ", ") + userIDs[k];
    return text;
}

} // namespace

UserTransmission::UserTransmission(ChannelMaker makeChannel) : mRunner(std::move(makeChannel)) {}

std::vector<ClockResult> UserTransmission::Send(const std::vector<ReaderPtr>& clocks, const std::vector<UserPtr>& users)
{
    mDirection = Direction::Send;
    // Built here, on the calling thread: the site's users are not the workers' to read. A user
    // that cannot be built fails at its turn on each clock (the users before it stay sent).
    zel::support::VisitorList outgoing;
    std::vector<std::string> names;
    std::vector<std::exception_ptr> errors(users.size());
    mSentIDs.clear();
    for (const auto& user : users)
        mSentIDs.push_back(user->UserID());
    outgoing.reserve(users.size());
    names.reserve(users.size());
    for (std::size_t k = 0; k < users.size(); ++k) {
        try {
            outgoing.push_back(MakeExtendedUser(*users[k]));
        } catch (...) {
            errors[k] = std::current_exception();
            outgoing.push_back(std::make_shared<zel::support::ExtendedUser>()); // never sent
        }
        names.push_back(users[k]->Name());
    }
    auto results = Run(
        clocks, outgoing.size(),
        [&](zel::support::IReader& reader, const std::function<bool(std::size_t)>& step, ClockResult& result) {
            const std::size_t sent = reader.SendUsers(outgoing, [&](std::size_t k) {
                if (errors[k])
                    std::rethrow_exception(errors[k]);
                return step(k);
            });
            result.Count = static_cast<std::int32_t>(sent);
            return sent;
        },
        [&names](std::size_t k) { return "Exporting " + names[k]; });
    if (mAudited)
        mAuditFailure = AuditTrail().Record("send", results, mSentIDs);
    return results;
}

std::vector<ClockResult> UserTransmission::Remove(const std::vector<ReaderPtr>& clocks,
                                                  const std::vector<std::string>& userIDs)
{
    mDirection = Direction::Remove;
    zel::support::RemoveList outgoing;
    outgoing.reserve(userIDs.size());
    for (const auto& id : userIDs) {
        auto user = std::make_shared<zel::support::ExtendedUser>();
        user->SetID(id);
        outgoing.push_back(user);
    }
    auto results = Run(
        clocks, outgoing.size(),
        [&](zel::support::IReader& reader, const std::function<bool(std::size_t)>& step, ClockResult& result) {
            zel::support::RemoveResult removal;
            // Told also when the removal raises: the users before the error were dealt with.
            const auto tell = [&] {
                result.Count = static_cast<std::int32_t>(removal.Removed);
                result.Detail = NotOnClockText(userIDs, removal.NotOnClock);
            };
            try {
                reader.RemoveUsers(outgoing, removal, step);
            } catch (...) {
                tell();
                throw;
            }
            tell();
            return removal.Done();
        },
        [&userIDs](std::size_t k) { return "Removing " + userIDs[k]; });
    if (mAudited)
        mAuditFailure = AuditTrail().Record("remove", results, userIDs);
    return results;
}

std::vector<ClockResult> UserTransmission::Run(const std::vector<ReaderPtr>& clocks, std::size_t total,
                                               const Transfer& transfer,
                                               const std::function<std::string(std::size_t)>& stepText)
{
    mChosen = clocks;
    mResults.clear();
    const int all = static_cast<int>(total);
    mRunner.SetMaxChannels(mMaxChannels);
    mRunner.SetProgress([this, all](const ReaderPtr& clock, const std::string& stage) {
        if (stage == "connecting")
            Tell(clock, "Connecting", 0, all);
    });
    mRunner.SetFinished([this, all](const ClockResult& result) {
        if (result.Outcome == ClockOutcome::Done)
            Tell(result.Clock, "Done", result.Count, all);
        else
            Tell(result.Clock, OutcomeWord(result.Outcome), result.Count, 0); // no count to show
    });
    mResults = mRunner.Run(clocks, [&](zel::support::IReader& reader, zel::support::Channel&, const ReaderPtr& clock,
                                       ClockResult& result) {
        if (total == 0)
            return;
        std::size_t through = 0;
        try {
            through = transfer(
                reader,
                [&](std::size_t k) {
                    result.Count = static_cast<std::int32_t>(k);
                    if (mRunner.CancelRequested())
                        return false;
                    mRunner.Post(
                        [this, clock, text = stepText(k), k, all] { Tell(clock, text, static_cast<int>(k), all); });
                    return true;
                },
                result);
        } catch (const std::exception& error) {
            TellWrites(result, zel::support::MayHaveBeenCarriedOut(error));
            throw;
        }
        TellWrites(result, false);
        if (through < total && mRunner.CancelRequested()) {
            result.Outcome = ClockOutcome::Cancelled;
            const std::string note = result.Detail;
            result.Detail = "Cancelled after " + UsersText(static_cast<std::size_t>(result.Count)) + ".";
            if (!note.empty())
                result.Detail += " " + note;
        }
    });
    return mResults;
}

void UserTransmission::TellWrites(ClockResult& result, bool uncertain) const
{
    if (mDirection != Direction::Send)
        return;
    // The users before the one at hand reached the clock; the one at hand too when its answer was lost.
    zel::support::UserWrites writes;
    writes.Wanted = static_cast<int>(mSentIDs.size());
    writes.Planned = true;
    writes.OneByOne = result.Count;
    writes.Lacking.assign(mSentIDs.begin() + std::min<std::ptrdiff_t>(result.Count, writes.Wanted), mSentIDs.end());
    if (uncertain && !writes.Lacking.empty())
        writes.Uncertain.push_back(writes.Lacking.front());
    result.Writes = std::move(writes);
}

void UserTransmission::Tell(const ReaderPtr& clock, std::string text, int done, int total)
{
    if (!mProgress || !clock)
        return;
    Step step;
    step.ChannelID = mRunner.GroupChannelID(clock);
    step.Clock = clock;
    step.Text = std::move(text);
    step.Done = done;
    step.Total = total;
    mProgress(step);
}

CommandReport UserTransmission::Report() const
{
    const auto task = mDirection == Direction::Send ? ClockTask::Send : ClockTask::Remove;
    CommandReport report(mDirection == Direction::Send ? "Export" : "Remove");
    for (const auto& clock : mChosen)
        if (clock)
            report.Plan(clock->Name(), clock->DatabaseID(), task);
    bool failed = false;
    for (const auto& result : mResults) {
        if (!result.Clock)
            continue;
        const std::size_t row = report.Find(result.Clock->DatabaseID(), task);
        if (result.Writes && (result.Outcome != ClockOutcome::Cancelled || result.Count > 0))
            report.SetWrites(row, *result.Writes);
        switch (result.Outcome) {
        case ClockOutcome::Done:
            report.SetDone(row, result.Count, result.Detail);
            break;
        case ClockOutcome::NoChannel:
        case ClockOutcome::NotConnected:
            report.SetNotConnected(row, result.Detail);
            break;
        case ClockOutcome::NotAnswering:
            report.SetNotAnswering(row);
            break;
        case ClockOutcome::Failed:
            report.SetFailed(row, result.Detail, result.Count);
            failed = true;
            break;
        case ClockOutcome::Cancelled:
            if (result.Count > 0)
                report.SetCancelled(row, result.Count);
            break; // otherwise told by the ending
        case ClockOutcome::NotReached:
        case ClockOutcome::Pending:
            break; // told by the ending
        }
    }
    if (failed && mRunner.Stopped())
        report.End(CommandReport::Ending::Error);
    else if (mRunner.CancelRequested())
        report.End(CommandReport::Ending::Cancelled);
    else
        report.End(CommandReport::Ending::Completed);
    return report;
}

} // namespace zel::workflows
