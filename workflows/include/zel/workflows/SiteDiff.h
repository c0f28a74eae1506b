#pragma once
// Where a clock's users and the site's enrolled users differ.
#include <string>
#include <vector>

namespace zel::support {
class IReader;
}
namespace zel::data {
class UserDescriptionList;
}

namespace zel::workflows {

enum class DifferenceKind {
    OnlyOnClock,       // the clock holds a user the site does not know
    OnlyInSite,        // an enrolled site user the clock does not hold
    TemplateDiffers,   // both hold the user with different hand templates
    LevelDiffers,      // both hold the user with different authority levels
    NotEnrolledInSite, // the clock holds a user the site knows without a template (HasTemplate)
};

// "only on clock", "only in site", "template differs", "level differs", "not enrolled in the site".
const char* DifferenceWord(DifferenceKind kind);

struct UserDifference {
    std::string UserID;
    DifferenceKind Kind = DifferenceKind::OnlyOnClock;
    std::string SiteValue;  // the site's template (hex) or level, where it has one
    std::string ClockValue; // the clock's
};

// Compares the enrolled users of the site (those with a template, HasTemplate) with the clock's
// users, in numeric order of user ID.
// Reads the clock's user list, then the record of each user both hold (the list carries no
// levels). Writes nothing. Clock errors travel to the caller.
std::vector<UserDifference> DiffSiteAndClock(const zel::data::UserDescriptionList& site, zel::support::IReader& reader);

} // namespace zel::workflows
