#pragma once

#include "zel/support/DisplayDurationEnum.h"
#include "zel/support/Records.h"

#include <cstdint>
#include <string>

namespace zel::support {

// Builds the 44-byte display-message record and sends it. Used by Channel::DisplayMessage.
class DisplayMessageCommand {
public:
    static constexpr std::size_t kMaxMessageLength = 32;

    // Checks the arguments (number 5, source "ZelClock"; nothing is sent when one fails),
    // builds the record and returns the result code of zelHereIsDisplayMessage.
    std::int32_t Execute(std::int32_t channelHandle, const std::string& message, bool userSpecific,
                         const std::string& userID, DisplayDurationEnum displayDuration);

    // The argument checks alone: user ID (when userSpecific) first, then the message.
    static void Check(const std::string& message, bool userSpecific, const std::string& userID);

    // The record Execute sends (after the same checks).
    static DisplayMessageRecord BuildRecord(const std::string& message, bool userSpecific, const std::string& userID,
                                            DisplayDurationEnum displayDuration);
};

} // namespace zel::support
