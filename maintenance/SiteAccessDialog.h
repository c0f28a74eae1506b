#pragma once

#include "SiteQuestionDialog.h"

namespace zel::data {
class SiteWriteAccessError;
}

namespace zel::ui {

// Asked at start-up when the site database cannot be opened for writing: another program has it
// open for writing (which program, which process on which host, since when), or the file or its
// folder is read-only for this user. Offers to open it read-only (the lists show, nothing can be
// saved) or to quit; Quit is the default.
class SiteAccessDialog : public SiteQuestionDialog {
    Q_OBJECT
public:
    explicit SiteAccessDialog(const zel::data::SiteWriteAccessError& reason, QWidget* parent = nullptr);

    // Runs the dialog; true when the user chose to open the file read-only.
    static bool Ask(const zel::data::SiteWriteAccessError& reason, QWidget* parent = nullptr);

    static QString MessageText(const zel::data::SiteWriteAccessError& reason);
};

} // namespace zel::ui
