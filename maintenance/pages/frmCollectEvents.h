#pragma once

#include <QDialog>

#include <memory>
#include <vector>

class QListWidget;
class QPushButton;

namespace zel::data {
class ReaderDescription;
}

namespace zel::ui {

// The dialog of "Collect...": the site's clocks (lstClocks), each with a check box, all checked
// at first; cmdSelectAll and cmdSelectNone; cmdCollect accepts (only while a clock is checked),
// cmdCancel rejects. It reads the clock list when it is made and holds the clocks it shows.
class frmCollectEvents : public QDialog {
    Q_OBJECT
public:
    using ReaderPtr = std::shared_ptr<zel::data::ReaderDescription>;

    frmCollectEvents(QWidget* owner, std::vector<ReaderPtr> clocks);

    // The checked clocks, in list order.
    std::vector<ReaderPtr> Chosen() const;
    // Checks exactly the clocks with these names (tests and the page's defaults).
    void Choose(const QStringList& names);

private:
    void SetAll(bool checked);
    void UpdateCollect();

    std::vector<ReaderPtr> mClocks;
    QListWidget* mList;
    QPushButton* mCollect;
};

} // namespace zel::ui
