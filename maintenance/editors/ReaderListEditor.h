#pragma once

#include "editors/ListEditorBase.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/ReaderDescriptionList.h"

#include <memory>

namespace zel::ui {

class ReaderListUI;
class ReaderDetailUI;

// The "Clocks" tab: adds, edits and removes the site's clocks (name, clock ID, channel,
// location).
class ReaderListEditor : public ListEditorBase {
    Q_OBJECT
public:
    explicit ReaderListEditor(QWidget* parent = nullptr);

    std::shared_ptr<zel::data::ReaderDescriptionList> ReaderList() const { return mReaderList; }
    // Takes the channel list from the site database too, and binds both views.
    void SetReaderList(std::shared_ptr<zel::data::ReaderDescriptionList> list);

    ReaderListUI* ListUI() const { return mListUI; }
    ReaderDetailUI* DetailUI() const { return mDetailUI; }

protected:
    void DetailSetInEditMode(bool editing) override;
    void DetailSetSelectedID(std::int32_t id) override;
    std::int32_t DetailSelectedID() const override;
    void DetailRefresh() override;
    bool HasEntry(std::int32_t databaseID) const override;
    QString EntryWord() const override { return QStringLiteral("clock"); }
    void RemoveEntry(std::int32_t databaseID) override;
    bool SaveEntry(std::int32_t mode) override;
    void ReloadEntry(std::int32_t databaseID) override;
    bool DetailChangedElsewhere() const override;

private:
    bool Validate(const QString& readerID, const QString& name, std::int32_t channelID, std::uint8_t& value);

    std::shared_ptr<zel::data::ReaderDescriptionList> mReaderList;
    std::shared_ptr<zel::data::ChannelDescriptionList> mChannelList;
    ReaderListUI* mListUI;
    ReaderDetailUI* mDetailUI;
};

} // namespace zel::ui
