#pragma once
// The site's users from a roster: a CSV file of user IDs, names and authority levels (a personnel
// system's list of the staff), planned against the site's users first, then applied at once.
#include "zel/workflows/CsvDocument.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::data {
class UserDescriptionList;
}

namespace zel::workflows {

enum class RosterAction {
    Add,       // a user the site lacks
    Change,    // a user of the site whose name or authority level differs
    Unchanged, // a user of the site as the file has it
    Refused,   // a row that cannot be taken (Detail says why)
    Missing,   // a user of the site that the file lacks: kept, or removed on request
};

// "add", "change", "unchanged", "refused", "missing".
const char* RosterActionWord(RosterAction action);

// One row of the file, or one user of the site that the file lacks.
struct RosterEntry {
    RosterAction Action = RosterAction::Add;
    std::size_t Line = 0; // the row's line in the file; 0 for a user the file lacks
    std::string UserID;   // as the site holds it (Add: as it will); Refused: as the file has it
    std::string Name;     // the file's; Missing: the site's
    std::int32_t AuthorityLevel = 0;
    std::string OldName; // Change, Unchanged: the site's values before
    std::int32_t OldAuthorityLevel = 0;
    bool Enrolled = false; // the site's user is enrolled (Change, Unchanged, Missing)
    std::string Detail;    // Change: what changes; Refused: why, every reason
};

// What importing a roster would do. The file's columns are found by their header, in any case:
// user_id and name (both needed) and authority_level (a number 0 to 5 or a level's name; empty or
// absent: a new user gets None, a known one keeps its level). Other columns are ignored. A name
// that a guarded export wrote with an apostrophe in front ('=...) is read without it.
// A row is refused for: a user ID that is not 1 to 10 digits (leading zeros are dropped, as the
// clocks drop them), a user ID that the file has more than once, a name that is empty, longer than
// 20 characters or holds a control character, an unknown authority level, a field count other
// than the header's, bad quoting. A user of the site that a refused row names does not count as
// missing from the file.
struct RosterPlan {
    std::string FileName;
    char Separator = ',';
    std::vector<std::string> IgnoredColumns;
    bool HasAuthorityLevel = false;
    // The rows in file order, then the users the file lacks in the site's list order.
    std::vector<RosterEntry> Entries;

    std::size_t Count(RosterAction action) const { return mCounts[static_cast<std::size_t>(action)]; }
    // Nothing is written while any row is refused.
    bool CanApply() const { return Count(RosterAction::Refused) == 0; }
    void Append(RosterEntry entry);

private:
    std::array<std::size_t, 5> mCounts{};
};

// Plans the roster `file` against `users`. A header without user_id or name, or naming one of the
// three columns twice, is refused (zel::Error 5 naming the file and the line).
RosterPlan PlanRoster(const CsvDocument& file, const zel::data::UserDescriptionList& users);

struct RosterApplied {
    std::size_t Added = 0;
    std::size_t Changed = 0;
    std::size_t Removed = 0;
};

// Carries the plan out in one transaction (UserDescriptionList::ApplyBatch): adds, changes and,
// with `removeMissing`, removes the users the file lacks. Templates and enrollments are never
// touched. A plan with refused rows is refused (zel::Error 5) and nothing is written; so is a plan
// that the list no longer fits (a user added or removed meanwhile).
RosterApplied ApplyRoster(const RosterPlan& plan, zel::data::UserDescriptionList& users, bool removeMissing);

} // namespace zel::workflows
