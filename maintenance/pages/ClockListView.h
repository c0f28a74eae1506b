#pragma once

#include "zel/KeyedCollection.h"

#include <QString>
#include <QWidget>

#include <memory>

class QLabel;
class QTreeView;

namespace zel::data {
class ReaderDescription;
}

namespace zel::ui {

class ReaderListModel;
class SortProxy;

// A multi-selection report list of the clocks of the site database ("Clock Name", "Clock ID",
// "Channel Name", "Location"), keyed by clock name, sortable by header click, with an optional
// caption above it. Follows the clock list's change events; a burst of them refills once. A column
// widens to its longest text, and the last one (Location) takes the room to the right.
class ClockListView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    using ReaderCollection = zel::KeyedCollection<std::shared_ptr<zel::data::ReaderDescription>>;

    // Binds to the site database's clock and channel lists (through a DataSource of this thread).
    explicit ClockListView(QWidget* parent = nullptr);
    ~ClockListView() override;

    QString Caption() const { return mCaption; }
    // Shows the caption label when the text is not empty, hides it otherwise, and lays out again.
    void SetCaption(const QString& caption);

    void SelectAll();
    void DeselectAll();

    // The clocks of the selected rows, in row order, keyed by Name.
    ReaderCollection GetSelected() const;

    QTreeView* ListView() const { return mList; }
    ReaderListModel* Model() const { return mModel; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutControls();
    void RememberSelection();
    void RestoreSelection();
    void FitColumns();

    QLabel* mCaptionLabel;
    QTreeView* mList;
    ReaderListModel* mModel;
    SortProxy* mProxy;
    QString mCaption;
    QStringList mSelectedKeys; // kept across a refill
};

} // namespace zel::ui
