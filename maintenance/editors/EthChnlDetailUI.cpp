#include "editors/EthChnlDetailUI.h"

#include "zel/data/EthChnlDescription.h"

#include <QLineEdit>

namespace zel::ui {

EthChnlDetailUI::EthChnlDetailUI(QWidget* parent) : ChnlDetailEditorBase(parent)
{
    setObjectName(QStringLiteral("EthChnlDetailUI"));
    AddNameField();
    mIPAddress = AddField(new QLineEdit(Frame()), QStringLiteral("txtIPAddress"), QStringLiteral("lblIPAddress"),
                          QStringLiteral("IP Address:"), 1);
    mIPPort = AddField(new QLineEdit(Frame()), QStringLiteral("txtIPPort"), QStringLiteral("lblIPPort"),
                       QStringLiteral("IP Port:"), 2);
    ClearFields();
}

QString EthChnlDetailUI::IPAddress() const
{
    return mIPAddress->text();
}

bool EthChnlDetailUI::IPPortIsNumber() const
{
    qint64 value = 0;
    return ParseWholeNumber(mIPPort->text(), value);
}

std::int32_t EthChnlDetailUI::IPPort() const
{
    qint64 value = 0;
    return ParseWholeNumber(mIPPort->text(), value) ? static_cast<std::int32_t>(value) : -1;
}

std::int32_t EthChnlDetailUI::ChannelType() const
{
    return zel::data::EthernetChannel;
}

bool EthChnlDetailUI::Accepts(const std::shared_ptr<zel::data::IChannelDescription>& channel) const
{
    return std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel) != nullptr;
}

void EthChnlDetailUI::ShowEntry(const std::shared_ptr<zel::data::IChannelDescription>& channel)
{
    const auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel);
    ShowName(ethernet->Name());
    TryStep([&] { mIPAddress->setText(ToQ(ethernet->IPAddress())); });
    TryStep([&] { mIPPort->setText(QString::number(ethernet->IPPort())); });
}

} // namespace zel::ui
