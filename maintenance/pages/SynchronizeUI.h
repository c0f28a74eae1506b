#pragma once

#include <QWidget>

namespace zel::ui {

// Placeholder page: shows its name until the real page takes its place.
class SynchronizeUI : public QWidget {
    Q_OBJECT
public:
    explicit SynchronizeUI(QWidget* parent = nullptr);
};

} // namespace zel::ui
