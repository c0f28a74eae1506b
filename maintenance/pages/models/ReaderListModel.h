#pragma once

#include "pages/models/ListTableModel.h"

#include <memory>

namespace zel {
class Subscription;
}
namespace zel::data {
class ChannelDescriptionList;
class ReaderDescription;
class ReaderDescriptionList;
} // namespace zel::data

namespace zel::ui {

// The clocks of the site database: "Clock Name", "Clock ID", "Channel Name" ("Not Assigned" when
// the clock's channel is not found), "Location", keyed by the clock's name. Refilled (coalesced)
// on the change events of the clock list, and of the channel list, whose names it shows.
class ReaderListModel : public ListTableModel {
    Q_OBJECT
public:
    explicit ReaderListModel(QObject* parent = nullptr);
    ~ReaderListModel() override;

    void SetLists(std::shared_ptr<zel::data::ReaderDescriptionList> readers,
                  std::shared_ptr<zel::data::ChannelDescriptionList> channels);
    const std::shared_ptr<zel::data::ReaderDescriptionList>& ReaderList() const { return mReaderList; }

    // Whether the clock is (still) in the site database's list.
    bool IsListed(const std::shared_ptr<zel::data::ReaderDescription>& reader) const;
    // The clock of a row (0-based source row), or nullptr.
    std::shared_ptr<zel::data::ReaderDescription> ReaderAt(int row) const;

    void mReaderList_ListChanged();
    void mReaderList_ListItemChanged(const std::shared_ptr<zel::data::ReaderDescription>& sender);

protected:
    void Fill(std::vector<Row>& rows) override;

private:
    std::shared_ptr<zel::data::ReaderDescriptionList> mReaderList;
    std::shared_ptr<zel::data::ChannelDescriptionList> mChannelList;
    std::vector<std::shared_ptr<zel::data::ReaderDescription>> mReaders; // parallel to the rows
    std::vector<std::unique_ptr<zel::Subscription>> mSubscriptions;
};

} // namespace zel::ui
