#pragma once

#include "editors/ChnlDetailEditorBase.h"

class QLineEdit;

namespace zel::ui {

// The detail editor of a modem channel: name, phone number, port and bit rate. Modem channels
// are stored only; no clock is reached through them.
class MdmChnlDetailUI : public ChnlDetailEditorBase {
    Q_OBJECT
public:
    explicit MdmChnlDetailUI(QWidget* parent = nullptr);

    QString PhoneNumber() const override;
    std::int32_t ChannelType() const override;

    QString ChannelPhoneNumber() const { return PhoneNumber(); }

protected:
    bool Accepts(const std::shared_ptr<zel::data::IChannelDescription>& channel) const override;
    void ShowEntry(const std::shared_ptr<zel::data::IChannelDescription>& channel) override;

private:
    QLineEdit* mPhoneNumber;
};

} // namespace zel::ui
