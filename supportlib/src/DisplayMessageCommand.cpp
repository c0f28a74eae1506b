#include "zel/support/DisplayMessageCommand.h"

#include "zel/Text.h"
#include "zel/support/Channel.h"
#include "zel/support/User.h"
#include "zel/support/VendorLibrary.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>

namespace zel::support {
namespace {

constexpr std::size_t kTarget = 0;
constexpr std::size_t kUserOrDuration = 4;
constexpr std::size_t kText = 9;

} // namespace

void DisplayMessageCommand::Check(const std::string& message, bool userSpecific, const std::string& userID)
{
    if (userSpecific)
        User::CheckID(userID);
    if (zel::Utf8ToAnsi(message).size() > kMaxMessageLength)
        RaiseInvalidArgument("Message cannot be more than 32 characters.");
}

DisplayMessageRecord DisplayMessageCommand::BuildRecord(const std::string& message, bool userSpecific,
                                                        const std::string& userID, DisplayDurationEnum displayDuration)
{
    Check(message, userSpecific, userID);
    DisplayMessageRecord record{};
    auto text = zel::Utf8ToAnsi(message);

    if (userSpecific) {
        PutInt32LE(record.data() + kTarget, -1);
        auto id = Channel::TextToIDUnchecked(userID);
        std::copy(id.begin(), id.end(), record.begin() + kUserOrDuration);
    } else {
        PutInt32LE(record.data() + kTarget, 0);
        record[kUserOrDuration] = static_cast<std::uint8_t>(static_cast<std::int32_t>(displayDuration));
    }
    std::fill_n(record.begin() + kText, kMaxMessageLength, static_cast<std::uint8_t>(' '));
    std::copy(text.begin(), text.end(), record.begin() + kText);
    return record;
}

std::int32_t DisplayMessageCommand::Execute(std::int32_t channelHandle, const std::string& message, bool userSpecific,
                                            const std::string& userID, DisplayDurationEnum displayDuration)
{
    auto record = BuildRecord(message, userSpecific, userID, displayDuration);
    return ZEL_VENDOR_CALL(zelHereIsDisplayMessage, channelHandle, record.data());
}

} // namespace zel::support
