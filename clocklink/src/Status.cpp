#include "zel/link/Status.h"

#include <array>

namespace zel::link {

std::int32_t ResultFromStatus(std::uint8_t status) noexcept
{
    switch (static_cast<Status>(status)) {
    case Status::Ok:
        return ToInt(Result::Ok);
    case Status::DataError:
    case Status::NotFound:
    case Status::MemoryFull:
        return ToInt(Result::DataError);
    case Status::Aborted:
        return ToInt(Result::Cancelled);
    case Status::BadCrc:
        return ToInt(Result::BadCrc);
    case Status::UnknownCommand:
    case Status::WrongLength:
    case Status::Busy:
    case Status::NotSupported:
        break;
    }
    return ToInt(Result::ComError);
}

const char* ResultName(std::int32_t result) noexcept
{
    static constexpr std::array<const char*, 13> kNames{"ok",
                                                        "data error",
                                                        "communication error",
                                                        "no connection",
                                                        "time-out",
                                                        "bad CRC",
                                                        "parsing overflow",
                                                        "parsing underflow",
                                                        "invalid channel",
                                                        "invalid socket",
                                                        "invalid buffer",
                                                        "socket error",
                                                        "I/O cancelled"};
    if (result < 0 || result >= static_cast<std::int32_t>(kNames.size())) {
        return "unknown";
    }
    return kNames[static_cast<std::size_t>(result)];
}

} // namespace zel::link
