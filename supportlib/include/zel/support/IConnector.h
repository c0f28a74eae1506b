#pragma once

#include <cstdint>
#include <string>

namespace zel::support {

// Opens and closes the link of a channel (serial port or TCP).
class IConnector {
public:
    virtual ~IConnector() = default;

    // The channel handle of a new link, 0 when no link was made. Raises nothing.
    virtual std::int32_t Connect() = 0;
    // Closes the link with that handle.
    virtual void Disconnect(std::int32_t channelHandle) = 0;
    // Why the last Connect gave 0, when this connector can tell; empty otherwise.
    virtual std::string ConnectFailure() const { return {}; }
};

} // namespace zel::support
