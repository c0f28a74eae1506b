#pragma once

#include "zel/DateTime.h"
#include "zel/support/DataLogState.h"
#include "zel/support/DisplayDurationEnum.h"
#include "zel/support/IConnector.h"
#include "zel/support/Records.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel::support {

class IReader;

// One open link (serial port or TCP connection) over which one or more clocks are reached,
// each addressed by its reader ID. Made unconnected by ChannelFactory. Releasing the last
// reference disconnects. Every failed clock command raises the ZelErrors error of its
// result code (source "Channel").
class Channel : public std::enable_shared_from_this<Channel> {
public:
    Channel() = default;
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // --- public operations ---

    // Asks the connector for a link and keeps its handle (0 when it failed). Raises nothing
    // for a failed link: test IsConnected. On a channel that is already connected it does
    // nothing: the open link is kept (same handle, no clock library call, no second socket or
    // port). To open a fresh link, for instance after the line was lost, Disconnect first.
    void Connect();
    // Hands the handle to the connector's Disconnect, then forgets it.
    void Disconnect();
    bool IsConnected() const { return mChannelHandle != 0; }
    // The reader of the clock with that ID, or nullptr when the channel is not connected or the
    // clock does not answer (raises nothing for them). An ID outside 0..255 names no clock: it
    // raises number 5, source "ZelClock".
    std::shared_ptr<IReader> GetReader(std::int32_t readerID);
    // Told by GetReader each time a clock has answered, with its reader, before the reader is
    // handed out: work every command must do first on a clock it reaches (the site's pending
    // erasures). It must not raise. Empty by default.
    using ReaderReached = std::function<void(IReader& reader, std::int32_t readerID)>;
    void SetReaderReached(ReaderReached reached) { mReaderReached = std::move(reached); }
    // Why the last Connect made no link, when the connector can tell (for instance "the serial
    // port /dev/ttyS0 is in use by another channel or program"); empty otherwise.
    std::string ConnectFailure() const;

    // --- used by the classes of this library ---

    void SetConnector(std::shared_ptr<IConnector> connector);
    const std::shared_ptr<IConnector>& Connector() const { return mConnector; }
    std::int32_t ChannelHandle() const { return mChannelHandle; }

    // Selects the clock for the following commands (zelSetHandReader). The selection holds even
    // when the clock does not answer, as it does in the clock library.
    void SetHandReader(std::int32_t readerID);
    // The reader ID the last selection through this channel named (-1 before the first).
    std::int32_t SelectedReader() const { return mSelectedReader; }
    // zelGetReaderInfo of the selected clock.
    ReaderInfoRecord GetReaderInfo();
    void DisplayMessage(const std::string& message, bool userSpecific, const std::string& userID,
                        DisplayDurationEnum displayDuration);
    UserRecord GetUserRecord(const std::string& userID);
    void HereIsUserRecord(const UserRecord& record);
    ExtUserRecord GetExtUserRecord(const std::string& userID);
    void HereIsExtUserRecord(const ExtUserRecord& record);
    SetupRecord GetSetupData();
    // zelHereIsSetupData, then zelUpdateNVRam.
    void HereIsSetupData(const SetupRecord& record);
    void RemoveUserRecord(const std::string& userID);
    // Removes the user with that ID, which must be 1 to 10 digits (refused with number 5, source
    // "ZelClock", before anything is sent). Returns false when the clock holds no user with that
    // ID: the clock answers result 1 both for a malformed request and for an unknown user, and a
    // well-formed ID leaves only the second. Every other failure raises.
    bool RemoveUserRecordIfHeld(const std::string& userID);
    DataBank GetDataBank(std::int32_t bank);
    void SetDataBank(std::int32_t bank, const DataBank& data);
    void ClearUserDataBase();
    zel::DateTime GetTime();
    void HereIsTime(const zel::DateTime& value);
    DataLogRecord GetDataLogRecord(bool previous);
    // zelReadDataLog: up to `maxCount` (0..64) events in the mode (ZEL_LOG_NEXT, ...).
    DataLogRead ReadDataLog(std::int32_t mode, std::uint32_t afterSerial, std::int32_t maxCount);
    void EnrollUser();
    void AbortCommand();
    StatusRecord SendStatusCRC();
    LastTemplateRecord GetLastTemplate();
    void VerifyOnExternalData(std::int32_t number, const std::uint8_t* template9);
    // Sends exactly 4096 bytes: the start of `data`, padded with zeros when it is shorter.
    void HereIsFkeyData(const std::vector<std::uint8_t>& data);

    // zelTextToID without checking its result (the record stays zero on failure).
    static UserIDRecord TextToIDUnchecked(const std::string& userID);
    // zelIDToText, formatted as a number without leading zeros ("0000000042" -> "42",
    // all zeros -> "").
    static std::string IDToText(const std::uint8_t* userIDRecord);

private:
    UserIDRecord TextToIDChecked(const std::string& userID);

    std::shared_ptr<IConnector> mConnector;
    std::int32_t mChannelHandle = 0;
    std::int32_t mSelectedReader = -1;
    ReaderReached mReaderReached;
};

} // namespace zel::support
