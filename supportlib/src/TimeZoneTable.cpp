#include "zel/support/TimeZoneTable.h"

#include "zel/Error.h"

namespace zel::support {

TimeZoneTable::TimeZoneTable()
{
    for (auto& element : mElements)
        element = std::make_shared<TimeZoneElement>();
}

std::shared_ptr<TimeZoneElement> TimeZoneTable::TimeZones(std::uint8_t index) const
{
    if (index >= kCount)
        throw zel::Error(zel::errc::SubscriptOutOfRange, "ZelSupportLib", "Subscript out of range");
    return mElements[index];
}

} // namespace zel::support
