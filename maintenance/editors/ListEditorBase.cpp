#include "editors/ListEditorBase.h"

#include "MessageBox.h"
#include "editors/EditCommandBar.h"
#include "editors/EditorSupport.h"
#include "editors/ItemListUI.h"
#include "editors/UndoLog.h"
#include "zel/Error.h"
#include "zel/data/DataErrors.h"

#include <QLabel>
#include <QResizeEvent>

namespace zel::ui {
namespace {

constexpr int kMargin = 8;
constexpr int kListTop = 28;
constexpr int kListWidth = 220;
constexpr int kMinDetailHeight = 200; // the kind selector and four rows of fields

} // namespace

ListEditorBase::ListEditorBase(QWidget* parent, const QString& caption) : QWidget(parent)
{
    resize(DesignWidth, DesignHeight);
    mCaption = new QLabel(caption, this);
    mCaption->setObjectName(QStringLiteral("Label1"));
    QFont font = mCaption->font();
    font.setBold(true);
    mCaption->setFont(font);
    mCaption->setGeometry(kMargin, kMargin, kListWidth, 18);
    mBar = new EditCommandBar(this);
    mBar->setObjectName(QStringLiteral("EditCommandBar1"));
}

void ListEditorBase::Assemble(ItemListUI* listView, QWidget* detail)
{
    mListView = listView;
    mDetail = detail;
    const int barTop = DesignHeight - kMargin - mBar->height();
    mListView->setGeometry(kMargin, kListTop, kListWidth, DesignHeight - kListTop - kMargin);
    const int detailLeft = kMargin + kListWidth + kMargin;
    mDetail->setGeometry(detailLeft, kListTop, DesignWidth - detailLeft - kMargin, barTop - kListTop - kMargin);
    mBar->move(DesignWidth - kMargin - mBar->width(), barTop);

    // Smaller, the command bar would slide under the list, or over the detail's fields.
    setMinimumSize(kMargin + kListWidth + kMargin + mBar->width() + kMargin,
                   kListTop + kMinDetailHeight + kMargin + mBar->height() + kMargin);

    mAnchor.Add(mListView, AnchorLeft | AnchorTop | AnchorBottom);
    mAnchor.Add(mDetail, AnchorAll);
    mAnchor.Add(mBar, AnchorRight | AnchorBottom);

    connect(mListView, &ItemListUI::Click, this, &ListEditorBase::OnListClick);
    connect(mBar, &EditCommandBar::Click, this, &ListEditorBase::OnCommand);
}

void ListEditorBase::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor.ReAnchor();
}

std::int32_t ListEditorBase::EditMode() const
{
    return mBar->EditMode();
}

void ListEditorBase::SetEditMode(std::int32_t mode)
{
    mListView->SetEnabled(mode == EditModeNone);
    DetailSetInEditMode(mode != EditModeNone);
    mBar->SetEditMode(mode);
}

bool ListEditorBase::HasSelection()
{
    if (mListView->ListIndex() < 0 || DetailSelectedID() == 0 || !HasEntry(DetailSelectedID())) {
        ShowMessage(this, QStringLiteral("Please select an item from the list."));
        return false;
    }
    return true;
}

void ListEditorBase::ReportEntryRemoved()
{
    const QString what = EntryWord();
    ShowMessage(this,
                QStringLiteral("The %1 you are editing was removed from the site database meanwhile (for example by "
                               "an Import or Synchronize), so your changes cannot be saved.\n\nPress Cancel to "
                               "leave the editor; use Add to enter the %1 again.")
                    .arg(what),
                what.left(1).toUpper() + what.mid(1) + QStringLiteral(" No Longer Exists"), MsgIcon::Exclamation);
}

void ListEditorBase::ReportEntryChanged()
{
    const QString what = EntryWord();
    ShowMessage(this,
                QStringLiteral("The %1 you are editing was changed by another user since you began, so your changes "
                               "were not saved.\n\nThe current values are shown now; press Edit to change them "
                               "again.")
                    .arg(what),
                what.left(1).toUpper() + what.mid(1) + QStringLiteral(" Changed Elsewhere"), MsgIcon::Exclamation);
}

bool ListEditorBase::ShowSelectedLine(std::int32_t fallbackID)
{
    int index = mListView->ListIndex();
    if (index >= 0 && !mListView->Selected(index))
        index = -1; // the box's current line (it took the focus) that nobody selected
    if (index < 0 && fallbackID != 0 && HasEntry(fallbackID)) {
        index = mListView->IndexOfData(fallbackID);
        if (index >= 0)
            mListView->SetListIndex(index);
    }
    if (index < 0)
        return false;
    OnListClick();
    return true;
}

void ListEditorBase::OnListClick()
{
    const int index = mListView->ListIndex();
    if (index < 0)
        return;
    mBar->SetEditMode(EditModeNone);
    DetailSetSelectedID(mListView->ItemData(index));
}

void ListEditorBase::OnAdd()
{
    SetEditMode(EditModeAdd);
    DetailSetSelectedID(0);
    DetailRefresh();
}

void ListEditorBase::OnCancel()
{
    // The entry being edited, should a refill of the list have taken its line's selection away.
    const std::int32_t edited = EditMode() == EditModeEdit ? DetailSelectedID() : 0;
    SetEditMode(EditModeNone);
    if (ShowSelectedLine(edited) || KeepsFieldsWithoutSelection())
        return;
    DetailSetSelectedID(0); // no line selected: the detail shows nothing either
}

void ListEditorBase::OnCommand(std::int32_t command)
{
    if (mBar->IsReadOnly() && command != EditCommandCancel)
        return; // a site opened read-only: its buttons say why
    switch (command) {
    case EditCommandAdd:
        OnAdd();
        break;
    case EditCommandRemove:
        if (HasSelection()) {
            const auto id = DetailSelectedID(); // the entry the detail shows
            if (!ConfirmRemove(id))
                break;
            bool refused = false;
            RunReported(this, [&] {
                try {
                    RemoveEntry(id);
                } catch (const zel::Error& error) {
                    refused = error.Number() == zel::data::errc::RowChangedByAnother;
                    throw;
                }
            });
            if (refused) {
                ShowCurrentValues(id);
                break;
            }
            DetailSetSelectedID(0);
        }
        break;
    case EditCommandEdit:
        if (HasSelection())
            SetEditMode(EditModeEdit);
        break;
    case EditCommandSave:
        if (mBar->EditMode() == EditModeEdit && !HasEntry(DetailSelectedID())) {
            ReportEntryRemoved(); // removed elsewhere while it was being edited: nothing to store into
            break;
        }
        {
            const std::int32_t mode = mBar->EditMode();
            const std::int32_t id = mode == EditModeEdit ? DetailSelectedID() : 0;
            mRefusedAsChanged = false;
            if (id != 0 && DetailChangedElsewhere()) {
                // The fields were filled before the other program's change: saving them would
                // overwrite it unseen.
                ReportEntryChanged();
                ShowCurrentValues(id);
            } else if (SaveEntry(mode))
                SetEditMode(EditModeNone);
            else if (mRefusedAsChanged && id != 0)
                ShowCurrentValues(id);
        }
        break;
    case EditCommandCancel:
        OnCancel();
        break;
    default:
        break; // not a command of this bar
    }
}

bool ListEditorBase::StoreReported(const std::function<void(UndoLog&)>& store, const std::function<bool()>& written)
{
    UndoLog undo;
    return RunReported(this, [&] {
        try {
            store(undo);
        } catch (const zel::Error& error) {
            mRefusedAsChanged = error.Number() == zel::data::errc::RowChangedByAnother;
            if (!written())
                undo.Rollback();
            throw;
        } catch (...) {
            if (!written())
                undo.Rollback();
            throw;
        }
    });
}

void ListEditorBase::ShowCurrentValues(std::int32_t databaseID)
{
    RunReported(this, [&] { ReloadEntry(databaseID); });
    SetEditMode(EditModeNone);
    if (HasEntry(databaseID)) {
        const int index = mListView->IndexOfData(databaseID);
        if (index >= 0)
            mListView->SetListIndex(index);
        DetailSetSelectedID(databaseID);
        DetailRefresh();
    } else {
        DetailSetSelectedID(0); // removed by the other program
    }
}

} // namespace zel::ui
