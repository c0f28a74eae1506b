#pragma once
// What a reader object tells of its clock's model.
#include <cstdint>

namespace zel::support {
class IReader;
}

namespace zel::workflows {

struct ClockModelInfo {
    const char* Name;      // "base" or "newer"
    std::int32_t Capacity; // users the model holds
};

// The model of the clock behind `reader`: the newer model's reader or the base model's.
ClockModelInfo ModelOf(const zel::support::IReader& reader);

} // namespace zel::workflows
