#pragma once

#include <QLayout>
#include <QList>

class QLayoutItem;

namespace zel::ui {

// A layout that places its items left to right and starts a new line where the next item would
// not fit the width, like words of a paragraph. Each item keeps its size hint (a group of a label
// and its field stays together when it is one item: put them in a small widget). The height
// follows the width (heightForWidth), so a layout above it makes room for the extra lines.
//
// Holds and owns its items. Never fails: an item wider than the whole width gets a line of its
// own and is narrowed to the width, no further than its minimum size.
class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 6);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Lays the items out in `rect` (only measures when `apply` is false); returns the height used.
    int Arrange(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> mItems;
};

} // namespace zel::ui
