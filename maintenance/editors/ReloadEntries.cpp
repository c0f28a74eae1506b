// What the list editors do when another program changed the entry being edited: ReloadEntry
// reads it again from the site database (after a refused save), DetailChangedElsewhere says
// whether the fields were filled before such a change.
#include "editors/ChannelDetailUI.h"
#include "editors/ChannelListEditor.h"
#include "editors/ChnlDetailEditorBase.h"
#include "editors/ReaderDetailUI.h"
#include "editors/ReaderListEditor.h"
#include "editors/UserDetailUI.h"
#include "editors/UserListEditor.h"

namespace zel::ui {

void UserListEditor::ReloadEntry(std::int32_t databaseID)
{
    if (mUserList)
        mUserList->Reload(databaseID);
}

bool UserListEditor::DetailChangedElsewhere() const
{
    return mDetailUI->ChangedElsewhere();
}

void ReaderListEditor::ReloadEntry(std::int32_t databaseID)
{
    if (mReaderList)
        mReaderList->Reload(databaseID);
}

bool ReaderListEditor::DetailChangedElsewhere() const
{
    return mDetailUI->ChangedElsewhere();
}

bool ChannelListEditor::DetailChangedElsewhere() const
{
    const auto* current = dynamic_cast<const ChnlDetailEditorBase*>(mDetailUI->CurrentEditor());
    return current != nullptr && current->ChangedElsewhere();
}

void ChannelListEditor::ReloadEntry(std::int32_t databaseID)
{
    if (mChannelList)
        mChannelList->Reload(databaseID);
}

} // namespace zel::ui
