#pragma once

#include <cstdint>

namespace zel::support {

// The progress of an enrollment: hand reads counted so far and the four finger lamps.
struct EnrollmentStatusType {
    std::int32_t ReadCount = 0;
    std::int32_t Led1 = 0;
    std::int32_t Led2 = 0;
    std::int32_t Led3 = 0;
    std::int32_t Led4 = 0;

    friend bool operator==(const EnrollmentStatusType&, const EnrollmentStatusType&) = default;
};

} // namespace zel::support
