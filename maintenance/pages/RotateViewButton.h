#pragma once

#include <QToolButton>

class QSplitter;

namespace zel::ui {

// The picture button `imgRotateView`: each click switches a splitter between its two
// orientations (panes side by side, or one above the other).
class RotateViewButton : public QToolButton {
    Q_OBJECT
public:
    RotateViewButton(QSplitter* splitter, QWidget* parent);

    void Rotate();

private:
    QSplitter* mSplitter;
};

} // namespace zel::ui
