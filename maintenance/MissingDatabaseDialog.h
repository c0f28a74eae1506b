#pragma once

#include "SiteQuestionDialog.h"

namespace zel::ui {

// Asked at start-up when the site database file does not exist: says which file in which
// folder was not found and offers to create a new, empty site database there (Create / Quit).
class MissingDatabaseDialog : public SiteQuestionDialog {
    Q_OBJECT
public:
    MissingDatabaseDialog(const QString& fileName, const QString& folder, QWidget* parent = nullptr);

    // Runs the dialog; true when the user chose Create.
    static bool Ask(const QString& fileName, const QString& folder, QWidget* parent = nullptr);

    static QString MessageText(const QString& fileName, const QString& folder);
};

} // namespace zel::ui
