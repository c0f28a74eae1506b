#pragma once

#include "SiteChangeWatcher.h"
#include "editors/DeferredCall.h"
#include "editors/EditorSupport.h"
#include "layout/Anchor.h"

#include "zel/Event.h"

#include <QGroupBox>
#include <QResizeEvent>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace zel::ui {

// What every detail view (and every channel detail editor) shares: the bound list, the shown
// entry (SelectedID), the edit flag with its field colours, and the frame framDetail with the
// fields inside it, laid out by an Anchor (frame 15, stretching fields 3).
//
// Change events do not refresh at once: the view marks itself stale and refreshes once when the
// present burst of events is over. Refresh() and writing SelectedID refresh at once.
//
// While the view is in edit mode (Adding or Editing) change events of the list do not refresh
// it: the fields keep what the administrator typed, also when an Import or Synchronize on another
// page changes the list meanwhile. Leaving edit mode (Cancel, Save) shows the list as it is.
template <typename ListT> class BoundDetailUI : public QWidget {
public:
    using ItemPtr = decltype(std::declval<const ListT&>().GetByDatabaseID(0));

    // Row geometry of the fields inside the frame (pixels).
    static constexpr int LabelLeft = 12;
    static constexpr int LabelWidth = 100;
    static constexpr int FieldLeft = 116;
    static constexpr int FirstRowTop = 28;
    static constexpr int RowPitch = 32;
    static constexpr int FieldHeight = 22;

    BoundDetailUI(QWidget* parent, const QString& frameCaption, int width, int height)
        : QWidget(parent), mRefresh(this, [this] {
              if (!mInEditMode)
                  Refresh();
          })
    {
        resize(width, height);
        mFrame = new QGroupBox(frameCaption, this);
        mFrame->setObjectName(QStringLiteral("framDetail"));
        mFrame->setGeometry(0, 0, width, height);
        mAnchor.Add(mFrame, AnchorAll);
    }

    std::int32_t SelectedID() const { return mSelectedID; }
    void SetSelectedID(std::int32_t id)
    {
        mSelectedID = id;
        Refresh();
    }

    bool InEditMode() const { return mInEditMode; }
    void SetInEditMode(bool editing)
    {
        if (editing && !mInEditMode)
            mChangedElsewhere = false;
        mInEditMode = editing;
        for (auto* field : mFields)
            SetFieldEditable(field, editing);
    }

    // Shows the entry SelectedID of the bound list, or clears the fields when there is none.
    void Refresh()
    {
        mRefresh.Cancel();
        ItemPtr item = mList ? mList->GetByDatabaseID(mSelectedID) : nullptr;
        if (item && Accepts(item))
            ShowEntry(item);
        else
            ClearFields();
    }

    // Forgets a refresh that the list's events have asked for: the fields keep what they show.
    void KeepFields() { mRefresh.Cancel(); }
    // Whether another program changed the entry SelectedID since edit mode began: the fields
    // then hold values read before that change.
    bool ChangedElsewhere() const { return mChangedElsewhere; }

protected:
    QGroupBox* Frame() const { return mFrame; }
    std::shared_ptr<ListT> BoundList() const { return mList; }

    void BindList(std::shared_ptr<ListT> list)
    {
        mListChanged.Reset();
        mItemChanged.Reset();
        mList = std::move(list);
        if (mList) {
            mListChanged = mList->ListChanged().Subscribe([this] {
                if (RefreshOnListChanged())
                    mRefresh.Schedule();
            });
            mItemChanged = mList->ListItemChanged().Subscribe([this](const auto& sender) {
                if (sender && sender->DatabaseID() == mSelectedID) {
                    if (mInEditMode && SiteChangeWatcher::IsTaking())
                        mChangedElsewhere = true;
                    mRefresh.Schedule();
                }
            });
        }
    }

    // Places a field in row `row` of the frame with its label; the field stretches with the
    // frame unless `fixedWidth` is given. Input fields take part in the edit-mode rule.
    template <typename Field>
    Field* AddField(Field* field, const QString& name, const QString& labelName, const QString& caption, int row,
                    int fixedWidth = 0, bool input = true)
    {
        const int top = FirstRowTop + row * RowPitch;
        MakeLabel(mFrame, labelName, caption, LabelLeft, top, LabelWidth);
        field->setObjectName(name);
        const int width = fixedWidth > 0 ? fixedWidth : mFrame->width() - FieldLeft - LabelLeft;
        field->setGeometry(FieldLeft, top, width, FieldHeight);
        if (fixedWidth == 0)
            mAnchor.Add(field, AnchorLeft | AnchorRight);
        if (input) {
            mFields.push_back(field);
            SetFieldEditable(field, false); // fields start disabled
        }
        return field;
    }

    // Whether the entry is one this view shows (the channel editors show one kind only).
    virtual bool Accepts(const ItemPtr&) const { return true; }
    virtual void ShowEntry(const ItemPtr& item) = 0;
    virtual void ClearFields() = 0;
    // The user detail view refreshes on ListChanged; the others ignore it.
    virtual bool RefreshOnListChanged() const { return false; }

    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        mAnchor.ReAnchor();
    }

    // Runs one step of a refresh; a step that fails is skipped and the others go on.
    template <typename Step> static void TryStep(Step&& step)
    {
        try {
            step();
        } catch (...) { // NOLINT(bugprone-empty-catch): a failing step leaves its field as it was
        }
    }

private:
    std::shared_ptr<ListT> mList;
    zel::Subscription mListChanged;
    zel::Subscription mItemChanged;
    std::int32_t mSelectedID = 0;
    bool mInEditMode = false;
    bool mChangedElsewhere = false;
    QGroupBox* mFrame = nullptr;
    std::vector<QWidget*> mFields;
    Anchor mAnchor;
    DeferredCall mRefresh;
};

} // namespace zel::ui
