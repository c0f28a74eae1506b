#pragma once

#include <string>

namespace zel::tools {

// Writes the clock emulator's state file `stateFile` (which must not exist) with one clock,
// `clock` given as "ID:MODEL" (model "base" or "vt9"), that holds the enrolled users of the demo
// site database `siteFile` with their templates: so the demo has something to read from a clock
// and to synchronize on its first run. Other clocks of the same emulator start empty.
void SeedDemoClock(const std::string& siteFile, const std::string& stateFile, const std::string& clock);

} // namespace zel::tools
