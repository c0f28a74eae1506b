#pragma once
// What a command that writes users to clocks would do, found by reading the clocks only.
#include "zel/workflows/ClockResult.h"
#include "zel/workflows/ClockRunner.h"

#include <memory>
#include <string>
#include <vector>

namespace zel::workflows {

// The change a dry run looks into.
enum class PlannedChange {
    Send,      // the users named would be sent
    Remove,    // the users named would be removed
    RemoveAll, // every user of the clock would be removed
    Replace,   // the users named would be sent and every other user removed (sync --clear)
    Read,      // the clock's users would be read into the site
};

// Reaches each clock through channels that leave the site's pending erasures alone
// (DryRunChannelMaker), reads the IDs of the users it holds and tells, per clock, what the change
// would do: Count the users it would write, remove or read; Detail in words ("would send 3 users,
// 1 of them held already (replaced)", "would remove 1 user; not on this clock: 1004"). Nothing is
// written to a clock or to the site. The outcomes are those a real run meets (not answering,
// not connected...), so a dry run ends with the exit status the run would have.
// `runner` carries the caller's progress; its channel maker must be DryRunChannelMaker().
std::vector<ClockResult> PlanUserChanges(ClockRunner& runner, const std::vector<ClockRunner::ReaderPtr>& clocks,
                                         PlannedChange change, const std::vector<std::string>& userIDs = {});

} // namespace zel::workflows
