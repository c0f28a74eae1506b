#include "zel/workflows/ClockModel.h"

#include "zel/support/VT9Reader.h"

namespace zel::workflows {

ClockModelInfo ModelOf(const zel::support::IReader& reader)
{
    if (dynamic_cast<const zel::support::VT9Reader*>(&reader))
        return {"newer", 530};
    return {"base", 2560};
}

} // namespace zel::workflows
