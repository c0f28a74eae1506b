#pragma once

#include "layout/Anchor.h"

#include <QWidget>

#include <cstdint>
#include <functional>

class QLabel;

namespace zel::ui {

class EditCommandBar;
class ItemListUI;
class UndoLog;

// The pattern the three list editors share: a caption (Label1), the list view, the detail view
// and the command bar, with the Browsing / Adding / Editing states and the five commands.
// The editors fill in the steps that depend on their list.
class ListEditorBase : public QWidget {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 660;
    static constexpr int DesignHeight = 400;

    EditCommandBar* CommandBar() const { return mBar; }
    // The bar's EditMode: 0 browsing, 1 adding, 2 editing.
    std::int32_t EditMode() const;

protected:
    ListEditorBase(QWidget* parent, const QString& caption);

    // Places the list view and the detail view and wires the commands; called once by the
    // editor's constructor after it has made both.
    void Assemble(ItemListUI* listView, QWidget* detail);

    // The editor's steps.
    virtual void SetEditMode(std::int32_t mode);
    virtual void DetailSetInEditMode(bool editing) = 0;
    virtual void DetailSetSelectedID(std::int32_t id) = 0;
    virtual void DetailRefresh() = 0;
    // Removes the entry with this DatabaseID from the list and saves the list.
    virtual void RemoveEntry(std::int32_t databaseID) = 0;
    // Validates the fields and stores them (mode 1 adds, mode 2 updates); true when stored.
    virtual bool SaveEntry(std::int32_t mode) = 0;

    virtual void OnAdd();
    virtual void OnCancel();
    void OnListClick();

    // "Please select an item from the list." when no line is selected.
    bool HasSelection();

    // Runs `store` (which records its changes in the log); when it raises, the recorded changes
    // are taken back unless `written` says they reached the database, and the error is shown.
    // Returns true when `store` finished.
    bool StoreReported(const std::function<void(UndoLog&)>& store, const std::function<bool()>& written);

    ItemListUI* ListView() const { return mListView; }

    void resizeEvent(QResizeEvent* event) override;

private:
    void OnCommand(std::int32_t command);

    QLabel* mCaption;
    ItemListUI* mListView = nullptr;
    QWidget* mDetail = nullptr;
    EditCommandBar* mBar;
    Anchor mAnchor;
};

} // namespace zel::ui
