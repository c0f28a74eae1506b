#pragma once
// Writes what a command did to each clock into the site's audit trail (zel::data::AuditLog).
#include "zel/workflows/ClockResult.h"

#include "zel/data/AuditLog.h"

#include <memory>
#include <string>
#include <vector>

namespace zel::data {
class IStore;
}

namespace zel::workflows {

class CommandReport;

// The audit rows of clock actions, shared by both front ends: one row per clock (and task) of a
// command, written when the clocks' outcomes are known, whatever they are (a cancelled or failed
// command logs what it did).
//
// Holds the store it writes to (the thread's site by default). How it fails: Record never raises
// (the clock work is done by then and its outcome must still reach the administrator); it returns
// the reason the rows could not be written ("" when they were), for the front end to show.
class AuditTrail {
public:
    AuditTrail();
    explicit AuditTrail(std::shared_ptr<zel::data::IStore> store);

    // One row per result, with the action word, the users concerned and a detail that follows
    // each clock's own text ("sent from zelctl users send").
    std::string Record(const std::string& action, const std::vector<ClockResult>& results,
                       const std::vector<std::string>& userIDs = {}, const std::string& detail = {});
    std::string Record(const std::string& action, const CommandReport& report,
                       const std::vector<std::string>& userIDs = {}, const std::string& detail = {});

    // The row of one clock: its name and ID, the outcome word, and as detail the result's text
    // for the administrator (with its error number when it failed) followed by `detail`.
    static zel::data::AuditEntry EntryOf(const std::string& action, const ClockResult& result,
                                         const std::vector<std::string>& userIDs, const std::string& detail);

    // Appends rows made by EntryOf (or by hand) in one transaction.
    std::string Write(std::vector<zel::data::AuditEntry> entries);

private:
    std::shared_ptr<zel::data::IStore> mStore;
};

} // namespace zel::workflows
