#pragma once

#include "zel/KeyedCollection.h"
#include "zel/data/IChannelDescription.h"
#include "zel/data/ReaderDescription.h"

#include <memory>
#include <string>
#include <vector>

namespace zel::data {

class ReaderDescriptionList;

// The clocks that share one channel, as ReaderDescriptionList::GetReaderGroups found them.
// A snapshot: it does not follow later changes of the list.
class ReaderGroup {
public:
    using Collection = zel::KeyedCollection<std::shared_ptr<ReaderDescription>>;

    std::shared_ptr<IChannelDescription> ChannelDescription() const { return mChannel; }
    // 1-based position (error 9) or a clock's name in any letter case (error 5).
    std::shared_ptr<ReaderDescription> Item(int position) const;
    std::shared_ptr<ReaderDescription> Item(const std::string& name) const;
    int Count() const noexcept { return mReaders.Count(); }

    Collection::Iterator begin() const { return mReaders.begin(); }
    Collection::Iterator end() const { return mReaders.end(); }
    std::vector<std::shared_ptr<ReaderDescription>> Items() const;

private:
    friend class ReaderDescriptionList;

    ReaderGroup();
    void SetChannel(const std::shared_ptr<IChannelDescription>& channel) { mChannel = channel; }
    void AddReader(const std::shared_ptr<ReaderDescription>& clock);

    Collection mReaders;
    std::shared_ptr<IChannelDescription> mChannel;
};

// The groups of GetReaderGroups, keyed by the channel's name, in the order the channels were met.
using ReaderGroupCollection = zel::KeyedCollection<std::shared_ptr<ReaderGroup>>;

} // namespace zel::data
