#pragma once

#include "zel/workflows/ClockResult.h"

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace zel::ui {

class ConnectionCenter;

// The audit rows of the Manage Clock page's commands on the connected clock (the site's audit
// trail, see zel::workflows::AuditTrail). The row names the clock the connection center holds.
// How it fails: a row that cannot be written (a site open read-only) is told as a warning on the
// program's log output; the command's own outcome is shown as before.

// Writes the row of `action` on the connected clock with the outcome `outcome` and `detail`.
void LogClockAction(const ConnectionCenter* center, const std::string& action, zel::workflows::ClockOutcome outcome,
                    const std::string& detail, const std::vector<std::string>& userIDs = {});

// Runs `command` as RunCommand does (an error is shown in a message box), then writes the row of
// `action`: done with `detail`, or failed with the error's text; `settle` (optional) may then
// tell more (a window cancelled after some users: Cancelled, Count). Returns true when the command
// ended normally.
bool RunAudited(QWidget* parent, const ConnectionCenter* center, const std::string& action,
                const std::function<void()>& command, const std::string& detail = {},
                const std::vector<std::string>& userIDs = {},
                const std::function<void(zel::workflows::ClockResult&)>& settle = {});

} // namespace zel::ui
