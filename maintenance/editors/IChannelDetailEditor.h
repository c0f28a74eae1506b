#pragma once

#include "zel/data/ChannelDescriptionList.h"

#include <QString>

#include <cstdint>
#include <memory>

class QWidget;

namespace zel::ui {

// One kind's detail editor inside the channel detail view (direct serial, modem, Ethernet).
// Values a kind does not have read as empty text or 0.
class IChannelDetailEditor {
public:
    virtual ~IChannelDetailEditor() = default;

    virtual QString Name() const = 0;
    // Item data of the chosen bit rate, -1 when none is chosen.
    virtual std::int32_t BitRate() const = 0;
    // Item data of the chosen port, -1 when none is chosen.
    virtual std::int32_t ComPort() const = 0;
    virtual QString IPAddress() const = 0;
    // The port field as a whole number; -1 when the field does not hold one.
    virtual std::int32_t IPPort() const = 0;
    virtual QString Location() const = 0;
    virtual bool InEditMode() const = 0;
    virtual void SetInEditMode(bool editing) = 0;
    virtual std::int32_t SelectedID() const = 0;
    // Shows the channel at once (or clears the fields when it is not one of this kind).
    virtual void SetSelectedID(std::int32_t id) = 0;
    virtual void Refresh() = 0;
    virtual QString PhoneNumber() const = 0;
    // The kind's ChannelTypeEnum value: 1 direct, 0 modem, 2 Ethernet.
    virtual std::int32_t ChannelType() const = 0;

    virtual void SetChannelList(std::shared_ptr<zel::data::ChannelDescriptionList> list) = 0;
    virtual void Clear() = 0;
    virtual QWidget* Widget() = 0;
};

} // namespace zel::ui
