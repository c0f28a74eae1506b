#pragma once

#include "editors/BoundListUI.h"

#include "zel/data/ReaderDescriptionList.h"

#include <memory>
#include <vector>

namespace zel::ui {

// The list of the site's clocks: one line per entry with its name; item data = DatabaseID.
class ReaderListUI : public BoundListUI<zel::data::ReaderDescriptionList> {
    Q_OBJECT
public:
    explicit ReaderListUI(QWidget* parent = nullptr);

    std::shared_ptr<zel::data::ReaderDescriptionList> ReaderList() const { return BoundList(); }
    // Subscribes to the list's change events and refills the view.
    void SetReaderList(std::shared_ptr<zel::data::ReaderDescriptionList> list) { Bind(std::move(list)); }

    // A new collection of the entries of the selected lines, in line order.
    std::vector<std::shared_ptr<zel::data::ReaderDescription>> GetSelectedReaders() { return SelectedItems(); }

protected:
    const char* ErrorSource() const override { return "ReaderListUI"; }
};

} // namespace zel::ui
