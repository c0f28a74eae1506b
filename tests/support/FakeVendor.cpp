#include "FakeVendor.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace zel::test {
namespace {

FakeVendor* gCurrent = nullptr;

using zel::support::PutInt32LE;

std::vector<std::uint8_t> Bytes(const void* p, std::size_t size)
{
    if (p == nullptr)
        return {};
    const auto* b = static_cast<const std::uint8_t*>(p);
    return {b, b + size};
}

std::int32_t Rec(const char* name, std::vector<std::int64_t> args, std::vector<std::uint8_t> data = {},
                 std::string text = {}, std::int32_t defaultResult = 0)
{
    return FakeVendor::Current().Record({name, std::move(args), std::move(data), std::move(text)}, defaultResult);
}

std::string TenDigits(const std::uint8_t* id)
{
    std::string text;
    for (int i = 0; i < 5; ++i) {
        text += static_cast<char>('0' + (id[i] >> 4));
        text += static_cast<char>('0' + (id[i] & 0x0F));
    }
    return text;
}

template <typename R> void CopyOut(void* out, const R& record)
{
    std::memcpy(out, record.data(), record.size());
}

// --- entry points ---

std::int32_t InstallChannel(std::int32_t port)
{
    return Rec("zelInstallChannel", {port}, {}, {}, 7);
}
std::int32_t OpenDirectChannel(std::int32_t h, std::int32_t bitRate)
{
    return Rec("zelOpenDirectChannel", {h, bitRate});
}
std::int32_t StartupWsock()
{
    return Rec("zelStartupWsock", {});
}
std::int32_t CleanupWsock()
{
    return Rec("zelCleanupWsock", {});
}
std::int32_t InitWsock(const char* address, std::int32_t port)
{
    return Rec("zelInitWsock", {port}, {}, address ? address : "", 7);
}
std::int32_t CloseChannel(std::int32_t h)
{
    return Rec("zelCloseChannel", {h});
}
std::int32_t CloseWsock(std::int32_t h)
{
    return Rec("zelCloseWsock", {h});
}
std::int32_t SetHandReader(std::int32_t h, std::int32_t readerId, void* status)
{
    auto code = Rec("zelSetHandReader", {h, readerId}, Bytes(status, ZEL_STATUS_RECORD_SIZE));
    if (code == 0)
        FakeVendor::Current().SelectedReader = readerId;
    return code;
}
std::int32_t GetReaderInfo(std::int32_t h, void* info)
{
    auto code = Rec("zelGetReaderInfo", {h});
    auto& fake = FakeVendor::Current();
    auto it = fake.ReaderInfos.find(fake.SelectedReader);
    CopyOut(info, it != fake.ReaderInfos.end() ? it->second : fake.ReaderInfo);
    return code;
}
std::int32_t TextToID(const char* text, void* id)
{
    std::string digits = text ? text : "";
    auto code = Rec("zelTextToID", {}, {}, digits);
    bool valid = !digits.empty() && digits.size() <= 10 &&
                 std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!valid)
        return code != 0 ? code : 1;
    CopyOut(id, FakeVendor::IdRecord(digits));
    return code;
}
std::int32_t IDToText(const void* id, char* text)
{
    auto code = Rec("zelIDToText", {}, Bytes(id, ZEL_USER_ID_RECORD_SIZE));
    auto digits = TenDigits(static_cast<const std::uint8_t*>(id));
    std::memcpy(text, digits.c_str(), digits.size() + 1);
    return code;
}
std::int32_t GetUserRecord(std::int32_t h, const void* id, void* record)
{
    auto code = Rec("zelGetUserRecord", {h}, Bytes(id, ZEL_USER_ID_RECORD_SIZE));
    auto& fake = FakeVendor::Current();
    auto it = fake.Users.find(TenDigits(static_cast<const std::uint8_t*>(id)));
    if (it == fake.Users.end())
        return code != 0 ? code : 1;
    CopyOut(record, it->second);
    return code;
}
std::int32_t GetExtUserRecord(std::int32_t h, const void* id, void* record)
{
    auto code = Rec("zelGetExtUserRecord", {h}, Bytes(id, ZEL_USER_ID_RECORD_SIZE));
    auto& fake = FakeVendor::Current();
    auto it = fake.ExtUsers.find(TenDigits(static_cast<const std::uint8_t*>(id)));
    if (it == fake.ExtUsers.end())
        return code != 0 ? code : 1;
    CopyOut(record, it->second);
    return code;
}
std::int32_t HereIsUserRecord(std::int32_t h, const void* record)
{
    return Rec("zelHereIsUserRecord", {h}, Bytes(record, ZEL_USER_RECORD_SIZE));
}
std::int32_t HereIsExtUserRecord(std::int32_t h, const void* record)
{
    return Rec("zelHereIsExtUserRecord", {h}, Bytes(record, ZEL_EXT_USER_RECORD_SIZE));
}
std::int32_t RemoveUserRecord(std::int32_t h, const void* id)
{
    return Rec("zelRemoveUserRecord", {h}, Bytes(id, ZEL_USER_ID_RECORD_SIZE));
}
std::int32_t ClearUserDataBase(std::int32_t h)
{
    return Rec("zelClearUserDataBase", {h});
}
std::int32_t GetDataBank(std::int32_t h, std::int32_t bank, void* data)
{
    auto code = Rec("zelGetDataBank", {h, bank});
    auto& fake = FakeVendor::Current();
    auto it = fake.Banks.find(bank);
    if (it != fake.Banks.end())
        CopyOut(data, it->second);
    else
        std::memset(data, 0xFF, ZEL_DATA_BANK_SIZE);
    return code;
}
std::int32_t SetDataBank(std::int32_t h, std::int32_t bank, const void* data)
{
    return Rec("zelSetDataBank", {h, bank}, Bytes(data, ZEL_DATA_BANK_SIZE));
}
std::int32_t GetSetupData(std::int32_t h, void* record)
{
    auto code = Rec("zelGetSetupData", {h});
    CopyOut(record, FakeVendor::Current().Setup);
    return code;
}
std::int32_t HereIsSetupData(std::int32_t h, const void* record)
{
    return Rec("zelHereIsSetupData", {h}, Bytes(record, ZEL_SETUP_RECORD_SIZE));
}
std::int32_t UpdateNVRam(std::int32_t h)
{
    return Rec("zelUpdateNVRam", {h});
}
std::int32_t GetTime(std::int32_t h, void* record)
{
    auto code = Rec("zelGetTime", {h});
    CopyOut(record, FakeVendor::Current().Time);
    return code;
}
std::int32_t HereIsTime(std::int32_t h, const void* record)
{
    return Rec("zelHereIsTime", {h}, Bytes(record, ZEL_TIME_RECORD_SIZE));
}
std::int32_t GetDataLogElement(std::int32_t h, void* record, std::int32_t previous)
{
    auto code = Rec("zelGetDataLogElement", {h, previous});
    auto& log = FakeVendor::Current().DataLog;
    if (log.empty()) {
        std::memset(record, 0, ZEL_DATA_LOG_RECORD_SIZE);
    } else {
        CopyOut(record, log.front());
        log.pop_front();
    }
    return code;
}
std::int32_t HereIsDisplayMessage(std::int32_t h, const void* record)
{
    return Rec("zelHereIsDisplayMessage", {h}, Bytes(record, ZEL_DISPLAY_MESSAGE_RECORD_SIZE));
}
std::int32_t HereIsFkeyData(std::int32_t h, const void* data)
{
    return Rec("zelHereIsFkeyData", {h}, Bytes(data, ZEL_FKEY_DATA_SIZE));
}
std::int32_t EnrollUser(std::int32_t h, std::int32_t reserved)
{
    return Rec("zelEnrollUser", {h, reserved});
}
std::int32_t SendStatusCRC(std::int32_t h, void* record)
{
    auto code = Rec("zelSendStatusCRC", {h});
    auto& statuses = FakeVendor::Current().Statuses;
    if (statuses.empty()) {
        CopyOut(record, FakeVendor::Status(0, true));
    } else {
        CopyOut(record, statuses.front());
        statuses.pop_front();
    }
    return code;
}
std::int32_t GetLastTemplate(std::int32_t h, void* record)
{
    auto code = Rec("zelGetLastTemplate", {h});
    CopyOut(record, FakeVendor::Current().LastTemplate);
    return code;
}
std::int32_t VerifyOnExternalData(std::int32_t h, std::int32_t* number, const void* template9)
{
    return Rec("zelVerifyOnExternalData", {h, number ? *number : -1}, Bytes(template9, ZEL_TEMPLATE_SIZE));
}
std::int32_t AbortCommand(std::int32_t h)
{
    return Rec("zelAbortCommand", {h});
}

} // namespace

FakeVendor::FakeVendor()
{
    if (gCurrent != nullptr)
        throw std::logic_error("only one FakeVendor at a time");
    gCurrent = this;
    mTable.zelInstallChannel = InstallChannel;
    mTable.zelOpenDirectChannel = OpenDirectChannel;
    mTable.zelStartupWsock = StartupWsock;
    mTable.zelCleanupWsock = CleanupWsock;
    mTable.zelInitWsock = InitWsock;
    mTable.zelCloseChannel = CloseChannel;
    mTable.zelCloseWsock = CloseWsock;
    mTable.zelSetHandReader = SetHandReader;
    mTable.zelGetReaderInfo = GetReaderInfo;
    mTable.zelTextToID = TextToID;
    mTable.zelIDToText = IDToText;
    mTable.zelGetUserRecord = GetUserRecord;
    mTable.zelGetExtUserRecord = GetExtUserRecord;
    mTable.zelHereIsUserRecord = HereIsUserRecord;
    mTable.zelHereIsExtUserRecord = HereIsExtUserRecord;
    mTable.zelRemoveUserRecord = RemoveUserRecord;
    mTable.zelClearUserDataBase = ClearUserDataBase;
    mTable.zelGetDataBank = GetDataBank;
    mTable.zelSetDataBank = SetDataBank;
    mTable.zelGetSetupData = GetSetupData;
    mTable.zelHereIsSetupData = HereIsSetupData;
    mTable.zelUpdateNVRam = UpdateNVRam;
    mTable.zelGetTime = GetTime;
    mTable.zelHereIsTime = HereIsTime;
    mTable.zelGetDataLogElement = GetDataLogElement;
    mTable.zelHereIsDisplayMessage = HereIsDisplayMessage;
    mTable.zelHereIsFkeyData = HereIsFkeyData;
    mTable.zelEnrollUser = EnrollUser;
    mTable.zelSendStatusCRC = SendStatusCRC;
    mTable.zelGetLastTemplate = GetLastTemplate;
    mTable.zelVerifyOnExternalData = VerifyOnExternalData;
    mTable.zelAbortCommand = AbortCommand;
    zel::support::VendorLibrary::SetOverride(mTable);
}

FakeVendor::~FakeVendor()
{
    zel::support::VendorLibrary::ClearOverride();
    gCurrent = nullptr;
}

FakeVendor& FakeVendor::Current()
{
    if (gCurrent == nullptr)
        throw std::logic_error("no FakeVendor installed");
    return *gCurrent;
}

void FakeVendor::RemoveEntry(const std::string& name)
{
#define ZEL_FAKE_REMOVE(fn)                                                                                            \
    if (name == #fn)                                                                                                   \
        mTable.fn = nullptr;
    ZEL_FAKE_REMOVE(zelInstallChannel)
    ZEL_FAKE_REMOVE(zelOpenDirectChannel)
    ZEL_FAKE_REMOVE(zelStartupWsock)
    ZEL_FAKE_REMOVE(zelCleanupWsock)
    ZEL_FAKE_REMOVE(zelInitWsock)
    ZEL_FAKE_REMOVE(zelCloseChannel)
    ZEL_FAKE_REMOVE(zelCloseWsock)
    ZEL_FAKE_REMOVE(zelSetHandReader)
    ZEL_FAKE_REMOVE(zelGetReaderInfo)
    ZEL_FAKE_REMOVE(zelTextToID)
    ZEL_FAKE_REMOVE(zelIDToText)
    ZEL_FAKE_REMOVE(zelGetUserRecord)
    ZEL_FAKE_REMOVE(zelGetExtUserRecord)
    ZEL_FAKE_REMOVE(zelHereIsUserRecord)
    ZEL_FAKE_REMOVE(zelHereIsExtUserRecord)
    ZEL_FAKE_REMOVE(zelRemoveUserRecord)
    ZEL_FAKE_REMOVE(zelClearUserDataBase)
    ZEL_FAKE_REMOVE(zelGetDataBank)
    ZEL_FAKE_REMOVE(zelSetDataBank)
    ZEL_FAKE_REMOVE(zelGetSetupData)
    ZEL_FAKE_REMOVE(zelHereIsSetupData)
    ZEL_FAKE_REMOVE(zelUpdateNVRam)
    ZEL_FAKE_REMOVE(zelGetTime)
    ZEL_FAKE_REMOVE(zelHereIsTime)
    ZEL_FAKE_REMOVE(zelGetDataLogElement)
    ZEL_FAKE_REMOVE(zelHereIsDisplayMessage)
    ZEL_FAKE_REMOVE(zelHereIsFkeyData)
    ZEL_FAKE_REMOVE(zelEnrollUser)
    ZEL_FAKE_REMOVE(zelSendStatusCRC)
    ZEL_FAKE_REMOVE(zelGetLastTemplate)
    ZEL_FAKE_REMOVE(zelVerifyOnExternalData)
    ZEL_FAKE_REMOVE(zelAbortCommand)
#undef ZEL_FAKE_REMOVE
    zel::support::VendorLibrary::SetOverride(mTable);
}

std::vector<std::string> FakeVendor::CallNames() const
{
    std::vector<std::string> names;
    for (const auto& call : Calls)
        names.push_back(call.Name);
    return names;
}

std::vector<std::string> FakeVendor::CommandNames() const
{
    std::vector<std::string> names;
    for (const auto& call : Calls)
        if (call.Name != "zelTextToID" && call.Name != "zelIDToText")
            names.push_back(call.Name);
    return names;
}

std::vector<FakeVendor::Call> FakeVendor::CallsTo(const std::string& name) const
{
    std::vector<Call> found;
    for (const auto& call : Calls)
        if (call.Name == name)
            found.push_back(call);
    return found;
}

int FakeVendor::CountOf(const std::string& name) const
{
    return static_cast<int>(
        std::count_if(Calls.begin(), Calls.end(), [&](const Call& call) { return call.Name == name; }));
}

void FakeVendor::QueueResult(const std::string& name, std::int32_t code)
{
    mQueued[name].push_back(code);
}

void FakeVendor::SetResult(const std::string& name, std::int32_t code)
{
    mFixed[name] = code;
}

std::int32_t FakeVendor::Record(Call call, std::int32_t defaultResult)
{
    Calls.push_back(call);
    if (OnCall)
        OnCall(Calls.back());
    auto queued = mQueued.find(call.Name);
    if (queued != mQueued.end() && !queued->second.empty()) {
        auto code = queued->second.front();
        queued->second.pop_front();
        return code;
    }
    auto fixed = mFixed.find(call.Name);
    return fixed != mFixed.end() ? fixed->second : defaultResult;
}

StatusRecord FakeVendor::Status(std::int32_t activity, bool complete, bool timedOut, std::int32_t led1,
                                std::int32_t led2, std::int32_t led3, std::int32_t led4)
{
    StatusRecord status{};
    PutInt32LE(status.data(), activity);
    PutInt32LE(status.data() + 4, led1);
    PutInt32LE(status.data() + 8, led2);
    PutInt32LE(status.data() + 12, led3);
    PutInt32LE(status.data() + 16, led4);
    PutInt32LE(status.data() + 40, complete ? 1 : 0);
    PutInt32LE(status.data() + 44, timedOut ? 1 : 0);
    return status;
}

ReaderInfoRecord FakeVendor::Info(std::uint8_t model, std::int16_t userCount)
{
    ReaderInfoRecord info{};
    info[0] = model;
    zel::support::PutInt16LE(info.data() + 50, userCount);
    return info;
}

UserIDRecord FakeVendor::IdRecord(const std::string& digits)
{
    std::string padded = std::string(10 - std::min<std::size_t>(digits.size(), 10), '0') + digits;
    UserIDRecord id{};
    for (int i = 0; i < 5; ++i)
        id[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(((padded[static_cast<std::size_t>(2 * i)] - '0') << 4) |
                                      (padded[static_cast<std::size_t>(2 * i + 1)] - '0'));
    return id;
}

DataLogRecord FakeVendor::LogRecord(std::uint8_t readerID, std::int32_t formatType, int year2, int month, int day,
                                    int hour, int minute, int second)
{
    DataLogRecord record{};
    record[0] = readerID;
    record[1] = static_cast<std::uint8_t>(second);
    record[2] = static_cast<std::uint8_t>(minute);
    record[3] = static_cast<std::uint8_t>(hour);
    record[4] = static_cast<std::uint8_t>(day);
    record[5] = static_cast<std::uint8_t>(month);
    record[6] = static_cast<std::uint8_t>(year2);
    PutInt32LE(record.data() + 8, formatType);
    return record;
}

} // namespace zel::test
