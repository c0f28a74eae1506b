#pragma once
// Users between the site database and the clocks.
#include <cstdint>
#include <memory>
#include <vector>

namespace zel::support {
class ExtendedUser;
class IUser;
} // namespace zel::support
namespace zel::data {
class UserDescription;
class UserDescriptionList;
} // namespace zel::data

namespace zel::workflows {

// What counts as a hand template, in the whole system: 9 bytes (or any other non-empty number)
// of which at least one is not zero. An empty template and an all-zero one are none: that is what
// a clock holds and gives back for a user who was sent to it without one, and nobody can be
// verified against it.
bool HasTemplate(const std::vector<std::uint8_t>& hand);
// A site user the clocks can verify: marked enrolled and holding a template (as above).
bool HasTemplate(const zel::data::UserDescription& user);

// The clock user for a site user: ID from UserID, authority level and template. A template of
// fewer than 9 bytes (a user who is not enrolled has none) is sent padded with zeros. A UserID
// that is not 1 to 10 decimal digits is refused (zel::Error 5): the clock library would turn it
// into the ID 0 without a word and overwrite that user.
std::shared_ptr<zel::support::ExtendedUser> MakeExtendedUser(const zel::data::UserDescription& user);

// Stores a clock user in the site database: the user with that ID (keeping its name and
// authority level, which a clock's user list does not carry), or a new one named "User "
// followed by the ID with the clock user's level, gets the clock user's template, is marked
// enrolled, and the list is saved. A clock user without a template (HasTemplate) is no
// enrollment: a user the site knows is left as it is (its own template, if any, is kept), a new
// one is added as not enrolled. A clock user without an ID is passed over (nullptr).
std::shared_ptr<zel::data::UserDescription> ImportClockUser(zel::data::UserDescriptionList& list,
                                                            const zel::support::IUser& clockUser);

} // namespace zel::workflows
