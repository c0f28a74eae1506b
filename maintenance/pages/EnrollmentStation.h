#pragma once

#include "pages/ReaderPanel.h"

#include "zel/Event.h"
#include "zel/support/IEnrollmentStatus.h"

#include <QString>

#include <array>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zel::data {
class UserDescription;
class UserDescriptionList;
} // namespace zel::data

namespace zel::ui {

class LampShape;

// The "Enroll Users" tab of the Manage Clock page. With a clock connected it enrolls a user
// there: a user of the site database who is not enrolled yet, or a new user who is added to the
// site database when the enrollment succeeds. While the clock works it mirrors the clock's
// finger lamps, the number of hand reads and the clock's two-line display.
//
// Only one enrollment runs at a time: Enroll is locked until it ends. Abort, and Disconnect in
// the connection center, reach the running enrollment through the message pump. Errors of the
// communication library or of the site database are shown in a message box. On a site opened
// read-only Enroll is locked, saying why (the template could not be stored).
class EnrollmentStation : public ReaderPanel, public zel::support::IEnrollmentStatus {
    Q_OBJECT
public:
    static constexpr int LampLit = 255;    // red: the clock lights this finger's lamp
    static constexpr int LampDark = 65280; // green
    // The level a new user gets for each entry of the authority list ("None", "Supervisor").
    static constexpr int SupervisorLevel = 3; // Management
    // The reads the station counts out ("n of 4"); the verification read after them shows as the 4th.
    static constexpr int ReadsShown = 4;

    explicit EnrollmentStation(QWidget* parent = nullptr);
    ~EnrollmentStation() override;

    // True while an enrollment runs (Enroll is locked then).
    bool IsEnrolling() const { return mEnrolling; }

    // The text as the 16-character, two-line clock display shows it: cut to 32 characters, and
    // a text longer than 16 gets a space after its 16th character so that it breaks there.
    static QString DisplayText(const QString& text);

    // The progress of the running enrollment (called by the reader).
    void Update(zel::support::EnrollmentStatusType& status) override;
    void BeginEnrollment() override;
    void EndEnrollment() override;
    void Aborted() override;
    void Timeout() override;

    void mUserDescriptionList_ListChanged();
    void mUserDescriptionList_ListItemChanged(const std::shared_ptr<zel::data::UserDescription>& sender);

protected:
    void ReaderConnected() override;
    void ReaderDisconnected() override;
    // The station's own command is the long one: it stays usable (Abort) and locks only Enroll.
    void ConnectionBusyChanged(bool) override {}

private:
    void cmdEnroll_Click();
    void cmdAbortEnrollment_Click();
    void optEnroll_Click();

    void BindUserList();
    void FillNonEnrolledUsers();
    void UpdateEnabling();
    void ShowDisplay(const QString& text);
    void SetFingerColors(int color);
    // Runs the enrollment at `reader` and stores the result; the error handling of Enroll.
    void RunEnrollment(const std::shared_ptr<zel::support::IReader>& reader, const std::string& userID, int level,
                       const std::shared_ptr<zel::data::UserDescription>& existing);

    QGroupBox* mFrame;
    QRadioButton* mExistingOption;
    QComboBox* mNonEnrolledUsers;
    QRadioButton* mNewOption;
    QLabel* mUserIDLabel;
    QLineEdit* mUserID;
    QLabel* mUserNameLabel;
    QLineEdit* mUserName;
    QLabel* mAuthorityLabel;
    QComboBox* mAuthorityLevel;
    QPushButton* mEnroll;
    QPushButton* mAbort;
    QWidget* mFeedback;
    QLabel* mHandPicture;
    std::array<LampShape*, 4> mFingers{};
    QLabel* mReadsLabel;
    QLabel* mReadCount;
    QLabel* mDisplayLabel;
    QLabel* mDisplay;

    std::shared_ptr<zel::data::UserDescriptionList> mUserDescriptionList;
    zel::Subscription mListChangedSubscription;
    zel::Subscription mListItemChangedSubscription;

    // The reader the running enrollment works with (kept although the connection center may
    // drop its own reference meanwhile).
    std::shared_ptr<zel::support::IReader> mEnrollingReader;
    bool mEnrolling = false;
    int mLastReadCount = 0;
    bool mHandRemoved = false;
    bool mTimedOut = false;
    QString mDeferredError; // a failure of the "Thank You" message, shown when the command ends
    QString mReadOnly;      // why Enroll is locked (a site opened read-only), or ""
};

} // namespace zel::ui
