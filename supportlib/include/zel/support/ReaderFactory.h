#pragma once

#include "zel/support/IReader.h"
#include "zel/support/Records.h"

#include <memory>

namespace zel::support {

class Channel;

// Makes the reader object for a clock from the model code in its ReaderInfoRecord: 2 gives a
// VT9Reader, anything else a Reader. Used by Channel::GetReader.
class ReaderFactory {
public:
    static std::shared_ptr<IReader> CreateReader(std::int32_t readerID, std::shared_ptr<Channel> channel,
                                                 const ReaderInfoRecord& info);
};

} // namespace zel::support
