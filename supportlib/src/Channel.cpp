#include "zel/support/Channel.h"

#include "zel/Text.h"
#include "zel/support/DisplayMessageCommand.h"
#include "zel/support/ReaderFactory.h"
#include "zel/support/User.h"
#include "zel/support/VendorLibrary.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zel::support {
namespace {

// What zelRemoveUserRecord answers for a well-formed ID the clock does not hold (the clock's
// NotFound and DataError both become result 1; the ID was checked, so it is NotFound).
constexpr std::int32_t kNotOnClockResult = 1;

} // namespace

Channel::~Channel()
{
    try {
        Disconnect();
    } catch (...) {
        // Releasing a channel must not throw (e.g. when the clock library is missing).
    }
}

void Channel::SetConnector(std::shared_ptr<IConnector> connector)
{
    mConnector = std::move(connector);
}

void Channel::Connect()
{
    // A second link would orphan the first: its handle, socket or port would stay open with
    // nobody left to close them.
    if (IsConnected())
        return;
    if (mConnector)
        mChannelHandle = mConnector->Connect();
    mSelectedReader = -1; // a new link: the clock library starts without a selection of ours
}

std::string Channel::ConnectFailure() const
{
    return mConnector && !IsConnected() ? mConnector->ConnectFailure() : std::string();
}

void Channel::Disconnect()
{
    if (mConnector)
        mConnector->Disconnect(mChannelHandle);
    mChannelHandle = 0;
}

std::shared_ptr<IReader> Channel::GetReader(std::int32_t readerID)
{
    if (readerID < 0 || readerID > 255)
        RaiseInvalidArgument("Reader ID must be between 0 and 255; " + std::to_string(readerID) + " names no clock.");
    if (!IsConnected())
        return nullptr;
    StatusRecord status{};
    mSelectedReader = readerID;
    if (ZEL_VENDOR_CALL(zelSetHandReader, mChannelHandle, readerID, status.data()) != 0)
        return nullptr;
    ReaderInfoRecord info{};
    if (ZEL_VENDOR_CALL(zelGetReaderInfo, mChannelHandle, info.data()) != 0)
        return nullptr;
    auto reader = ReaderFactory::CreateReader(readerID, shared_from_this(), info);
    if (reader && mReaderReached)
        mReaderReached(*reader, readerID);
    return reader;
}

void Channel::SetHandReader(std::int32_t readerID)
{
    StatusRecord status{};
    mSelectedReader = readerID;
    CheckResult(ZEL_VENDOR_CALL(zelSetHandReader, mChannelHandle, readerID, status.data()));
}

ReaderInfoRecord Channel::GetReaderInfo()
{
    ReaderInfoRecord info{};
    CheckResult(ZEL_VENDOR_CALL(zelGetReaderInfo, mChannelHandle, info.data()));
    return info;
}

void Channel::DisplayMessage(const std::string& message, bool userSpecific, const std::string& userID,
                             DisplayDurationEnum displayDuration)
{
    DisplayMessageCommand command;
    CheckResult(command.Execute(mChannelHandle, message, userSpecific, userID, displayDuration));
}

UserIDRecord Channel::TextToIDUnchecked(const std::string& userID)
{
    UserIDRecord id{};
    auto ansi = zel::Utf8ToAnsi(userID);
    ZEL_VENDOR_CALL(zelTextToID, ansi.c_str(), id.data());
    return id;
}

UserIDRecord Channel::TextToIDChecked(const std::string& userID)
{
    UserIDRecord id{};
    auto ansi = zel::Utf8ToAnsi(userID);
    CheckResult(ZEL_VENDOR_CALL(zelTextToID, ansi.c_str(), id.data()));
    return id;
}

std::string Channel::IDToText(const std::uint8_t* userIDRecord)
{
    char text[ZEL_ID_TEXT_SIZE + 1] = {};
    ZEL_VENDOR_CALL(zelIDToText, userIDRecord, text);
    text[ZEL_ID_TEXT_SIZE] = '\0';
    std::string id(text, strnlen(text, ZEL_ID_TEXT_SIZE));
    auto first = id.find_first_not_of('0');
    return first == std::string::npos ? std::string() : zel::AnsiToUtf8(id.substr(first));
}

UserRecord Channel::GetUserRecord(const std::string& userID)
{
    auto id = TextToIDChecked(userID);
    UserRecord record{};
    CheckResult(ZEL_VENDOR_CALL(zelGetUserRecord, mChannelHandle, id.data(), record.data()));
    return record;
}

void Channel::HereIsUserRecord(const UserRecord& record)
{
    CheckResult(ZEL_VENDOR_CALL(zelHereIsUserRecord, mChannelHandle, record.data()));
}

ExtUserRecord Channel::GetExtUserRecord(const std::string& userID)
{
    auto id = TextToIDChecked(userID);
    ExtUserRecord record{};
    CheckResult(ZEL_VENDOR_CALL(zelGetExtUserRecord, mChannelHandle, id.data(), record.data()));
    return record;
}

void Channel::HereIsExtUserRecord(const ExtUserRecord& record)
{
    CheckResult(ZEL_VENDOR_CALL(zelHereIsExtUserRecord, mChannelHandle, record.data()));
}

SetupRecord Channel::GetSetupData()
{
    SetupRecord record{};
    CheckResult(ZEL_VENDOR_CALL(zelGetSetupData, mChannelHandle, record.data()));
    return record;
}

void Channel::HereIsSetupData(const SetupRecord& record)
{
    CheckResult(ZEL_VENDOR_CALL(zelHereIsSetupData, mChannelHandle, record.data()));
    CheckResult(ZEL_VENDOR_CALL(zelUpdateNVRam, mChannelHandle));
}

void Channel::RemoveUserRecord(const std::string& userID)
{
    auto id = TextToIDChecked(userID);
    CheckResult(ZEL_VENDOR_CALL(zelRemoveUserRecord, mChannelHandle, id.data()));
}

bool Channel::RemoveUserRecordIfHeld(const std::string& userID)
{
    User::CheckID(userID);
    auto id = TextToIDChecked(userID);
    const std::int32_t code = ZEL_VENDOR_CALL(zelRemoveUserRecord, mChannelHandle, id.data());
    if (code == kNotOnClockResult)
        return false;
    CheckResult(code);
    return true;
}

DataBank Channel::GetDataBank(std::int32_t bank)
{
    DataBank data{};
    CheckResult(ZEL_VENDOR_CALL(zelGetDataBank, mChannelHandle, bank, data.data()));
    return data;
}

void Channel::SetDataBank(std::int32_t bank, const DataBank& data)
{
    CheckResult(ZEL_VENDOR_CALL(zelSetDataBank, mChannelHandle, bank, data.data()));
}

void Channel::ClearUserDataBase()
{
    CheckResult(ZEL_VENDOR_CALL(zelClearUserDataBase, mChannelHandle));
}

zel::DateTime Channel::GetTime()
{
    TimeRecord record{};
    CheckResult(ZEL_VENDOR_CALL(zelGetTime, mChannelHandle, record.data()));
    return ReadTimeRecord(record.data());
}

void Channel::HereIsTime(const zel::DateTime& value)
{
    TimeRecord record{};
    WriteTimeRecord(record.data(), value);
    CheckResult(ZEL_VENDOR_CALL(zelHereIsTime, mChannelHandle, record.data()));
}

DataLogRecord Channel::GetDataLogRecord(bool previous)
{
    DataLogRecord record{};
    CheckResult(ZEL_VENDOR_CALL(zelGetDataLogElement, mChannelHandle, record.data(), previous ? -1 : 0));
    return record;
}

DataLogRead Channel::ReadDataLog(std::int32_t mode, std::uint32_t afterSerial, std::int32_t maxCount)
{
    std::array<std::uint32_t, ZEL_DATA_LOG_STATE_SIZE / 4> state{};
    std::vector<DataLogRecord> records(static_cast<std::size_t>(std::max(maxCount, 0)));
    CheckResult(ZEL_VENDOR_CALL(zelReadDataLog, mChannelHandle, mode, afterSerial, maxCount, state.data(),
                                records.empty() ? nullptr : records.data()->data()));
    DataLogRead read;
    read.State = {state[0], state[1], state[2], state[3], state[4]};
    records.resize(std::min<std::size_t>(state[5], records.size()));
    read.Records = std::move(records);
    return read;
}

void Channel::EnrollUser()
{
    CheckResult(ZEL_VENDOR_CALL(zelEnrollUser, mChannelHandle, 0));
}

void Channel::AbortCommand()
{
    CheckResult(ZEL_VENDOR_CALL(zelAbortCommand, mChannelHandle));
}

StatusRecord Channel::SendStatusCRC()
{
    StatusRecord record{};
    CheckResult(ZEL_VENDOR_CALL(zelSendStatusCRC, mChannelHandle, record.data()));
    return record;
}

LastTemplateRecord Channel::GetLastTemplate()
{
    LastTemplateRecord record{};
    CheckResult(ZEL_VENDOR_CALL(zelGetLastTemplate, mChannelHandle, record.data()));
    return record;
}

void Channel::VerifyOnExternalData(std::int32_t number, const std::uint8_t* template9)
{
    CheckResult(ZEL_VENDOR_CALL(zelVerifyOnExternalData, mChannelHandle, &number, template9));
}

void Channel::HereIsFkeyData(const std::vector<std::uint8_t>& data)
{
    std::array<std::uint8_t, ZEL_FKEY_DATA_SIZE> block{};
    std::copy_n(data.begin(), std::min<std::size_t>(data.size(), block.size()), block.begin());
    CheckResult(ZEL_VENDOR_CALL(zelHereIsFkeyData, mChannelHandle, block.data()));
}

} // namespace zel::support
