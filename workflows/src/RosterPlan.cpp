#include "zel/workflows/RosterPlan.h"

#include "zel/Error.h"
#include "zel/Text.h"
#include "zel/TextFormats.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/UserAuthorityLevel.h"
#include "zel/workflows/ListRules.h"
#include "zel/workflows/UserIDs.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace zel::workflows {

namespace {

constexpr const char* Source = "ZelWorkflows";
constexpr const char* UserIDColumn = "user_id";
constexpr const char* NameColumn = "name";
constexpr const char* LevelColumn = "authority_level";

[[noreturn]] void Refuse(const std::string& text)
{
    throw zel::Error(zel::errc::InvalidArgument, Source, text);
}

std::string LevelText(std::int32_t level)
{
    return zel::support::DisplayName(static_cast<zel::support::UserAuthorityLevel>(level));
}

// A text that a guarded export wrote with an apostrophe in front (zel::CsvText: one a spreadsheet
// would run as a formula) is read back without it, so that an exported roster imports unchanged.
std::string Unguarded(const std::string& text)
{
    if (text.size() > 1 && text.front() == '\'') {
        const std::string_view rest(text.data() + 1, text.size() - 1);
        if (zel::CsvText(rest) != zel::CsvField(rest))
            return std::string(rest);
    }
    return text;
}

bool HasControlCharacter(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

void AddReason(std::string& reasons, const std::string& reason)
{
    reasons += (reasons.empty() ? "" : "; ") + reason;
}

// Where the three columns stand in the header.
struct Columns {
    std::size_t UserID = 0;
    std::size_t Name = 0;
    std::optional<std::size_t> Level;
    std::size_t Count = 0;
};

Columns FindColumns(const CsvDocument& file, RosterPlan& plan)
{
    const CsvRecord& header = file.Records().front();
    const std::string where = file.Name() + ", line " + std::to_string(header.Line);
    if (!header.Problem.empty())
        Refuse(where + ": the header line cannot be read: " + header.Problem + ".");
    std::optional<std::size_t> userID, name, level;
    std::string found;
    for (std::size_t i = 0; i < header.Fields.size(); ++i) {
        const std::string column = zel::FoldCase(zel::Trim(header.Fields[i]));
        found += (found.empty() ? "" : ", ") + (column.empty() ? "(empty)" : "'" + header.Fields[i] + "'");
        std::optional<std::size_t>* slot = column == UserIDColumn  ? &userID
                                           : column == NameColumn  ? &name
                                           : column == LevelColumn ? &level
                                                                   : nullptr;
        if (!slot) {
            plan.IgnoredColumns.push_back(header.Fields[i].empty() ? "(column " + std::to_string(i + 1) + ")"
                                                                   : header.Fields[i]);
            continue;
        }
        if (*slot)
            Refuse(where + ": the header names the column " + column + " twice.");
        *slot = i;
    }
    const std::string expected =
        " The first line must name the columns: user_id, name, authority_level (found: " + found +
        "). Is it a CSV file of users?";
    if (!userID)
        Refuse(where + ": the header has no user_id column." + expected);
    if (!name)
        Refuse(where + ": the header has no name column." + expected);
    return {*userID, *name, level, header.Fields.size()};
}

// The site's users by the user ID a clock knows them by (without leading zeros), found as
// UserOfClockID finds them (the one with exactly that ID, else the one with the fewest leading
// zeros), with one look-up per row instead of one per possible key.
class SiteUsers {
public:
    explicit SiteUsers(const zel::data::UserDescriptionList& users)
    {
        mByClockID.reserve(static_cast<std::size_t>(users.Count()));
        for (const auto& user : users) {
            auto [at, fresh] = mByClockID.emplace(UserIDWithoutLeadingZeros(user->UserID()), user);
            if (!fresh && user->UserID().size() < at->second->UserID().size())
                at->second = user;
        }
    }

    std::shared_ptr<zel::data::UserDescription> Find(const std::string& clockID) const
    {
        const auto found = mByClockID.find(clockID);
        return found == mByClockID.end() ? nullptr : found->second;
    }

private:
    std::unordered_map<std::string, std::shared_ptr<zel::data::UserDescription>> mByClockID;
};

std::string ChangeText(const RosterEntry& entry)
{
    std::string text;
    if (entry.Name != entry.OldName)
        text = "name: " + entry.OldName + " -> " + entry.Name;
    if (entry.AuthorityLevel != entry.OldAuthorityLevel)
        AddReason(text, "level: " + LevelText(entry.OldAuthorityLevel) + " -> " + LevelText(entry.AuthorityLevel));
    return text;
}

} // namespace

const char* RosterActionWord(RosterAction action)
{
    switch (action) {
    case RosterAction::Add:
        return "add";
    case RosterAction::Change:
        return "change";
    case RosterAction::Unchanged:
        return "unchanged";
    case RosterAction::Refused:
        return "refused";
    case RosterAction::Missing:
        return "missing";
    }
    return "?";
}

void RosterPlan::Append(RosterEntry entry)
{
    ++mCounts[static_cast<std::size_t>(entry.Action)];
    Entries.push_back(std::move(entry));
}

RosterPlan PlanRoster(const CsvDocument& file, const zel::data::UserDescriptionList& users)
{
    RosterPlan plan;
    plan.FileName = file.Name();
    plan.Separator = file.Separator();
    const Columns columns = FindColumns(file, plan);
    plan.HasAuthorityLevel = columns.Level.has_value();
    const auto& records = file.Records();

    // The rows' user IDs as the site keeps them, and the rows whose ID the file has more than once
    // with the lines of each such ID.
    std::vector<std::string> ids(records.size());
    std::unordered_map<std::string_view, std::size_t> firstRow;
    firstRow.reserve(records.size());
    std::unordered_map<std::string_view, std::string> twice;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (record.Fields.size() != columns.Count || !record.Problem.empty() ||
            !IsClockUserID(record.Fields[columns.UserID]))
            continue;
        ids[r] = UserIDWithoutLeadingZeros(record.Fields[columns.UserID]);
        const auto [first, fresh] = firstRow.emplace(ids[r], r);
        if (fresh)
            continue;
        std::string& lines = twice[ids[r]];
        if (lines.empty())
            lines = std::to_string(records[first->second].Line);
        lines += ", " + std::to_string(record.Line);
    }
    const SiteUsers site(users);

    std::unordered_set<const zel::data::UserDescription*> named; // users a row of the file names
    named.reserve(records.size());
    plan.Entries.reserve(records.size() + static_cast<std::size_t>(users.Count()));
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        RosterEntry entry;
        entry.Line = record.Line;
        std::string reasons = record.Problem;
        if (record.Fields.size() != columns.Count) {
            AddReason(reasons, "the row has " + std::to_string(record.Fields.size()) + " fields, the header " +
                                   std::to_string(columns.Count) + " (a name with a separator must be in quotes)");
            entry.UserID = record.Fields.size() > columns.UserID ? record.Fields[columns.UserID] : std::string();
            entry.Name = record.Fields.size() > columns.Name ? record.Fields[columns.Name] : std::string();
            entry.Action = RosterAction::Refused;
            entry.Detail = reasons;
            plan.Append(std::move(entry));
            continue;
        }
        const std::string& typedID = record.Fields[columns.UserID];
        entry.Name = Unguarded(record.Fields[columns.Name]);
        // The user editor's rules first, then what a clock needs of an ID; the columns in order.
        if (const std::string problem = UserIDProblem(typedID); !problem.empty())
            AddReason(reasons, "the user ID '" + typedID + "': " + problem);
        else if (!IsClockUserID(typedID))
            AddReason(reasons, "the user ID '" + typedID + "' is not a number: a clock cannot hold it");
        if (auto refusal = CheckUserName(entry.Name))
            AddReason(reasons, refusal->Message.substr(0, refusal->Message.size() - 1) + " ('" + entry.Name + "' has " +
                                   std::to_string(CharacterCount(entry.Name)) + ")");
        else if (HasControlCharacter(entry.Name))
            AddReason(reasons, "the name holds a line break or another control character");
        std::optional<std::int32_t> level;
        if (columns.Level && !record.Fields[*columns.Level].empty()) {
            level = AuthorityLevelFromText(record.Fields[*columns.Level]);
            if (!level)
                AddReason(reasons, "unknown authority level '" + record.Fields[*columns.Level] +
                                       "' (0 to 5, or None, Service, Setup, Management, Enrollment, Security)");
        }

        std::shared_ptr<zel::data::UserDescription> user;
        if (!ids[r].empty()) {
            if (const auto found = twice.find(ids[r]); found != twice.end())
                AddReason(reasons,
                          "the user ID " + ids[r] + " is in the file more than once (lines " + found->second + ")");
            user = site.Find(ids[r]);
            if (user)
                named.insert(user.get());
        }
        if (!reasons.empty()) {
            entry.Action = RosterAction::Refused;
            entry.UserID = typedID;
            entry.Detail = reasons;
            plan.Append(std::move(entry));
            continue;
        }
        if (!user) {
            entry.Action = RosterAction::Add;
            entry.UserID = ids[r];
            entry.AuthorityLevel = level.value_or(0);
            plan.Append(std::move(entry));
            continue;
        }
        entry.UserID = user->UserID();
        entry.OldName = user->Name();
        entry.OldAuthorityLevel = user->AuthorityLevel();
        entry.AuthorityLevel = level.value_or(user->AuthorityLevel());
        entry.Enrolled = user->Enrolled();
        const bool same = entry.Name == entry.OldName && entry.AuthorityLevel == entry.OldAuthorityLevel;
        entry.Action = same ? RosterAction::Unchanged : RosterAction::Change;
        if (!same)
            entry.Detail = ChangeText(entry);
        plan.Append(std::move(entry));
    }

    for (const auto& user : users) {
        if (named.count(user.get()) != 0)
            continue;
        RosterEntry entry;
        entry.Action = RosterAction::Missing;
        entry.UserID = user->UserID();
        entry.Name = user->Name();
        entry.AuthorityLevel = user->AuthorityLevel();
        entry.OldName = user->Name();
        entry.OldAuthorityLevel = user->AuthorityLevel();
        entry.Enrolled = user->Enrolled();
        plan.Append(std::move(entry));
    }
    return plan;
}

RosterApplied ApplyRoster(const RosterPlan& plan, zel::data::UserDescriptionList& users, bool removeMissing)
{
    if (!plan.CanApply())
        Refuse(plan.FileName + ": " + std::to_string(plan.Count(RosterAction::Refused)) +
               " rows are refused; nothing was written. Put them right and import the file again.");
    std::vector<zel::data::UserDescriptionList::BatchUser> add, change;
    std::vector<std::string> remove;
    add.reserve(plan.Count(RosterAction::Add));
    change.reserve(plan.Count(RosterAction::Change));
    for (const auto& entry : plan.Entries) {
        switch (entry.Action) {
        case RosterAction::Add:
            add.push_back({entry.UserID, entry.Name, entry.AuthorityLevel});
            break;
        case RosterAction::Change:
            change.push_back({entry.UserID, entry.Name, entry.AuthorityLevel});
            break;
        case RosterAction::Missing:
            if (removeMissing)
                remove.push_back(entry.UserID);
            break;
        default:
            break;
        }
    }
    users.ApplyBatch(add, change, remove);
    return {add.size(), change.size(), remove.size()};
}

} // namespace zel::workflows
