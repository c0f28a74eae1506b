#pragma once

#include <cstdint>
#include <span>

namespace zel::support {

class Channel;

// Double dispatch between readers and what they send: a reader calls the operation for its own
// clock model and the visitor makes the clock calls through the channel, on which the clock is
// already selected. Implemented by User, ExtendedUser and TimeZoneTable.
class IReaderVisitor {
public:
    virtual ~IReaderVisitor() = default;

    virtual void SendToReader(Channel& channel) = 0;
    virtual void SendToVT9Reader(Channel& channel) = 0;
    virtual void Remove(Channel& channel) = 0;
    // Write the 16-byte data-bank record of the item into `slot`.
    virtual void AppendToReaderBuffer(std::span<std::uint8_t, 16> slot) = 0;
    virtual void AppendToVT9ReaderBuffer(std::span<std::uint8_t, 16> slot) = 0;
};

} // namespace zel::support
