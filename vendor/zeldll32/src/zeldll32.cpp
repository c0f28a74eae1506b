// The exported C functions of libzeldll32.so. Each one checks its handle and its buffers, then
// runs one exchange with the selected clock through clocklink. Nothing escapes as an exception
// and no result is outside 0..12.
#include "zeldll32.h"

#include <arpa/inet.h>
#include <array>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "ChannelTable.h"
#include "UserIdCodec.h"
#include "VendorChannel.h"
#include "zel/link/Ipv4Address.h"
#include "zel/link/SerialTransport.h"
#include "zel/link/Status.h"
#include "zel/link/TcpTransport.h"
#include "zel/link/Timing.h"

namespace {

using zel::link::Command;
using zel::link::Describe;
using zel::link::Result;
using zel::link::ToInt;
using zel::vendor::ChannelTable;
using zel::vendor::UserIdCodec;
using zel::vendor::VendorChannel;

constexpr int32_t kInvalidChannel = ToInt(Result::InvalidChannel);
constexpr int32_t kInvalidBuffer = ToInt(Result::InvalidBuffer);
constexpr int32_t kDataError = ToInt(Result::DataError);

template <class Body> int32_t Guarded(Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return ToInt(Result::ComError);
    }
}

// One exchange whose request and response are whole records at the given addresses.
int32_t Call(int32_t h, Command command, const void* request, void* response) noexcept
{
    return Guarded([&] {
        const auto channel = ChannelTable::Instance().Find(h);
        if (!channel) {
            return kInvalidChannel;
        }
        const auto& info = Describe(command);
        if ((info.RequestSize > 0 && request == nullptr) || (info.ResponseSize > 0 && response == nullptr)) {
            return kInvalidBuffer;
        }
        const std::span<const std::uint8_t> in(static_cast<const std::uint8_t*>(request), info.RequestSize);
        const std::span<std::uint8_t> out(static_cast<std::uint8_t*>(response), info.ResponseSize);
        return channel->Exchange(command, in, out);
    });
}

int32_t CallWithPrefix(int32_t h, Command command, std::uint8_t prefix, const void* data, std::size_t dataSize,
                       void* response) noexcept
{
    return Guarded([&] {
        const auto channel = ChannelTable::Instance().Find(h);
        if (!channel) {
            return kInvalidChannel;
        }
        const auto& info = Describe(command);
        if ((dataSize > 0 && data == nullptr) || (info.ResponseSize > 0 && response == nullptr)) {
            return kInvalidBuffer;
        }
        std::vector<std::uint8_t> request(1 + dataSize);
        request[0] = prefix;
        if (dataSize > 0) {
            std::memcpy(request.data() + 1, data, dataSize);
        }
        const std::span<std::uint8_t> out(static_cast<std::uint8_t*>(response), info.ResponseSize);
        return channel->Exchange(command, request, out);
    });
}

} // namespace

extern "C" {

ZELAPI int32_t zelInstallChannel(int32_t portIndex)
{
    return Guarded([&]() -> int32_t {
        if (portIndex < 0 || portIndex > 254) {
            return 0;
        }
        return ChannelTable::Instance().Add(
            VendorChannel::MakeSerial(zel::link::SerialTransport::DeviceForPort(portIndex)));
    });
}

ZELAPI int32_t zelOpenDirectChannel(int32_t h, int32_t bitRate)
{
    return Guarded([&] {
        const auto channel = ChannelTable::Instance().Find(h);
        return channel ? channel->OpenSerial(bitRate) : kInvalidChannel;
    });
}

ZELAPI int32_t zelStartupWsock(void)
{
    return Guarded([] {
        ChannelTable::Instance().StartSockets();
        return 0;
    });
}

ZELAPI int32_t zelCleanupWsock(void)
{
    return Guarded([] { return ChannelTable::Instance().StopSockets() ? 0 : ToInt(Result::InvalidSocket); });
}

ZELAPI int32_t zelInitWsock(const char* ipAddress, int32_t port)
{
    return Guarded([&]() -> int32_t {
        if (!ChannelTable::Instance().SocketsStarted() || ipAddress == nullptr || port < 1 || port > 65535) {
            return 0;
        }
        // The same rule as the communication library's ChannelFactory (zel/link/Ipv4Address.h).
        const auto address = zel::link::Ipv4Address::Parse(ipAddress);
        if (!address) {
            return 0;
        }
        const auto deadline = zel::link::Clock::now() + zel::link::BaseTimeoutFromEnvironment();
        auto transport =
            zel::link::TcpTransport::Connect(address->ToString(), static_cast<std::uint16_t>(port), deadline);
        if (!transport) {
            return 0;
        }
        return ChannelTable::Instance().Add(VendorChannel::MakeTcp(std::move(transport)));
    });
}

ZELAPI int32_t zelCloseChannel(int32_t h)
{
    return Guarded([&] {
        const auto channel = ChannelTable::Instance().Remove(h);
        if (!channel) {
            return kInvalidChannel;
        }
        channel->Close();
        return 0;
    });
}

ZELAPI int32_t zelCloseWsock(int32_t h)
{
    return zelCloseChannel(h);
}

ZELAPI int32_t zelSetHandReader(int32_t h, int32_t readerId, void* statusRecord)
{
    return Guarded([&] {
        const auto channel = ChannelTable::Instance().Find(h);
        if (!channel) {
            return kInvalidChannel;
        }
        if (statusRecord == nullptr) {
            return kInvalidBuffer;
        }
        return channel->Select(readerId, std::span(static_cast<std::uint8_t*>(statusRecord), ZEL_STATUS_RECORD_SIZE));
    });
}

ZELAPI int32_t zelGetReaderInfo(int32_t h, void* readerInfoRecord)
{
    return Call(h, Command::GetReaderInfo, nullptr, readerInfoRecord);
}

ZELAPI int32_t zelTextToID(const char* idText, void* userIdRecord)
{
    if (idText == nullptr || userIdRecord == nullptr) {
        return kInvalidBuffer;
    }
    // The text is read up to its terminating zero, but never beyond 11 characters.
    const std::size_t length = ::strnlen(idText, 11);
    const auto record = UserIdCodec::Encode(std::string_view(idText, length));
    auto* out = static_cast<std::uint8_t*>(userIdRecord);
    if (!record) {
        std::memset(out, 0, ZEL_USER_ID_RECORD_SIZE);
        return kDataError;
    }
    std::memcpy(out, record->data(), record->size());
    return 0;
}

ZELAPI int32_t zelIDToText(const void* userIdRecord, char* idText)
{
    if (userIdRecord == nullptr || idText == nullptr) {
        return kInvalidBuffer;
    }
    return Guarded([&] {
        UserIdCodec::Record record{};
        std::memcpy(record.data(), userIdRecord, record.size());
        const auto text = UserIdCodec::Decode(record);
        if (!text) {
            idText[0] = '\0';
            return kDataError;
        }
        std::memcpy(idText, text->c_str(), text->size() + 1);
        return 0;
    });
}

ZELAPI int32_t zelGetUserRecord(int32_t h, const void* userIdRecord, void* userRecord)
{
    return Call(h, Command::GetUserRecord, userIdRecord, userRecord);
}

ZELAPI int32_t zelGetExtUserRecord(int32_t h, const void* userIdRecord, void* extUserRecord)
{
    return Call(h, Command::GetExtUserRecord, userIdRecord, extUserRecord);
}

ZELAPI int32_t zelHereIsUserRecord(int32_t h, const void* userRecord)
{
    return Call(h, Command::PutUserRecord, userRecord, nullptr);
}

ZELAPI int32_t zelHereIsExtUserRecord(int32_t h, const void* extUserRecord)
{
    return Call(h, Command::PutExtUserRecord, extUserRecord, nullptr);
}

ZELAPI int32_t zelRemoveUserRecord(int32_t h, const void* userIdRecord)
{
    return Call(h, Command::RemoveUserRecord, userIdRecord, nullptr);
}

ZELAPI int32_t zelClearUserDataBase(int32_t h)
{
    return Call(h, Command::ClearUserDataBase, nullptr, nullptr);
}

ZELAPI int32_t zelGetDataBank(int32_t h, int32_t bank, void* bank4096)
{
    if (bank < 0 || bank > 255) {
        return ChannelTable::Instance().Find(h) ? kDataError : kInvalidChannel;
    }
    return CallWithPrefix(h, Command::GetDataBank, static_cast<std::uint8_t>(bank), nullptr, 0, bank4096);
}

ZELAPI int32_t zelSetDataBank(int32_t h, int32_t bank, const void* bank4096)
{
    if (bank < 0 || bank > 255) {
        return ChannelTable::Instance().Find(h) ? kDataError : kInvalidChannel;
    }
    if (bank4096 == nullptr) {
        return ChannelTable::Instance().Find(h) ? kInvalidBuffer : kInvalidChannel;
    }
    return CallWithPrefix(h, Command::PutDataBank, static_cast<std::uint8_t>(bank), bank4096, ZEL_DATA_BANK_SIZE,
                          nullptr);
}

ZELAPI int32_t zelGetSetupData(int32_t h, void* setupRecord)
{
    return Call(h, Command::GetSetupData, nullptr, setupRecord);
}

ZELAPI int32_t zelHereIsSetupData(int32_t h, const void* setupRecord)
{
    return Call(h, Command::PutSetupData, setupRecord, nullptr);
}

ZELAPI int32_t zelUpdateNVRam(int32_t h)
{
    return Call(h, Command::UpdateNvRam, nullptr, nullptr);
}

ZELAPI int32_t zelGetTime(int32_t h, void* timeRecord)
{
    return Call(h, Command::GetTime, nullptr, timeRecord);
}

ZELAPI int32_t zelHereIsTime(int32_t h, const void* timeRecord)
{
    return Call(h, Command::PutTime, timeRecord, nullptr);
}

ZELAPI int32_t zelGetDataLogElement(int32_t h, void* dataLogRecord, int32_t previous)
{
    const std::uint8_t direction = previous != 0 ? zel::link::kLogPrevious : zel::link::kLogNext;
    return CallWithPrefix(h, Command::GetDataLogElement, direction, nullptr, 0, dataLogRecord);
}

ZELAPI int32_t zelReadDataLog(int32_t h, int32_t mode, uint32_t afterSerial, int32_t maxCount, void* dataLogState,
                              void* records)
{
    return Guarded([&] {
        const auto channel = ChannelTable::Instance().Find(h);
        if (!channel) {
            return kInvalidChannel;
        }
        if (dataLogState == nullptr || (maxCount > 0 && records == nullptr)) {
            return kInvalidBuffer;
        }
        if (mode < ZEL_LOG_NEXT || mode > ZEL_LOG_AFTER_SERIAL || maxCount < 0 || maxCount > ZEL_DATA_LOG_READ_MAX) {
            return kDataError;
        }
        std::array<std::uint8_t, zel::link::kDataLogReadRequestSize> request{
            static_cast<std::uint8_t>(mode),
            static_cast<std::uint8_t>(maxCount),
            static_cast<std::uint8_t>(afterSerial),
            static_cast<std::uint8_t>(afterSerial >> 8),
            static_cast<std::uint8_t>(afterSerial >> 16),
            static_cast<std::uint8_t>(afterSerial >> 24)};
        std::vector<std::uint8_t> answer(Describe(Command::ReadDataLog).ResponseSize);
        std::size_t received = 0;
        if (const int32_t result = channel->Exchange(Command::ReadDataLog, request, answer, &received); result != 0) {
            return result;
        }
        const std::size_t count = answer[zel::link::kLogStateCountOffset];
        const std::size_t size = zel::link::kDataLogStateSize + count * ZEL_DATA_LOG_RECORD_SIZE;
        // More events than asked for, or a count the data does not carry, is not this answer.
        if (count > static_cast<std::size_t>(maxCount) || received > size) {
            return ToInt(Result::ParseOverflow);
        }
        if (received < size) {
            return ToInt(Result::ParseUnderflow);
        }
        std::array<std::uint32_t, ZEL_DATA_LOG_STATE_SIZE / 4> state{};
        for (std::size_t i = 0; i < 5; ++i) {
            const std::uint8_t* w = answer.data() + 4 * i;
            state[i] = w[0] | (w[1] << 8) | (w[2] << 16) | (static_cast<std::uint32_t>(w[3]) << 24);
        }
        state[5] = static_cast<std::uint32_t>(count);
        std::memcpy(dataLogState, state.data(), ZEL_DATA_LOG_STATE_SIZE);
        if (count > 0) {
            std::memcpy(records, answer.data() + zel::link::kDataLogStateSize, count * ZEL_DATA_LOG_RECORD_SIZE);
        }
        return 0;
    });
}

ZELAPI int32_t zelHereIsDisplayMessage(int32_t h, const void* displayMessageRecord)
{
    return Call(h, Command::PutDisplayMessage, displayMessageRecord, nullptr);
}

ZELAPI int32_t zelHereIsFkeyData(int32_t h, const void* data4096)
{
    return Call(h, Command::PutFkeyData, data4096, nullptr);
}

ZELAPI int32_t zelEnrollUser(int32_t h, int32_t /*reserved*/)
{
    return Call(h, Command::EnrollUser, nullptr, nullptr);
}

ZELAPI int32_t zelSendStatusCRC(int32_t h, void* statusRecord)
{
    return Call(h, Command::Status, nullptr, statusRecord);
}

ZELAPI int32_t zelGetLastTemplate(int32_t h, void* lastTemplateRecord)
{
    return Call(h, Command::GetLastTemplate, nullptr, lastTemplateRecord);
}

ZELAPI int32_t zelVerifyOnExternalData(int32_t h, int32_t* number, const void* template9)
{
    return Guarded([&] {
        if (!ChannelTable::Instance().Find(h)) {
            return kInvalidChannel;
        }
        if (number == nullptr || template9 == nullptr) {
            return kInvalidBuffer;
        }
        std::uint8_t request[4 + ZEL_TEMPLATE_SIZE];
        const auto value = static_cast<std::uint32_t>(*number);
        for (int i = 0; i < 4; ++i) {
            request[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        std::memcpy(request + 4, template9, ZEL_TEMPLATE_SIZE);
        return Call(h, Command::VerifyOnExternalData, request, nullptr);
    });
}

ZELAPI int32_t zelAbortCommand(int32_t h)
{
    return Guarded([&] {
        const auto channel = ChannelTable::Instance().Find(h);
        return channel ? channel->Abort() : kInvalidChannel;
    });
}

} // extern "C"
