#pragma once

#include <cstddef>
#include <vector>

namespace zel::support {

// What IReader::RemoveUsers did: how many users it took off the clock, and which of the users it
// went through the clock did not hold (positions in the list given). A user the clock does not
// hold is already removed from it, so it counts as done.
struct RemoveResult {
    std::size_t Removed = 0;
    std::vector<std::size_t> NotOnClock;

    // Users gone through: removed, or found not on the clock.
    std::size_t Done() const { return Removed + NotOnClock.size(); }
};

} // namespace zel::support
