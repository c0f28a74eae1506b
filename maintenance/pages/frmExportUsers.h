#pragma once

#include "pages/UserProgressWindow.h"

#include "zel/KeyedCollection.h"

#include <memory>

namespace zel::support {
class IReader;
}
namespace zel::data {
class UserDescription;
}

namespace zel::ui {

// "Exporting Users": sends site users to one clock, with a status line and a progress bar.
class frmExportUsers : public UserProgressWindow {
    Q_OBJECT
public:
    using UserCollection = zel::KeyedCollection<std::shared_ptr<zel::data::UserDescription>>;

    explicit frmExportUsers(QWidget* owner = nullptr);

    // Sends each user of `Users`, in order, to `Reader`; the window is shown meanwhile (caption
    // "Exporting Users To " and the clock name when `ReaderName` is not empty) and closed at the
    // end. An empty collection does nothing and shows nothing. An error of the clock closes the
    // window and travels on to the caller.
    void Export(QWidget* OwnerForm, const std::shared_ptr<zel::support::IReader>& Reader, const QString& ReaderName,
                const UserCollection& Users);
};

} // namespace zel::ui
