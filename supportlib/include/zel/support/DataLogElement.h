#pragma once

#include "zel/DateTime.h"
#include "zel/support/FormatTypeEnum.h"
#include "zel/support/Records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zel::support {

class Channel;

// One event of a clock's log (the 28-byte record, kept whole). Made by the readers.
class DataLogElement {
public:
    DataLogElement() = default;
    explicit DataLogElement(const DataLogRecord& record) : mRecord(record) {}

    // The clock that logged the event.
    std::uint8_t ReaderID() const { return mRecord[0]; }
    // Two-digit year 0..29 is 2000..2029, 30..99 is 1930..1999. A record whose date is not a
    // calendar date (an empty element) gives the zero date 1899-12-30 00:00:00.
    zel::DateTime TimeStamp() const;
    FormatTypeEnum FormatType() const;
    std::vector<std::uint8_t> Data1() const; // 6 bytes
    std::vector<std::uint8_t> Data2() const; // 8 bytes
    // "{Reader ID: 3, TimeStamp: 2004-03-15 14:05:09, FormatType 7, Data1: 00010A0B0CFF,
    // Data2: 0000000000000000}"
    std::string ToString() const;

    // --- used by the classes of this library ---

    // Reads the next (previous = false) or previous element from the channel.
    void Load(Channel& channel, bool previous);
    bool IsEmpty() const { return FormatType() == FormatTypeEnum::ZEL_DLF_BUFFER_EMPTY; }
    const DataLogRecord& Record() const { return mRecord; }

private:
    DataLogRecord mRecord{};
};

} // namespace zel::support
