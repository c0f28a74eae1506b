#pragma once

#include "layout/Anchor.h"

#include "zel/data/ChannelDescriptionList.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class QComboBox;
class QLabel;

namespace zel::ui {

class IChannelDetailEditor;
class DirChnlDetailUI;
class MdmChnlDetailUI;
class EthChnlDetailUI;

// The detail view of the channel list: the kind selector (shown only while a channel is being
// added) above three detail editors in the same place, of which the current one is shown.
class ChannelDetailUI : public QWidget {
    Q_OBJECT
public:
    // Numbers of the three editors.
    static constexpr int DirectEditor = 0;
    static constexpr int ModemEditor = 1;
    static constexpr int EthernetEditor = 2;

    explicit ChannelDetailUI(QWidget* parent = nullptr);

    bool InEditMode() const { return mInEditMode; }
    void SetInEditMode(bool editing);
    bool InAddNewMode() const { return mInAddNewMode; }
    void SetInAddNewMode(bool adding);

    // The current editor's ChannelTypeEnum value.
    std::int32_t ChannelType() const;
    std::int32_t SelectedID() const;
    // Shows the editor of the channel's kind and the channel (0: clears all three editors).
    void SetSelectedID(std::int32_t id);
    void SetChannelList(std::shared_ptr<zel::data::ChannelDescriptionList> list);

    // Passed through to the current editor.
    QString ChannelName() const;
    std::int32_t ChannelBitRate() const;
    std::int32_t ChannelComPort() const;
    QString ChannelIPAddress() const;
    std::int32_t ChannelIPPort() const;
    QString ChannelPhoneNumber() const;

    void Refresh();
    // Whether the current editor's fields may be stored; shows the Ethernet editor's messages.
    bool Validate();
    void Clear();

    IChannelDetailEditor* CurrentEditor() const { return mCurrent; }
    // The editor number (0 direct, 1 modem, 2 Ethernet) shown now.
    int CurrentEditorNumber() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowEditor(int number);
    void OnKindChosen(int index);

    QLabel* mTypeLabel;
    QComboBox* mAddNewType;
    DirChnlDetailUI* mDirect;
    MdmChnlDetailUI* mModem;
    EthChnlDetailUI* mEthernet;
    std::array<IChannelDetailEditor*, 3> mEditors{};
    IChannelDetailEditor* mCurrent = nullptr;
    std::shared_ptr<zel::data::ChannelDescriptionList> mList;
    bool mInEditMode = false;
    bool mInAddNewMode = false;
    Anchor mAnchor;
};

} // namespace zel::ui
