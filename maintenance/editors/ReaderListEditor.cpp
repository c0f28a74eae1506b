#include "editors/ReaderListEditor.h"

#include "MessageBox.h"
#include "editors/EditCommandBar.h"
#include "editors/EditorSupport.h"
#include "editors/ReaderDetailUI.h"
#include "editors/ReaderListUI.h"
#include "editors/UndoLog.h"

#include "zel/data/DataSource.h"
#include "zel/workflows/ListRules.h"

namespace zel::ui {

ReaderListEditor::ReaderListEditor(QWidget* parent) : ListEditorBase(parent, QStringLiteral("Clocks"))
{
    setObjectName(QStringLiteral("ReaderListEditor"));
    mListUI = new ReaderListUI(this);
    mListUI->setObjectName(QStringLiteral("ReaderListUI1"));
    mDetailUI = new ReaderDetailUI(this);
    mDetailUI->setObjectName(QStringLiteral("ReaderDetailUI1"));
    Assemble(mListUI, mDetailUI);
}

void ReaderListEditor::SetReaderList(std::shared_ptr<zel::data::ReaderDescriptionList> list)
{
    mReaderList = list;
    mChannelList = zel::data::DataSource().GetChannelDescriptionList();
    mListUI->SetReaderList(list);
    mDetailUI->SetReaderList(list);
}

void ReaderListEditor::DetailSetInEditMode(bool editing)
{
    mDetailUI->SetInEditMode(editing);
}
void ReaderListEditor::DetailSetSelectedID(std::int32_t id)
{
    mDetailUI->SetSelectedID(id);
}
std::int32_t ReaderListEditor::DetailSelectedID() const
{
    return mDetailUI->SelectedID();
}
void ReaderListEditor::DetailRefresh()
{
    mDetailUI->Refresh();
}
bool ReaderListEditor::HasEntry(std::int32_t databaseID) const
{
    return mReaderList && mReaderList->GetByDatabaseID(databaseID) != nullptr;
}

void ReaderListEditor::RemoveEntry(std::int32_t databaseID)
{
    if (!mReaderList)
        return;
    const auto clock = mReaderList->GetByDatabaseID(databaseID);
    if (!clock)
        return; // already gone
    mReaderList->Remove(clock->Name());
    mReaderList->Save();
}

bool ReaderListEditor::Validate(const QString& readerID, const QString& name, std::int32_t channelID,
                                std::uint8_t& value)
{
    const auto fields = zel::workflows::CheckClockFields(FromQ(readerID), FromQ(name), channelID);
    value = fields.ReaderID;
    return !ShowRefusal(this, fields.Refused);
}

bool ReaderListEditor::SaveEntry(std::int32_t mode)
{
    if (!mReaderList)
        return false;
    const QString nameText = mDetailUI->ReaderName();
    const QString readerIDText = mDetailUI->ReaderID();
    const std::int32_t channelID = mDetailUI->ChannelDescID();
    const std::string location = FromQ(mDetailUI->ReaderLocation());
    const std::string zone = FromQ(mDetailUI->ReaderTimeZone());
    std::uint8_t readerID = 0;
    if (!Validate(readerIDText, nameText, channelID, readerID))
        return false;
    if (ShowRefusal(this, zel::workflows::CheckClockZone(zone)))
        return false;
    const std::string name = FromQ(nameText);

    if (mode == EditModeAdd) {
        if (ShowRefusal(this, zel::workflows::CheckClockName(*mReaderList, nullptr, name)))
            return false;
        std::shared_ptr<zel::data::ReaderDescription> clock;
        const bool stored = StoreReported(
            [&](UndoLog& undo) {
                const auto channel = mChannelList ? mChannelList->GetByDatabaseID(channelID) : nullptr;
                clock = mReaderList->Add(readerID, name, channel);
                undo.Push([this, clock] {
                    mReaderList->Remove(clock->Name());
                    mReaderList->Save();
                });
                clock->SetLocation(location);
                clock->SetTimeZone(zone);
                mReaderList->Save();
            },
            [&] { return clock && !clock->IsDirty(); });
        if (!stored)
            mDetailUI->KeepFields();
        return stored;
    }

    const auto clock = mReaderList->GetByDatabaseID(mDetailUI->SelectedID());
    if (!clock) {
        ReportEntryRemoved(); // removed elsewhere while it was being edited
        return false;
    }
    if (ShowRefusal(this, zel::workflows::CheckClockName(*mReaderList, clock.get(), name)))
        return false;
    return StoreReported(
        [&](UndoLog& undo) {
            using zel::data::ReaderDescription;
            undo.Set(clock, &ReaderDescription::Name, &ReaderDescription::SetName, name);
            undo.Set(clock, &ReaderDescription::ReaderID, &ReaderDescription::SetReaderID, readerID);
            undo.Set(clock, &ReaderDescription::ChannelDescriptionID, &ReaderDescription::SetChannelDescriptionID,
                     channelID);
            undo.Set(clock, &ReaderDescription::Location, &ReaderDescription::SetLocation, location);
            undo.Set(clock, &ReaderDescription::TimeZone, &ReaderDescription::SetTimeZone, zone);
            mReaderList->Save();
        },
        [&] { return !clock->IsDirty(); });
}

} // namespace zel::ui
