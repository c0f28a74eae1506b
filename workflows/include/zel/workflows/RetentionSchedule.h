#pragma once
// How long the site keeps a person's hand template, and whose templates are due for destruction.
#include "zel/DateTime.h"

#include <memory>
#include <string>
#include <vector>

namespace zel::data {
class UserDescription;
}

namespace zel::workflows {

// One user of the site who holds a template, as the retention schedule sees them.
struct RetentionEntry {
    std::shared_ptr<zel::data::UserDescription> User;
    // What the period counts from: "last punch" (the newest punch collected from the clocks) or
    // "template stored" (when the site stored the template; for a person who never punched, or
    // who was enrolled again after the last punch).
    std::string Basis;
    std::string Date;  // YYYY-MM-DD of the basis
    int DaysSince = 0; // days from Date to today
    int DaysOver = 0;  // days past the period (0 while the template may be kept)
};

// The site's retention schedule: templates are kept at most Days() days after the person's last
// punch, and for a person who never punched, Days() days after the template was stored. A template
// stored again after the last punch counts from then: a new enrollment starts a new period.
//
// Holds the period only; Review reads the site of the calling thread (users, their template dates,
// the collected punches). A template whose date the site does not know yet (a read-only site of an
// earlier version) counts from today. Raises the site's zel::Error when it cannot be read.
class RetentionSchedule {
public:
    explicit RetentionSchedule(int days);
    // The schedule the site's setting gives (its default when none is stored).
    static RetentionSchedule OfSite();

    int Days() const { return mDays; }

    // Every user holding a template, most overdue first; `today` is this machine's local date.
    std::vector<RetentionEntry> Review(const zel::DateTime& today) const;
    // Those of Review whose period has ended (DaysOver > 0).
    std::vector<RetentionEntry> Due(const zel::DateTime& today) const;

    // The written retention schedule, in plain words, ready to publish.
    std::string PolicyText() const;

private:
    int mDays;
};

} // namespace zel::workflows
