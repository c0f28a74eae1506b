#include "zel/workflows/AuditTrail.h"

#include "zel/workflows/CommandReport.h"

#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"

#include <exception>

namespace zel::workflows {

AuditTrail::AuditTrail() : AuditTrail(zel::data::DataSource().GetConnection()) {}

AuditTrail::AuditTrail(std::shared_ptr<zel::data::IStore> store) : mStore(std::move(store)) {}

zel::data::AuditEntry AuditTrail::EntryOf(const std::string& action, const ClockResult& result,
                                          const std::vector<std::string>& userIDs, const std::string& detail)
{
    zel::data::AuditEntry entry;
    entry.Action = action;
    entry.ClockID = result.Clock ? result.Clock->DatabaseID() : result.ClockID;
    entry.ClockName = result.Clock ? result.Clock->Name() : result.ClockName;
    entry.UserIDs = userIDs;
    entry.Outcome = OutcomeWord(result.Outcome);
    std::string text = result.Work == ClockTask::Other ? DetailWithWrites(result) : result.Text();
    if (result.Outcome == ClockOutcome::Failed && result.ErrorNumber != 0)
        text = "error " + std::to_string(result.ErrorNumber) + (text.empty() ? "" : ": " + text);
    if (!detail.empty())
        text += (text.empty() ? "" : "; ") + detail;
    entry.Detail = std::move(text);
    return entry;
}

std::string AuditTrail::Record(const std::string& action, const std::vector<ClockResult>& results,
                               const std::vector<std::string>& userIDs, const std::string& detail)
{
    std::vector<zel::data::AuditEntry> entries;
    entries.reserve(results.size());
    for (const auto& result : results)
        entries.push_back(EntryOf(action, result, userIDs, detail));
    return Write(std::move(entries));
}

std::string AuditTrail::Record(const std::string& action, const CommandReport& report,
                               const std::vector<std::string>& userIDs, const std::string& detail)
{
    std::string note = detail;
    if (!report.CommandError().empty())
        note += (note.empty() ? "" : "; ") + std::string("the command stopped: ") + report.CommandError();
    std::vector<zel::data::AuditEntry> entries;
    for (const auto& clock : report.Clocks()) {
        // A command that reads some clocks and writes others names the task of each row.
        auto entry = EntryOf(action, clock, userIDs, note);
        if (report.MixedTasks() && !clock.TaskText().empty())
            entry.Detail = clock.TaskText() + ": " + entry.Detail;
        entries.push_back(std::move(entry));
    }
    return Write(std::move(entries));
}

std::string AuditTrail::Write(std::vector<zel::data::AuditEntry> entries)
{
    if (entries.empty())
        return {};
    try {
        zel::data::AuditLog(mStore).Append(std::move(entries));
        return {};
    } catch (const zel::Error& error) {
        return "The audit log was not written: " + error.Description();
    } catch (const std::exception& error) {
        return std::string("The audit log was not written: ") + error.what();
    }
}

} // namespace zel::workflows
