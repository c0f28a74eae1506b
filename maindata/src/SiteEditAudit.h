#pragma once

#include "zel/data/AuditLog.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zel::data {
class UserDescription;
class ReaderDescription;
class ChannelDescriptionBase;
} // namespace zel::data

// The rows the lists write to the audit trail for each site edit: a user, clock or channel
// added, changed or removed. Each is appended in the transaction of the edit, so the edit and its
// row are kept together or not at all.
namespace zel::data::detail {

// Runs `write` and appends `entry` (told by `describe` after the write, so that it may name the
// row's new ID) in one transaction of the thread's store, joining the caller's.
void AuditedWrite(const std::function<void()>& write, const std::function<AuditEntry()>& describe);

// "user-add", "user-change", "user-remove" of `user`; `storedID` is the user ID its row held
// (for a change of the key, or a removal).
AuditEntry UserEdit(const char* action, const UserDescription& user, const std::string& storedID);
// "clock-add", "clock-change", "clock-remove".
AuditEntry ClockEdit(const char* action, const ReaderDescription& clock, const std::string& storedName);
// "channel-add", "channel-change", "channel-remove".
AuditEntry ChannelEdit(const char* action, const ChannelDescriptionBase& channel, const std::string& storedName);

} // namespace zel::data::detail
