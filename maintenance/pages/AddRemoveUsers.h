#pragma once

#include <QWidget>

namespace zel::ui {

// Placeholder page: shows its name until the real page takes its place.
class AddRemoveUsers : public QWidget {
    Q_OBJECT
public:
    explicit AddRemoveUsers(QWidget* parent = nullptr);
};

} // namespace zel::ui
