#pragma once

#include "zel/support/Records.h"
#include "zel/support/VendorLibrary.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace zel::test {

using zel::support::DataBank;
using zel::support::DataLogRecord;
using zel::support::ExtUserRecord;
using zel::support::LastTemplateRecord;
using zel::support::ReaderInfoRecord;
using zel::support::SetupRecord;
using zel::support::StatusRecord;
using zel::support::TimeRecord;
using zel::support::UserIDRecord;
using zel::support::UserRecord;
using zel::support::VendorTable;

// A scripted stand-in for libzeldll32.so. While an object exists, ZelSupportLib calls it instead
// of the library (one at a time). Every call is recorded with its arguments and the bytes of the
// records passed in; results and records handed out are scripted.
class FakeVendor {
public:
    struct Call {
        std::string Name;
        std::vector<std::int64_t> Args; // the integer arguments, in order (handle first)
        std::vector<std::uint8_t> Data; // bytes of the record passed in, if any
        std::string Text;               // text argument (zelInitWsock, zelTextToID)
    };

    FakeVendor();
    ~FakeVendor();
    FakeVendor(const FakeVendor&) = delete;
    FakeVendor& operator=(const FakeVendor&) = delete;

    static FakeVendor& Current();

    // --- recording ---
    std::vector<Call> Calls;
    std::vector<std::string> CallNames() const;
    // Names of the calls without the ID conversions (zelTextToID, zelIDToText).
    std::vector<std::string> CommandNames() const;
    std::vector<Call> CallsTo(const std::string& name) const;
    int CountOf(const std::string& name) const;
    void ClearCalls() { Calls.clear(); }
    // Runs after each call is recorded, before its result is worked out.
    std::function<void(const Call&)> OnCall;

    // --- results ---
    // The next result of `name` (queued results come first); otherwise the default: the handle
    // 7 for zelInstallChannel and zelInitWsock, 0 for everything else.
    void QueueResult(const std::string& name, std::int32_t code);
    void SetResult(const std::string& name, std::int32_t code);
    // The entry point is missing from the table (the library raises 453).
    void RemoveEntry(const std::string& name);

    // --- scripted records ---
    ReaderInfoRecord ReaderInfo{};                        // for every reader without its own
    std::map<std::int32_t, ReaderInfoRecord> ReaderInfos; // by reader ID
    std::map<std::int32_t, DataBank> Banks;               // a bank without entry reads all 0xFF
    SetupRecord Setup{};
    TimeRecord Time{0, 0, 12, 1, 1, 4};            // 2004-01-01 12:00:00
    std::deque<DataLogRecord> DataLog;             // zelGetDataLogElement; zero records when empty
    std::deque<StatusRecord> Statuses;             // zelSendStatusCRC; "complete" when empty
    LastTemplateRecord LastTemplate{};             // zelGetLastTemplate
    std::map<std::string, UserRecord> Users;       // zelGetUserRecord by 10-digit ID text
    std::map<std::string, ExtUserRecord> ExtUsers; // zelGetExtUserRecord by 10-digit ID text
    std::int32_t SelectedReader = -1;              // the last zelSetHandReader

    // --- helpers ---
    static StatusRecord Status(std::int32_t activity, bool complete = false, bool timedOut = false,
                               std::int32_t led1 = 0, std::int32_t led2 = 0, std::int32_t led3 = 0,
                               std::int32_t led4 = 0);
    static ReaderInfoRecord Info(std::uint8_t model, std::int16_t userCount);
    // The BCD form zelTextToID makes of up to 10 digits.
    static UserIDRecord IdRecord(const std::string& digits);
    static DataLogRecord LogRecord(std::uint8_t readerID, std::int32_t formatType, int year2 = 4, int month = 3,
                                   int day = 15, int hour = 14, int minute = 5, int second = 9);

    // Used by the table's entry points.
    std::int32_t Record(Call call, std::int32_t defaultResult = 0);

private:
    VendorTable mTable;
    std::map<std::string, std::deque<std::int32_t>> mQueued;
    std::map<std::string, std::int32_t> mFixed;
};

} // namespace zel::test
