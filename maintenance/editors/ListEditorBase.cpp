#include "editors/ListEditorBase.h"

#include "MessageBox.h"
#include "editors/EditCommandBar.h"
#include "editors/EditorSupport.h"
#include "editors/ItemListUI.h"
#include "editors/UndoLog.h"

#include <QLabel>
#include <QResizeEvent>

namespace zel::ui {
namespace {

constexpr int kMargin = 8;
constexpr int kListTop = 28;
constexpr int kListWidth = 220;

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
    if (mListView->ListIndex() < 0) {
        ShowMessage(this, QStringLiteral("Please select an item from the list."));
        return false;
    }
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
    SetEditMode(EditModeNone);
    DetailRefresh();
}

void ListEditorBase::OnCommand(std::int32_t command)
{
    switch (command) {
    case EditCommandAdd:
        OnAdd();
        break;
    case EditCommandRemove:
        if (HasSelection()) {
            const auto id = mListView->ItemData(mListView->ListIndex());
            RunReported(this, [&] { RemoveEntry(id); });
            DetailSetSelectedID(0);
        }
        break;
    case EditCommandEdit:
        if (HasSelection())
            SetEditMode(EditModeEdit);
        break;
    case EditCommandSave:
        if (SaveEntry(mBar->EditMode()))
            SetEditMode(EditModeNone);
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
        } catch (...) {
            if (!written())
                undo.Rollback();
            throw;
        }
    });
}

} // namespace zel::ui
