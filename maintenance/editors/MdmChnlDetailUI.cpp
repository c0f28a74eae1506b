#include "editors/MdmChnlDetailUI.h"

#include "zel/data/MdmChnlDescription.h"

#include <QLineEdit>

namespace zel::ui {

MdmChnlDetailUI::MdmChnlDetailUI(QWidget* parent) : ChnlDetailEditorBase(parent)
{
    setObjectName(QStringLiteral("MdmChnlDetailUI"));
    AddNameField();
    mPhoneNumber = AddField(new QLineEdit(Frame()), QStringLiteral("txtPhoneNumber"), QStringLiteral("lblPhoneNumber"),
                            QStringLiteral("Phone:"), 1);
    AddSerialFields(2);
    ClearFields();
}

QString MdmChnlDetailUI::PhoneNumber() const
{
    return mPhoneNumber->text();
}

std::int32_t MdmChnlDetailUI::ChannelType() const
{
    return zel::data::ModemChannel;
}

bool MdmChnlDetailUI::Accepts(const std::shared_ptr<zel::data::IChannelDescription>& channel) const
{
    return std::dynamic_pointer_cast<zel::data::MdmChnlDescription>(channel) != nullptr;
}

void MdmChnlDetailUI::ShowEntry(const std::shared_ptr<zel::data::IChannelDescription>& channel)
{
    const auto modem = std::dynamic_pointer_cast<zel::data::MdmChnlDescription>(channel);
    ShowName(modem->Name());
    ShowSerial(modem->ComPort(), modem->BitRate());
    TryStep([&] { mPhoneNumber->setText(ToQ(modem->PhoneNumber())); });
}

} // namespace zel::ui
