#pragma once

#include <QWidget>

namespace zel::ui {

// Placeholder page: shows its name until the real page takes its place.
class ListContainer : public QWidget {
    Q_OBJECT
public:
    explicit ListContainer(QWidget* parent = nullptr);

    // Binds the user, clock and channel editors to the site database's lists.
    void InitListEditors();
};

} // namespace zel::ui
