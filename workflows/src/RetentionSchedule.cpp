#include "zel/workflows/RetentionSchedule.h"

#include "zel/workflows/EventKinds.h"
#include "zel/workflows/UserTransfer.h"

#include "zel/data/DataSource.h"
#include "zel/data/LifecycleStore.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <algorithm>
#include <charconv>

namespace zel::workflows {

namespace {

// The date a "YYYY-MM-DD..." text begins with; nothing for any other text.
bool DateOf(const std::string& text, zel::DateTime& date)
{
    int parts[3] = {0, 0, 0};
    if (text.size() < 10 || text[4] != '-' || text[7] != '-')
        return false;
    const std::size_t starts[3] = {0, 5, 8};
    const std::size_t sizes[3] = {4, 2, 2};
    for (int i = 0; i < 3; ++i) {
        const char* first = text.data() + starts[i];
        if (std::from_chars(first, first + sizes[i], parts[i]).ptr != first + sizes[i])
            return false;
    }
    if (!zel::DateTime::IsValidDate(parts[0], parts[1], parts[2]))
        return false;
    date = zel::DateTime(parts[0], parts[1], parts[2]);
    return true;
}

int DaysBetween(const zel::DateTime& from, const zel::DateTime& to)
{
    return static_cast<int>((to.DatePart().TotalSeconds() - from.DatePart().TotalSeconds()) / 86400);
}

} // namespace

RetentionSchedule::RetentionSchedule(int days) : mDays(days) {}

RetentionSchedule RetentionSchedule::OfSite()
{
    return RetentionSchedule(zel::data::LifecycleStore().RetentionDays());
}

std::vector<RetentionEntry> RetentionSchedule::Review(const zel::DateTime& today) const
{
    zel::data::LifecycleStore lifecycle;
    const auto stored = lifecycle.TemplateDates();
    const auto punched = lifecycle.LastEvents(FormatTypesOf(EventCategory::Punch));
    std::vector<RetentionEntry> entries;
    for (const auto& user : zel::data::DataSource().GetUserDescriptionList()->Items()) {
        if (!HasTemplate(user->Template()))
            continue;
        RetentionEntry entry;
        entry.User = user;
        zel::DateTime basis = today;
        zel::DateTime date;
        entry.Basis = "template stored";
        if (const auto found = stored.find(user->UserID()); found != stored.end() && DateOf(found->second, date))
            basis = date;
        if (const auto found = punched.find(user->UserID());
            found != punched.end() && DateOf(found->second, date) && date >= basis) {
            basis = date;
            entry.Basis = "last punch";
        }
        entry.Date = basis.DateString();
        entry.DaysSince = DaysBetween(basis, today);
        entry.DaysOver = std::max(0, entry.DaysSince - mDays);
        entries.push_back(std::move(entry));
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const RetentionEntry& a, const RetentionEntry& b) { return a.DaysSince > b.DaysSince; });
    return entries;
}

std::vector<RetentionEntry> RetentionSchedule::Due(const zel::DateTime& today) const
{
    auto entries = Review(today);
    entries.erase(
        std::remove_if(entries.begin(), entries.end(), [](const RetentionEntry& e) { return e.DaysOver <= 0; }),
        entries.end());
    return entries;
}

std::string RetentionSchedule::PolicyText() const
{
    const std::string days = std::to_string(mDays);
    std::string years;
    if (mDays % 365 == 0)
        years = " (" + std::to_string(mDays / 365) + (mDays == 365 ? " year)" : " years)");
    return "Retention schedule for biometric data\n"
           "\n"
           "What we keep. To tell who clocks in and out, our time clocks measure the shape of a\n"
           "person's hand. The measurement (a hand-geometry template) is kept in our site database and\n"
           "on the time clocks the person uses. It is used for nothing else and given to nobody.\n"
           "\n"
           "How long. A person's template is destroyed, in the site database and on every time clock,\n"
           "no later than " +
           days + " days" + years +
           " after the person last used one of our time clocks, or, for a\n"
           "person who never used one, " +
           days +
           " days after the template was stored. It is destroyed sooner when\n"
           "the purpose for which it was collected has ended, for instance when the person leaves.\n"
           "\n"
           "How. The templates due are destroyed at least once a week. A time clock that cannot be\n"
           "reached at that moment keeps a pending erasure, carried out the next time the clock is\n"
           "reached. Each destruction is recorded with its date and the clocks concerned.\n";
}

} // namespace zel::workflows
