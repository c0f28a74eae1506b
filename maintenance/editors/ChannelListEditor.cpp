#include "editors/ChannelListEditor.h"

#include "MessageBox.h"
#include "editors/ChannelDetailUI.h"
#include "editors/ChannelListUI.h"
#include "editors/EditCommandBar.h"
#include "editors/EditorSupport.h"
#include "editors/UndoLog.h"

#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/MdmChnlDescription.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/workflows/ListRules.h"

#include <QStringList>

namespace zel::ui {
namespace {

// The values typed into the detail view, read before the list is touched.
struct ChannelFields {
    std::int32_t Type = 0;
    std::string Name;
    std::int32_t BitRate = 0;
    std::int32_t ComPort = 0;
    std::string PhoneNumber;
    std::string IPAddress;
    std::int32_t IPPort = 0;
};

template <typename Kind> std::shared_ptr<Kind> As(const std::shared_ptr<zel::data::IChannelDescription>& channel)
{
    auto kind = std::dynamic_pointer_cast<Kind>(channel);
    if (!kind)
        throw zel::Error(zel::errc::TypeMismatch, "ChannelListEditor", "Type mismatch");
    return kind;
}

// Writes the fields of the channel's kind, in the order the kind lists them.
void WriteFields(const std::shared_ptr<zel::data::IChannelDescription>& channel, const ChannelFields& fields,
                 UndoLog& undo)
{
    using namespace zel::data;
    switch (fields.Type) {
    case ModemChannel: {
        const auto modem = As<MdmChnlDescription>(channel);
        undo.Set(modem, &MdmChnlDescription::Name, &MdmChnlDescription::SetName, fields.Name);
        undo.Set(modem, &MdmChnlDescription::BitRate, &MdmChnlDescription::SetBitRate, fields.BitRate);
        undo.Set(modem, &MdmChnlDescription::ComPort, &MdmChnlDescription::SetComPort, fields.ComPort);
        undo.Set(modem, &MdmChnlDescription::PhoneNumber, &MdmChnlDescription::SetPhoneNumber, fields.PhoneNumber);
        break;
    }
    case DirectChannel: {
        const auto direct = As<DirChnlDescription>(channel);
        undo.Set(direct, &DirChnlDescription::Name, &DirChnlDescription::SetName, fields.Name);
        undo.Set(direct, &DirChnlDescription::BitRate, &DirChnlDescription::SetBitRate, fields.BitRate);
        undo.Set(direct, &DirChnlDescription::ComPort, &DirChnlDescription::SetComPort, fields.ComPort);
        break;
    }
    case EthernetChannel: {
        const auto ethernet = As<EthChnlDescription>(channel);
        undo.Set(ethernet, &EthChnlDescription::Name, &EthChnlDescription::SetName, fields.Name);
        undo.Set(ethernet, &EthChnlDescription::IPAddress, &EthChnlDescription::SetIPAddress, fields.IPAddress);
        undo.Set(ethernet, &EthChnlDescription::IPPort, &EthChnlDescription::SetIPPort, fields.IPPort);
        break;
    }
    default:
        throw zel::Error(zel::errc::InvalidArgument, "ChannelListEditor", "Invalid channel type.");
    }
}

} // namespace

ChannelListEditor::ChannelListEditor(QWidget* parent) : ListEditorBase(parent, QStringLiteral("Channels"))
{
    setObjectName(QStringLiteral("ChannelListEditor"));
    mListUI = new ChannelListUI(this);
    mListUI->setObjectName(QStringLiteral("ChannelListUI1"));
    mDetailUI = new ChannelDetailUI(this);
    mDetailUI->setObjectName(QStringLiteral("ChannelDetailUI1"));
    Assemble(mListUI, mDetailUI);
}

void ChannelListEditor::SetChannelList(std::shared_ptr<zel::data::ChannelDescriptionList> list)
{
    mChannelList = list;
    mListUI->SetChannelList(list);
    mDetailUI->SetChannelList(list);
}

void ChannelListEditor::SetEditMode(std::int32_t mode)
{
    ListView()->SetEnabled(mode == EditModeNone);
    mDetailUI->SetInAddNewMode(mode == EditModeAdd);
    mDetailUI->SetInEditMode(mode != EditModeNone);
    CommandBar()->SetEditMode(mode);
}

void ChannelListEditor::DetailSetInEditMode(bool editing)
{
    mDetailUI->SetInEditMode(editing);
}
void ChannelListEditor::DetailSetSelectedID(std::int32_t id)
{
    mDetailUI->SetSelectedID(id);
}
std::int32_t ChannelListEditor::DetailSelectedID() const
{
    return mDetailUI->SelectedID();
}
void ChannelListEditor::DetailRefresh()
{
    mDetailUI->Refresh();
}
bool ChannelListEditor::HasEntry(std::int32_t databaseID) const
{
    return mChannelList && mChannelList->GetByDatabaseID(databaseID) != nullptr;
}

void ChannelListEditor::OnAdd()
{
    mDetailUI->SetSelectedID(0);
    mDetailUI->Refresh();
    SetEditMode(EditModeAdd);
}

void ChannelListEditor::RemoveEntry(std::int32_t databaseID)
{
    if (!mChannelList)
        return;
    const auto channel = mChannelList->GetByDatabaseID(databaseID);
    if (!channel)
        return; // already gone
    mChannelList->Remove(channel->Name());
    mChannelList->Save();
}

bool ChannelListEditor::ConfirmRemove(std::int32_t databaseID)
{
    const auto channel = mChannelList ? mChannelList->GetByDatabaseID(databaseID) : nullptr;
    if (!channel)
        return true; // nothing to ask about: the removal finds it gone
    QStringList users;
    RunReported(this, [&] {
        for (const auto& clock : zel::data::DataSource().GetReaderDescriptionList()->Items())
            if (clock->ChannelDescriptionID() == databaseID)
                users << ToQ(clock->Name());
    });
    if (users.isEmpty())
        return true;
    const QString name = ToQ(channel->Name());
    const QString text =
        users.size() == 1
            ? QStringLiteral("The clock %1 is reached through the channel \"%2\". Remove the channel anyway?\n\n"
                             "The clock then has no channel (\"Not Assigned\") until you choose another one for it "
                             "on the Clocks tab.")
                  .arg(users.constFirst(), name)
            : QStringLiteral("%1 clocks are reached through the channel \"%2\": %3. Remove the channel anyway?\n\n"
                             "These clocks then have no channel (\"Not Assigned\") until you choose another one for "
                             "them on the Clocks tab.")
                  .arg(QString::number(users.size()), name, users.join(QStringLiteral(", ")));
    return ShowMessage(this, text, QStringLiteral("Channel In Use"), MsgIcon::Question, MsgButtons::YesNo,
                       MsgResult::No) == MsgResult::Yes;
}

bool ChannelListEditor::SaveEntry(std::int32_t mode)
{
    if (!mChannelList || !mDetailUI->Validate())
        return false;
    ChannelFields fields;
    fields.Type = mDetailUI->ChannelType();
    fields.Name = FromQ(mDetailUI->ChannelName());
    fields.BitRate = mDetailUI->ChannelBitRate();
    fields.ComPort = mDetailUI->ChannelComPort();
    fields.PhoneNumber = FromQ(mDetailUI->ChannelPhoneNumber());
    fields.IPAddress = FromQ(mDetailUI->ChannelIPAddress());
    fields.IPPort = mDetailUI->ChannelIPPort();

    if (mode == EditModeAdd) {
        if (ShowRefusal(this, zel::workflows::CheckChannelName(*mChannelList, nullptr, fields.Name)))
            return false;
        std::shared_ptr<zel::data::IChannelDescription> channel;
        return StoreReported(
            [&](UndoLog& undo) {
                channel = mChannelList->Add(static_cast<zel::data::ChannelTypeEnum>(fields.Type), fields.Name);
                undo.Push([this, channel] {
                    // The row was inserted by Add: take it out again.
                    mChannelList->Remove(channel->Name());
                    mChannelList->Save();
                });
                WriteFields(channel, fields, undo);
                mChannelList->Save();
            },
            [&] { return channel && !channel->IsDirty(); });
    }

    const auto channel = mChannelList->GetByDatabaseID(mDetailUI->SelectedID());
    if (!channel) {
        ReportEntryRemoved(); // removed elsewhere while it was being edited
        return false;
    }
    if (ShowRefusal(this, zel::workflows::CheckChannelName(*mChannelList, channel.get(), fields.Name)))
        return false;
    return StoreReported(
        [&](UndoLog& undo) {
            WriteFields(channel, fields, undo);
            mChannelList->Save();
        },
        [&] { return !channel->IsDirty(); });
}

} // namespace zel::ui
