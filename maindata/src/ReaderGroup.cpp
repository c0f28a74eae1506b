#include "zel/data/ReaderGroup.h"

#include "zel/Text.h"
#include "zel/data/DataErrors.h"

namespace zel::data {

ReaderGroup::ReaderGroup() : mReaders(ErrorSource) {}

std::shared_ptr<ReaderDescription> ReaderGroup::Item(int position) const
{
    return mReaders.Item(position);
}

std::shared_ptr<ReaderDescription> ReaderGroup::Item(const std::string& name) const
{
    return mReaders.Item(FoldCase(name));
}

std::vector<std::shared_ptr<ReaderDescription>> ReaderGroup::Items() const
{
    std::vector<std::shared_ptr<ReaderDescription>> items;
    for (const auto& clock : mReaders)
        items.push_back(clock);
    return items;
}

void ReaderGroup::AddReader(const std::shared_ptr<ReaderDescription>& clock)
{
    mReaders.Add(clock, FoldCase(clock->Name()));
}

} // namespace zel::data
