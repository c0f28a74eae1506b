#include "pages/ClockAudit.h"

#include "pages/ConnectionCenter.h"
#include "pages/modHelpers.h"

#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/workflows/AuditTrail.h"

#include <QtGlobal>

#include <exception>

namespace zel::ui {

namespace {

// The outcome of the connected clock, named as the site names it now.
zel::workflows::ClockResult ConnectedClock(const ConnectionCenter* center, zel::workflows::ClockOutcome outcome,
                                           const std::string& detail)
{
    zel::workflows::ClockResult result;
    result.ClockID = center ? center->ConnectedClockID() : 0;
    try {
        if (auto clock = zel::data::DataSource().GetReaderDescriptionList()->GetByDatabaseID(result.ClockID))
            result.ClockName = clock->Name();
    } catch (const std::exception&) {
        result.ClockName.clear(); // the row still names the clock's ID
    }
    result.Outcome = outcome;
    result.Detail = detail;
    return result;
}

void Write(const std::string& action, const zel::workflows::ClockResult& result,
           const std::vector<std::string>& userIDs)
{
    const std::string failure = zel::workflows::AuditTrail().Record(action, {result}, userIDs);
    if (!failure.empty())
        qWarning("%s", failure.c_str());
}

} // namespace

void LogClockAction(const ConnectionCenter* center, const std::string& action, zel::workflows::ClockOutcome outcome,
                    const std::string& detail, const std::vector<std::string>& userIDs)
{
    Write(action, ConnectedClock(center, outcome, detail), userIDs);
}

bool RunAudited(QWidget* parent, const ConnectionCenter* center, const std::string& action,
                const std::function<void()>& command, const std::string& detail,
                const std::vector<std::string>& userIDs,
                const std::function<void(zel::workflows::ClockResult&)>& settle)
{
    std::string error;
    long number = 0;
    const bool done = RunCommand(parent, [&] {
        try {
            command();
        } catch (const zel::Error& raised) {
            number = raised.Number();
            error = raised.Description();
            throw;
        } catch (const std::exception& raised) {
            error = raised.what();
            throw;
        }
    });
    auto result =
        ConnectedClock(center, done ? zel::workflows::ClockOutcome::Done : zel::workflows::ClockOutcome::Failed,
                       done ? detail : (detail.empty() ? error : error + "; " + detail));
    result.ErrorNumber = number;
    if (settle)
        settle(result);
    Write(action, result, userIDs);
    return done;
}

} // namespace zel::ui
