#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {

class IStore;

// A user's template that a clock may still hold although the site forgot it: the clock could not
// be reached when the user was forgotten. Since is when it was recorded (UTC, ISO 8601).
struct PendingErasure {
    std::int64_t ID = 0;      // the row ID (0 before it is stored)
    std::int32_t ClockID = 0; // Readers.ID of the clock
    std::string ClockName;    // the clock's name when it was recorded
    std::string UserID;       // the user to remove from the clock
    std::string Since;        // "2026-12-08T09:30:00Z"
};

// The retention schedule's default: templates kept at most three years after the last punch.
inline constexpr int kDefaultRetentionDays = 1095;

// What the site keeps for the life cycle of the hand templates: pending erasures (table
// PendingErasures), the retention setting (table SiteSettings, name RetentionDays), the time each
// user's template was stored (column Users.TemplateStoredAt, set by the database itself whenever a
// template is written, so that every way of storing one is covered) and each user's last event of
// given kinds (from the collected Events).
//
// Holds the thread's connection (see DataSource). The tables and the column are made when a site
// is opened for writing or appending, never on a read-only open: a read-only site that lacks them
// has no pending erasures, the default setting and no dates.
//
// How it fails: raises zel::Error as the rest of the site database does: 91 when the thread has
// no site open, 3704 when it is closed, 3027 (with the reason) for a write the site refuses, engine
// errors otherwise. Recording pending erasures and the setting needs the site's writer; finishing
// an erasure (RemovePending) is also taken from a connection opened to append events, so that a
// collection beside the program finishes the erasures of the clocks it reaches.
class LifecycleStore {
public:
    // The store of the calling thread's site database connection.
    LifecycleStore();
    explicit LifecycleStore(std::shared_ptr<IStore> store);

    // Records the erasures (an erasure already recorded for the same clock and user is kept as it
    // is). Joins the caller's transaction (IStore::Transact), so that a forget records its pending
    // erasures together with the removal of the template from the site.
    void AddPending(const std::vector<PendingErasure>& erasures);
    // Forgets the pending erasure of the user on the clock; true when one was recorded.
    bool RemovePending(std::int32_t clockID, const std::string& userID);
    // Every pending erasure, oldest first.
    std::vector<PendingErasure> Pending() const;
    // The pending erasures of one clock, oldest first.
    std::vector<PendingErasure> PendingFor(std::int32_t clockID) const;
    // True when the site can record a finished erasure (see RemovePending).
    bool CanFinish() const;

    // Takes the template out of the user's row (Users.ID) and marks the user not enrolled; the row
    // and its other columns stay. Joins the caller's transaction. False when the row is gone.
    bool ForgetTemplate(std::int32_t userDatabaseID);

    // The retention setting in days (kDefaultRetentionDays when none is stored).
    int RetentionDays() const;
    // Stores the setting: 1 to 36500 days (error 5 otherwise).
    void SetRetentionDays(int days);

    // When each user's template was stored (UTC, ISO 8601), by user ID; users without a date
    // (templates stored before the site kept dates get the date of the first open that added the
    // column) are absent.
    std::map<std::string, std::string> TemplateDates() const;
    // The time stamp of each user's newest collected event of the given kinds (the clock's local
    // time, "YYYY-MM-DD HH:MM:SS"), by user ID.
    std::map<std::string, std::string> LastEvents(const std::vector<std::int32_t>& formatTypes) const;

private:
    std::shared_ptr<IStore> mStore;
};

} // namespace zel::data
