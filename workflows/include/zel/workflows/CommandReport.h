#pragma once
// What a command that works on several clocks did to each of them (one ClockResult per clock and
// task): Add/Remove Users and Synchronize. No widgets here: the pages show a CommandReport in their
// result window (frmCommandResult).

#include "zel/workflows/ClockResult.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace zel::support {
class Channel;
}

namespace zel::workflows {

// The clocks of one command, in the order they were chosen, each with what happened to it, and
// how the command ended. Filled by the command as it runs: every chosen clock is planned first
// (Pending), each is given its outcome when it is served, and End turns the clocks that were never
// reached into Cancelled or NotReached.
class CommandReport {
public:
    enum class Ending { Running, Completed, Cancelled, Error };
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // `command` names the command in the summary ("Export", "Remove", "Synchronize").
    explicit CommandReport(std::string command = {});

    // Plans a chosen clock (Pending) and returns its row. A clock planned again for the same task
    // (same ClockID) keeps its first row.
    std::size_t Plan(const std::string& clockName, std::int32_t clockID, ClockTask task);
    // The row of a planned clock, or npos.
    std::size_t Find(std::int32_t clockID, ClockTask task) const;

    // The outcome of row `row`; rows out of range are ignored.
    // `note` follows the count ("not on this clock: 1004").
    void SetDone(std::size_t row, int count, const std::string& note = {});
    void SetNotConnected(std::size_t row, const std::string& why = {});
    void SetNotAnswering(std::size_t row);
    // Cancelled on the clock itself, after `countBefore` users (0: before it was reached).
    void SetCancelled(std::size_t row, int countBefore = 0);
    void SetFailed(std::size_t row, const std::string& error, int countBefore = 0);
    // What the command did to the users of the clock of row `row` (kept whatever its outcome).
    void SetWrites(std::size_t row, const zel::support::UserWrites& writes);

    // Ends the command. Clocks still Pending become Cancelled (when it was cancelled) or
    // NotReached (otherwise). `error` is an error of the command that belongs to no clock (for
    // instance the site database refusing an import); it is told in the summary.
    void End(Ending how, const std::string& error = {});

    const std::string& Command() const { return mCommand; }
    Ending HowEnded() const { return mEnding; }
    const std::string& CommandError() const { return mCommandError; }
    const std::vector<ClockResult>& Clocks() const { return mClocks; }
    // How many rows (tasks) ended with this outcome.
    int CountOf(ClockOutcome kind) const;
    // How many different clocks the rows name (a clock that is read and written is one clock), and
    // how many of them had every task Done.
    int DistinctClocks() const;
    int DistinctClocksDone() const;
    // True when the command ran to its end, every clock is Done and no error was raised.
    bool AllSucceeded() const;
    // True when the clocks do not all have the same task (Synchronize reads some, sends to others).
    bool MixedTasks() const;
    // True when a clock that was done carries a note for the administrator ("not on this clock:
    // 1004"): the clocks are worth listing even though every one succeeded.
    bool AnyNotes() const;

    // One line: "Export finished on all 3 clocks." when every clock succeeded, else for instance
    // "Export stopped at an error: 1 of 3 clocks done, 1 failed, 1 not reached." or
    // "Synchronize cancelled: 1 of 4 clocks done, 1 not answering, 2 cancelled."; an error that
    // belongs to no clock follows: " The error: ...". Clocks are counted once each; where a clock
    // has more than one task (read and written by Synchronize) the outcomes are told per task:
    // "Synchronize finished: 3 of 4 clocks done; of 5 tasks, 4 done, 1 not answering."
    std::string Summary() const;

private:
    ClockResult* Row(std::size_t row);

    std::string mCommand;
    std::vector<ClockResult> mClocks;
    Ending mEnding = Ending::Running;
    std::string mCommandError;
};

// Why a clock's channel cannot be used when no runtime channel exists for its channel
// description ID: "the clock has no channel" (no such channel in the site database) or "a modem
// channel cannot reach a clock" (a modem description).
std::string NoChannelReason(std::int32_t channelDescriptionID);
// Why a clock was not reached when its channel stayed closed without raising an error, naming
// where the channel tried to connect: "The channel did not connect (address 10.0.0.7, port
// 3001)." or "The channel did not connect (COM2)." ("The channel did not connect." for a channel
// of another kind).
std::string NotConnectedReason(const zel::support::Channel& channel);

// The text of a raised error as a report tells it (its description; "The command failed." when
// it has none).
std::string ReportedErrorText(const std::exception& error);

} // namespace zel::workflows
