#pragma once

#include <cstdint>
#include <string>

namespace zel::data {

// What every stored channel offers. The kind is found by casting to DirChnlDescription,
// EthChnlDescription or MdmChnlDescription (std::dynamic_pointer_cast).
class IChannelDescription {
public:
    virtual ~IChannelDescription() = default;

    virtual const std::string& Name() const = 0;
    virtual bool IsDirty() const = 0;
    virtual std::string ToString() const = 0;
    virtual std::int32_t DatabaseID() const = 0;
};

} // namespace zel::data
