#pragma once

#include "editors/ListEditorBase.h"

#include "zel/data/ChannelDescriptionList.h"

#include <memory>

namespace zel::ui {

class ChannelListUI;
class ChannelDetailUI;

// The "Channels" tab: adds, edits and removes the site's channels of the three kinds (direct
// serial, modem, Ethernet). A channel's kind is chosen when it is added and fixed afterwards.
// Removing a channel that clocks use asks first, naming those clocks (they are left without one).
class ChannelListEditor : public ListEditorBase {
    Q_OBJECT
public:
    explicit ChannelListEditor(QWidget* parent = nullptr);

    std::shared_ptr<zel::data::ChannelDescriptionList> ChannelList() const { return mChannelList; }
    void SetChannelList(std::shared_ptr<zel::data::ChannelDescriptionList> list);

    ChannelListUI* ListUI() const { return mListUI; }
    ChannelDetailUI* DetailUI() const { return mDetailUI; }

protected:
    void SetEditMode(std::int32_t mode) override;
    void DetailSetInEditMode(bool editing) override;
    void DetailSetSelectedID(std::int32_t id) override;
    std::int32_t DetailSelectedID() const override;
    void DetailRefresh() override;
    bool HasEntry(std::int32_t databaseID) const override;
    QString EntryWord() const override { return QStringLiteral("channel"); }
    void RemoveEntry(std::int32_t databaseID) override;
    // A channel that clocks still use is removed only when the administrator says so.
    bool ConfirmRemove(std::int32_t databaseID) override;
    bool SaveEntry(std::int32_t mode) override;
    void ReloadEntry(std::int32_t databaseID) override;
    bool DetailChangedElsewhere() const override;
    void OnAdd() override;
    // Cancel with no line to show leaves the typed values in the disabled fields.
    bool KeepsFieldsWithoutSelection() const override { return true; }

private:
    std::shared_ptr<zel::data::ChannelDescriptionList> mChannelList;
    ChannelListUI* mListUI;
    ChannelDetailUI* mDetailUI;
};

} // namespace zel::ui
