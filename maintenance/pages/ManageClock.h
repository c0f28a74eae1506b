#pragma once

#include <QWidget>

namespace zel::ui {

// Placeholder page: shows its name until the real page takes its place.
class ManageClock : public QWidget {
    Q_OBJECT
public:
    explicit ManageClock(QWidget* parent = nullptr);
};

} // namespace zel::ui
