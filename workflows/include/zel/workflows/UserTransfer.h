#pragma once
// Users between the site database and the clocks.
#include <memory>

namespace zel::support {
class ExtendedUser;
class IUser;
} // namespace zel::support
namespace zel::data {
class UserDescription;
class UserDescriptionList;
} // namespace zel::data

namespace zel::workflows {

// The clock user for a site user: ID from UserID, authority level and template. A template of
// fewer than 9 bytes (a user who is not enrolled has none) is sent padded with zeros. A UserID
// that is not 1 to 10 decimal digits is refused (zel::Error 5): the clock library would turn it
// into the ID 0 without a word and overwrite that user.
std::shared_ptr<zel::support::ExtendedUser> MakeExtendedUser(const zel::data::UserDescription& user);

// Stores a clock user in the site database: the user with that ID (keeping its name and
// authority level, which a clock's user list does not carry), or a new one named "User "
// followed by the ID with the clock user's level, gets the clock user's template, is marked
// enrolled, and the list is saved. A clock user without an ID is passed over (nullptr).
std::shared_ptr<zel::data::UserDescription> ImportClockUser(zel::data::UserDescriptionList& list,
                                                            const zel::support::IUser& clockUser);

} // namespace zel::workflows
