#pragma once
// User IDs as the clocks keep them.

#include <memory>
#include <string>
#include <string_view>

namespace zel::data {
class UserDescription;
class UserDescriptionList;
} // namespace zel::data

namespace zel::workflows {

// A clock keeps a user ID as a number and gives it back without leading zeros ("007" is read back
// as "7"). The site database must know a user under that same ID, or the next Import or
// Synchronize would make a second user. A user ID of decimal digits therefore loses its leading
// zeros ("007" -> "7", "000" -> "0"); any other text (empty, letters) is returned unchanged.
// Used where a user ID is typed: the enrollment station and the user list editor.
std::string UserIDWithoutLeadingZeros(std::string_view id);

// Why a typed user ID cannot be given to a new or changed user, or "" when it can. The rule of
// the user list editor and the enrollment station alike: 1 to 10 characters ("User ID must be
// between 1 and 10 digits."), and not the number 0 in any spelling ("0", "000"), which names no
// user. (Only the station's field is limited to digits.)
std::string UserIDProblem(std::string_view id);

// Whether a user of `list` other than `self` (may be nullptr) is the user `userID` to a clock:
// one whose ID is `userID` with or without leading zeros ("007" for 7, a row of an older site).
bool UserIDHeldByOther(const zel::data::UserDescriptionList& list, const std::string& userID,
                       const zel::data::UserDescription* self);

// The user of `list` that is `userID` to a clock: the one with exactly that ID, else one with it
// and leading zeros; nullptr when there is none.
std::shared_ptr<zel::data::UserDescription> UserOfClockID(const zel::data::UserDescriptionList& list,
                                                          const std::string& userID);

// Whether a clock can hold the user ID: 1 to 10 decimal digits.
bool IsClockUserID(std::string_view id);

} // namespace zel::workflows
