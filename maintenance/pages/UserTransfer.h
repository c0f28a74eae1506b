#pragma once

#include "zel/workflows/UserTransfer.h"

#include <QString>

#include <cstdint>

namespace zel::ui {

// "None", "Service", "Setup", "Management", "Enrollment", "Security"; "Invalid Authority Level"
// for any other value.
QString AuthorityLevelName(std::int32_t level);

// "Yes" or "No".
QString YesNo(bool value);

// Site users to clock users and back, and what counts as a template (see the clock workflows
// library).
using zel::workflows::HasTemplate;
using zel::workflows::ImportClockUser;
using zel::workflows::MakeExtendedUser;

} // namespace zel::ui
