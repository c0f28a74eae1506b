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
//
// The selected line and the detail agree: Cancel shows the selected line's entry again (as a
// click on it would), or the entry that was being edited when a refill of the list took the
// selection away, and Edit, Save and Remove act on the entry the detail shows.
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
    virtual std::int32_t DetailSelectedID() const = 0;
    virtual void DetailRefresh() = 0;
    // Whether the bound list holds an entry with this DatabaseID.
    virtual bool HasEntry(std::int32_t databaseID) const = 0;
    // After Cancel with no line to show: true leaves the fields as they are (the channel editor),
    // false clears the detail (SelectedID 0).
    virtual bool KeepsFieldsWithoutSelection() const { return false; }
    // Removes the entry with this DatabaseID from the list and saves the list.
    virtual void RemoveEntry(std::int32_t databaseID) = 0;
    // Asked before RemoveEntry: false keeps the entry (an editor asks when others depend on it).
    virtual bool ConfirmRemove(std::int32_t /*databaseID*/) { return true; }
    // Validates the fields and stores them (mode 1 adds, mode 2 updates); true when stored.
    virtual bool SaveEntry(std::int32_t mode) = 0;
    // Reads the entry with this DatabaseID again from the site database, dropping what was not
    // saved (after a save refused because another program changed or removed it meanwhile).
    virtual void ReloadEntry(std::int32_t databaseID) = 0;
    // Whether another program changed the entry being edited since editing began.
    virtual bool DetailChangedElsewhere() const { return false; }

    virtual void OnAdd();
    void OnCancel();
    void OnListClick();

    // Shows the selected line's entry, as a click on the line does. With no line selected the
    // line of `fallbackID` (when the list still holds it) is selected and shown. False when no line
    // is selected in the end.
    bool ShowSelectedLine(std::int32_t fallbackID = 0);

    // "Please select an item from the list." unless a line is selected and the detail shows an
    // entry of the list.
    bool HasSelection();
    // Save while editing found the entry gone (removed elsewhere meanwhile): says so.
    void ReportEntryRemoved();
    // Save while editing found the entry changed by another program meanwhile: says so.
    void ReportEntryChanged();
    // What an entry of the list is called in messages: "user", "clock", "channel".
    virtual QString EntryWord() const = 0;

    // Runs `store` (which records its changes in the log); when it raises, the recorded changes
    // are taken back unless `written` says they reached the database, and the error is shown.
    // Returns true when `store` finished.
    bool StoreReported(const std::function<void(UndoLog&)>& store, const std::function<bool()>& written);

    ItemListUI* ListView() const { return mListView; }

    void resizeEvent(QResizeEvent* event) override;

private:
    void OnCommand(std::int32_t command);
    // After a save of the entry was refused because another program changed or removed it: the
    // list and the detail show what the site database holds now.
    void ShowCurrentValues(std::int32_t databaseID);

    QLabel* mCaption;
    ItemListUI* mListView = nullptr;
    QWidget* mDetail = nullptr;
    EditCommandBar* mBar;
    bool mRefusedAsChanged = false; // the last StoreReported failed with error 3197
    Anchor mAnchor;
};

} // namespace zel::ui
