#pragma once

#include "zel/support/IReaderVisitor.h"
#include "zel/support/TimeZoneElement.h"

#include <array>
#include <cstdint>
#include <memory>

namespace zel::support {

// A clock's time-zone table of 60 elements. This library can hold it but not transmit it:
// as a visitor it sends nothing.
class TimeZoneTable : public IReaderVisitor {
public:
    static constexpr int kCount = 60;

    TimeZoneTable();

    // Index 0..59; above 59 raises 9 "Subscript out of range".
    std::shared_ptr<TimeZoneElement> TimeZones(std::uint8_t index) const;

    void SendToReader(Channel&) override {}
    void SendToVT9Reader(Channel&) override {}
    void Remove(Channel&) override {}
    void AppendToReaderBuffer(std::span<std::uint8_t, 16>) override {}
    void AppendToVT9ReaderBuffer(std::span<std::uint8_t, 16>) override {}

private:
    std::array<std::shared_ptr<TimeZoneElement>, kCount> mElements;
};

} // namespace zel::support
