#pragma once

#include "zel/DateTime.h"
#include "zel/support/DisplayDurationEnum.h"
#include "zel/support/IConnector.h"
#include "zel/support/Records.h"

#include <atomic>
#include <cstdint>
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
    // The reader of the clock with that ID (0..255), or nullptr when the channel is not
    // connected, the ID is out of range or the clock does not answer. Raises nothing for a
    // clock that does not answer.
    std::shared_ptr<IReader> GetReader(std::int32_t readerID);

    // --- used by the classes of this library ---

    void SetConnector(std::shared_ptr<IConnector> connector);
    const std::shared_ptr<IConnector>& Connector() const { return mConnector; }
    std::int32_t ChannelHandle() const { return mChannelHandle; }

    void SetHandReader(std::int32_t readerID);
    // The selected clock's ReaderInfoRecord (model code, user count).
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
    DataBank GetDataBank(std::int32_t bank);
    void SetDataBank(std::int32_t bank, const DataBank& data);
    void ClearUserDataBase();
    zel::DateTime GetTime();
    void HereIsTime(const zel::DateTime& value);
    DataLogRecord GetDataLogRecord(bool previous);
    void EnrollUser();
    void AbortCommand();
    StatusRecord SendStatusCRC();
    LastTemplateRecord GetLastTemplate();
    void VerifyOnExternalData(std::int32_t number, const std::uint8_t* template9);
    // Sends exactly 4096 bytes: the start of `data`, padded with zeros when it is shorter.
    void HereIsFkeyData(const std::vector<std::uint8_t>& data);

    // zelTextToID without checking its result (the record stays zero on failure).
    // Counts the commands sent through this channel that may have changed some clock's users
    // (records sent or removed, banks written, a clear); a reader compares it with the value it
    // saw when it was made to know whether the user count it was given still holds.
    std::uint64_t UserChanges() const { return mUserChanges.load(); }

    static UserIDRecord TextToIDUnchecked(const std::string& userID);
    // zelIDToText, formatted as a number without leading zeros ("0000000042" -> "42",
    // all zeros -> "").
    static std::string IDToText(const std::uint8_t* userIDRecord);

private:
    UserIDRecord TextToIDChecked(const std::string& userID);

    std::shared_ptr<IConnector> mConnector;
    std::int32_t mChannelHandle = 0;
    std::atomic<std::uint64_t> mUserChanges{0};
};

} // namespace zel::support
