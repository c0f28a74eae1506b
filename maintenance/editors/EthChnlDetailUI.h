#pragma once

#include "editors/ChnlDetailEditorBase.h"

class QLineEdit;

namespace zel::ui {

// The detail editor of an Ethernet channel: name, IP address and IP port.
class EthChnlDetailUI : public ChnlDetailEditorBase {
    Q_OBJECT
public:
    explicit EthChnlDetailUI(QWidget* parent = nullptr);

    std::int32_t BitRate() const override { return 0; }
    std::int32_t ComPort() const override { return 0; }
    QString IPAddress() const override;
    // The port field as a whole number; -1 when it holds anything else (an empty field too).
    std::int32_t IPPort() const override;
    std::int32_t ChannelType() const override;

    QString ChannelIPAddress() const { return IPAddress(); }
    std::int32_t ChannelIPPort() const { return IPPort(); }
    // Whether the port field holds a whole number at all.
    bool IPPortIsNumber() const;

protected:
    bool Accepts(const std::shared_ptr<zel::data::IChannelDescription>& channel) const override;
    void ShowEntry(const std::shared_ptr<zel::data::IChannelDescription>& channel) override;

private:
    QLineEdit* mIPAddress;
    QLineEdit* mIPPort;
};

} // namespace zel::ui
