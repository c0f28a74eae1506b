#pragma once

#include "editors/BoundDetailUI.h"

#include "zel/data/UserDescriptionList.h"

#include <cstdint>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;

namespace zel::ui {

// The fields of one user: user ID (at most 10 characters), name (at most 20), authority level
// (None .. Security) and whether a hand template is enrolled (shown only).
class UserDetailUI : public BoundDetailUI<zel::data::UserDescriptionList> {
    Q_OBJECT
public:
    static constexpr int MaxUserIDLength = 10;
    static constexpr int MaxNameLength = 20;

    explicit UserDetailUI(QWidget* parent = nullptr);

    void SetUserList(std::shared_ptr<zel::data::UserDescriptionList> list) { BindList(std::move(list)); }

    QString UserID() const;
    QString UserName() const;
    // The chosen level's value, or -1 when none is chosen.
    std::int32_t UserAuthorityLevel() const;

protected:
    void ShowEntry(const std::shared_ptr<zel::data::UserDescription>& user) override;
    void ClearFields() override;
    bool RefreshOnListChanged() const override { return true; }

private:
    QLineEdit* mUserID;
    QLineEdit* mName;
    QComboBox* mAuthorityLevel;
    QLabel* mEnrolled;
};

} // namespace zel::ui
