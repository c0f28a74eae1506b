#pragma once

#include "editors/BoundListUI.h"

#include "zel/data/ChannelDescriptionList.h"

#include <memory>
#include <vector>

namespace zel::ui {

// The list of the site's channels: one line per entry with its name; item data = DatabaseID.
class ChannelListUI : public BoundListUI<zel::data::ChannelDescriptionList> {
    Q_OBJECT
public:
    explicit ChannelListUI(QWidget* parent = nullptr);

    std::shared_ptr<zel::data::ChannelDescriptionList> ChannelList() const { return BoundList(); }
    // Subscribes to the list's change events and refills the view.
    void SetChannelList(std::shared_ptr<zel::data::ChannelDescriptionList> list) { Bind(std::move(list)); }

    // A new collection of the entries of the selected lines, in line order.
    std::vector<std::shared_ptr<zel::data::IChannelDescription>> GetSelectedChannels() { return SelectedItems(); }

protected:
    const char* ErrorSource() const override { return "ChannelListUI"; }
};

} // namespace zel::ui
