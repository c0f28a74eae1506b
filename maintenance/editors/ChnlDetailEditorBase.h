#pragma once

#include "editors/BoundDetailUI.h"
#include "editors/IChannelDetailEditor.h"

#include "zel/data/ChannelDescriptionList.h"

#include <cstdint>
#include <memory>

class QComboBox;
class QLineEdit;

namespace zel::ui {

// What the three channel detail editors share: the name field, the optional port and bit-rate
// boxes of the serial kinds, the kind test and the IChannelDetailEditor plumbing.
class ChnlDetailEditorBase : public BoundDetailUI<zel::data::ChannelDescriptionList>, public IChannelDetailEditor {
public:
    static constexpr int DesignWidth = 416;
    static constexpr int DesignHeight = 270;

    explicit ChnlDetailEditorBase(QWidget* parent);

    QString Name() const override;
    std::int32_t BitRate() const override;
    std::int32_t ComPort() const override;
    QString IPAddress() const override { return {}; }
    std::int32_t IPPort() const override { return 0; }
    QString Location() const override { return {}; }
    QString PhoneNumber() const override { return {}; }
    bool InEditMode() const override { return BoundDetailUI::InEditMode(); }
    void SetInEditMode(bool editing) override { BoundDetailUI::SetInEditMode(editing); }
    std::int32_t SelectedID() const override { return BoundDetailUI::SelectedID(); }
    void SetSelectedID(std::int32_t id) override { BoundDetailUI::SetSelectedID(id); }
    void Refresh() override { BoundDetailUI::Refresh(); }
    void SetChannelList(std::shared_ptr<zel::data::ChannelDescriptionList> list) override { BindList(std::move(list)); }
    // Every text box becomes empty and every drop-down list goes to its first entry.
    void Clear() override { ClearFields(); }
    QWidget* Widget() override { return this; }

    // The editor's own read properties.
    QString ChannelName() const { return Name(); }
    // The serial kinds: the port number as decimal digits, "-1" when none is chosen.
    QString ChannelComPort() const { return QString::number(ComPort()); }
    std::int32_t ChannelBitRate() const { return BitRate(); }

protected:
    void AddNameField();
    // "Com Port:" and "Bit Rate:" in rows `row` and `row` + 1.
    void AddSerialFields(int row);
    void ShowName(const std::string& name);
    void ShowSerial(std::int32_t comPort, std::int32_t bitRate);
    void ClearFields() override;

private:
    QLineEdit* mName = nullptr;
    QComboBox* mComPort = nullptr;
    QComboBox* mBitRate = nullptr;
};

} // namespace zel::ui
