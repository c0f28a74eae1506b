#include "zel/support/ReaderFactory.h"

#include "zel/support/Reader.h"
#include "zel/support/VT9Reader.h"

namespace zel::support {

std::shared_ptr<IReader> ReaderFactory::CreateReader(std::int32_t readerID, std::shared_ptr<Channel> channel,
                                                     const ReaderInfoRecord& info)
{
    if (info[layout::kReaderModel] == layout::kNewerModelCode)
        return std::make_shared<VT9Reader>(readerID, std::move(channel), info);
    return std::make_shared<Reader>(readerID, std::move(channel), info);
}

} // namespace zel::support
