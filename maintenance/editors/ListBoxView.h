#pragma once

#include <QListView>

namespace zel::ui {

// One list box of a list view: a model-backed QListView that also reports when the keyboard
// moved its current line (a mouse click is reported by QListView::clicked).
class ListBoxView : public QListView {
    Q_OBJECT
public:
    explicit ListBoxView(QWidget* parent = nullptr);

signals:
    void KeyboardMoved();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
};

} // namespace zel::ui
