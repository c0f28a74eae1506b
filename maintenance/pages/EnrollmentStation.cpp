#include "pages/EnrollmentStation.h"

#include "MessageBox.h"
#include "ReadOnlySite.h"
#include "ShownText.h"
#include "layout/Anchor.h"
#include "pages/ClockAudit.h"
#include "pages/ConnectionCenter.h"
#include "pages/LampShape.h"
#include "pages/modHelpers.h"
#include "zel/workflows/UserIDs.h"

#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/IReader.h"
#include "zel/support/IUser.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 600;
constexpr int DesignHeight = 330;
constexpr int RowHeight = 24;
constexpr int FieldLeft = 110;
constexpr int FieldWidth = 190;
constexpr int PanelLeft = 330;
constexpr int PanelWidth = 258;
constexpr int ButtonWidth = 120;
constexpr int DisplayChars = 16;
constexpr int DisplayMaxChars = 32;

const QString PlaceHandFirst = QStringLiteral("** Place Hand **     Right");
const QString RemoveHand = QStringLiteral(" * Remove Hand *");
const QString ThankYou = QStringLiteral("   Thank You!");
const QString TimedOutText = QStringLiteral("   Enrollment      Timed Out");
const QString AbortedText = QStringLiteral("   Enrollment       Aborted");

// Where the finger lamps sit on the hand picture (fingertips, index to little finger).
constexpr std::array<QPoint, 4> FingerTips{QPoint(40, 30), QPoint(52, 16), QPoint(64, 12), QPoint(76, 20)};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

QString ErrorText(const std::exception& error)
{
    if (const auto* zelError = dynamic_cast<const zel::Error*>(&error))
        return QString::fromStdString(zelError->Description());
    return QString::fromLocal8Bit(error.what());
}

} // namespace

EnrollmentStation::EnrollmentStation(QWidget* parent) : ReaderPanel(parent)
{
    setObjectName(QStringLiteral("EnrollmentStation"));
    resize(DesignWidth, DesignHeight);
    setMinimumSize(DesignWidth, DesignHeight); // the hand panel beside the fields, the buttons below

    mFrame = new QGroupBox(QStringLiteral("Enrollment Station"), this);
    mFrame->setObjectName(QStringLiteral("framEnrollmentStation"));
    mFrame->setGeometry(0, 0, DesignWidth, DesignHeight);

    // Left: whom to enroll.
    mExistingOption = new QRadioButton(QStringLiteral("Enroll Exising User"), mFrame);
    mExistingOption->setObjectName(QStringLiteral("optEnrollExistingUser"));
    mExistingOption->setGeometry(12, 24, 250, RowHeight);
    mNonEnrolledUsers = new QComboBox(mFrame);
    mNonEnrolledUsers->setObjectName(QStringLiteral("cboNonEnrolledUsers"));
    mNonEnrolledUsers->setGeometry(30, 50, FieldLeft + FieldWidth - 30, RowHeight);

    mNewOption = new QRadioButton(QStringLiteral("Enroll New User"), mFrame);
    mNewOption->setObjectName(QStringLiteral("optEnrollNewUser"));
    mNewOption->setGeometry(12, 90, 250, RowHeight);
    mUserIDLabel = MakeLabel(mFrame, "lblUserID", QStringLiteral("User ID:"), QRect(30, 116, 78, RowHeight));
    mUserID = new QLineEdit(mFrame);
    mUserID->setObjectName(QStringLiteral("txtUserID"));
    mUserID->setGeometry(FieldLeft, 116, FieldWidth, RowHeight);
    mUserID->setMaxLength(10);
    // Digits only, typed or pasted; backspace and delete still edit.
    mUserID->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), mUserID));
    mUserNameLabel = MakeLabel(mFrame, "lblUserName", QStringLiteral("User Name:"), QRect(30, 146, 78, RowHeight));
    mUserName = new QLineEdit(mFrame);
    mUserName->setObjectName(QStringLiteral("txtUserName"));
    mUserName->setGeometry(FieldLeft, 146, FieldWidth, RowHeight);
    mAuthorityLabel =
        MakeLabel(mFrame, "lblAuthorityLevel", QStringLiteral("Authority:"), QRect(30, 176, 78, RowHeight));
    mAuthorityLevel = new QComboBox(mFrame);
    mAuthorityLevel->setObjectName(QStringLiteral("cboAuthorityLevel"));
    mAuthorityLevel->setGeometry(FieldLeft, 176, FieldWidth, RowHeight);
    mAuthorityLevel->addItem(QStringLiteral("None"), 0);
    mAuthorityLevel->addItem(QStringLiteral("Supervisor"), SupervisorLevel);

    // Right: what the clock shows.
    mFeedback = new QWidget(mFrame);
    mFeedback->setObjectName(QStringLiteral("picReaderFeedback"));
    mFeedback->setGeometry(PanelLeft, 20, PanelWidth, 130);
    mHandPicture = new QLabel(mFeedback);
    mHandPicture->setObjectName(QStringLiteral("imgHand"));
    mHandPicture->setGeometry(4, 4, 120, 120);
    mHandPicture->setPixmap(RenderPicture(QStringLiteral(":/clockpage/hand.svg"), QSize(120, 120)));
    for (int i = 0; i < 4; ++i) {
        auto* lamp = new LampShape(mFeedback);
        lamp->setObjectName(QStringLiteral("shpFinger%1").arg(i));
        lamp->setGeometry(4 + FingerTips[i].x() - 7, 4 + FingerTips[i].y() - 7, 14, 14);
        lamp->SetFillColor(LampLit);
        mFingers[i] = lamp;
    }
    mReadsLabel = MakeLabel(mFeedback, "lblHandReads", QStringLiteral("Hand Reads:"), QRect(136, 40, 110, RowHeight));
    mReadCount = MakeLabel(mFeedback, "lblReadCount", QString(), QRect(136, 64, 110, RowHeight));

    mDisplayLabel =
        MakeLabel(mFrame, "lblClockDisplayLabel", QStringLiteral("Clock Display"), QRect(PanelLeft, 154, 150, 20));
    mDisplay = new QLabel(mFrame);
    mDisplay->setObjectName(QStringLiteral("lblReaderDisplay"));
    QFont courier(QStringLiteral("Courier New"), 11);
    courier.setStyleHint(QFont::TypeWriter);
    courier.setFixedPitch(true);
    mDisplay->setFont(courier);
    mDisplay->setWordWrap(true);
    mDisplay->setTextFormat(Qt::PlainText);
    mDisplay->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mDisplay->setMargin(4);
    mDisplay->setAutoFillBackground(true);
    QPalette lcd = mDisplay->palette();
    lcd.setColor(QPalette::Window, QColor(0x17, 0x32, 0x1f));
    lcd.setColor(QPalette::WindowText, QColor(0x86, 0xf5, 0xa3));
    mDisplay->setPalette(lcd);
    const QFontMetrics metrics(courier);
    // Exactly 16 characters wide, so the label breaks the text where the clock's display does.
    const int displayWidth = metrics.horizontalAdvance(QString(DisplayChars, QLatin1Char('M'))) + 2 * 4 + 2;
    mDisplay->setGeometry(PanelLeft, 176, displayWidth, 2 * metrics.lineSpacing() + 2 * 4 + 2);

    mEnroll = new QPushButton(QStringLiteral("Enroll"), mFrame);
    mEnroll->setObjectName(QStringLiteral("cmdEnroll"));
    mEnroll->setGeometry(DesignWidth - 2 * ButtonWidth - 18, DesignHeight - 40, ButtonWidth, 28);
    mAbort = new QPushButton(QStringLiteral("Abort Enrollment"), mFrame);
    mAbort->setObjectName(QStringLiteral("cmdAbortEnrollment"));
    mAbort->setGeometry(DesignWidth - ButtonWidth - 12, DesignHeight - 40, ButtonWidth, 28);

    Anchors().Add(mFrame, AnchorAll);
    for (QWidget* field : std::initializer_list<QWidget*>{mNonEnrolledUsers, mUserID, mUserName, mAuthorityLevel})
        Anchors().Add(field, AnchorLeft | AnchorRight);
    for (QWidget* right : std::initializer_list<QWidget*>{mFeedback, mDisplay, mDisplayLabel, mEnroll, mAbort})
        Anchors().Add(right, AnchorRight);

    connect(mEnroll, &QPushButton::clicked, this, &EnrollmentStation::cmdEnroll_Click);
    connect(mAbort, &QPushButton::clicked, this, &EnrollmentStation::cmdAbortEnrollment_Click);
    connect(mExistingOption, &QRadioButton::clicked, this, &EnrollmentStation::optEnroll_Click);
    connect(mNewOption, &QRadioButton::clicked, this, &EnrollmentStation::optEnroll_Click);

    BindUserList();
    mAuthorityLevel->setCurrentIndex(0);
    mNewOption->setChecked(true);
    UpdateEnabling();
    // An enrollment stores the template in the site database: not on a site opened read-only.
    mReadOnly = ReadOnlyNotice();
    LockForReadOnly({mEnroll}, mReadOnly);
}

EnrollmentStation::~EnrollmentStation()
{
    mListChangedSubscription.Reset();
    mListItemChangedSubscription.Reset();
}

QString EnrollmentStation::DisplayText(const QString& text)
{
    QString shown = text.left(DisplayMaxChars);
    if (shown.size() > DisplayChars)
        shown = shown.left(DisplayChars) + QLatin1Char(' ') + shown.mid(DisplayChars);
    return shown;
}

void EnrollmentStation::BindUserList()
{
    if (mUserDescriptionList)
        return;
    try {
        mUserDescriptionList = zel::data::DataSource().GetUserDescriptionList();
    } catch (const std::exception&) {
        // No site database open (yet): the list stays empty; Enroll tries again.
        mUserDescriptionList.reset();
    }
    if (mUserDescriptionList) {
        mListChangedSubscription =
            mUserDescriptionList->ListChanged().Subscribe([this] { mUserDescriptionList_ListChanged(); });
        mListItemChangedSubscription = mUserDescriptionList->ListItemChanged().Subscribe(
            [this](std::shared_ptr<zel::data::UserDescription> sender) {
                mUserDescriptionList_ListItemChanged(sender);
            });
    }
    FillNonEnrolledUsers();
}

void EnrollmentStation::mUserDescriptionList_ListChanged()
{
    FillNonEnrolledUsers();
}

void EnrollmentStation::mUserDescriptionList_ListItemChanged(const std::shared_ptr<zel::data::UserDescription>&)
{
    FillNonEnrolledUsers();
}

void EnrollmentStation::FillNonEnrolledUsers()
{
    mNonEnrolledUsers->clear();
    if (!mUserDescriptionList)
        return;
    for (const auto& user : mUserDescriptionList->Items()) {
        if (!user->Enrolled())
            mNonEnrolledUsers->addItem(ShownText(user->Name()), user->DatabaseID());
    }
}

void EnrollmentStation::ReaderConnected()
{
    UpdateEnabling();
}

void EnrollmentStation::ReaderDisconnected()
{
    UpdateEnabling();
}

void EnrollmentStation::optEnroll_Click()
{
    UpdateEnabling();
}

void EnrollmentStation::UpdateEnabling()
{
    const bool connected = Reader() != nullptr;
    const bool existing = mExistingOption->isChecked();
    const QPalette standard = QApplication::palette();
    auto enable = [&standard](QWidget* box, bool on) {
        box->setEnabled(on);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, on ? standard.color(QPalette::Base) : standard.color(QPalette::Button));
        box->setPalette(palette);
    };
    enable(mNonEnrolledUsers, existing && connected);
    enable(mUserID, !existing && connected);
    enable(mUserName, !existing && connected);
    enable(mAuthorityLevel, !existing && connected);
}

void EnrollmentStation::cmdEnroll_Click()
{
    if (mEnrolling)
        return; // one enrollment at a time: a click during a running one is not a second one
    if (!mReadOnly.isEmpty())
        return; // the button is locked; its tooltip says why
    mTimedOut = false;

    if (!Reader()) {
        ShowMessage(this, QStringLiteral("No clock is selected to enroll at."), QStringLiteral("No Clock Selected"),
                    MsgIcon::Exclamation);
        return;
    }
    BindUserList();
    if (!mUserDescriptionList) {
        RunCommand(this, [] { zel::data::DataSource().GetUserDescriptionList(); });
        return;
    }

    if (mExistingOption->isChecked()) {
        const int index = mNonEnrolledUsers->currentIndex();
        auto user =
            index < 0 ? nullptr : mUserDescriptionList->GetByDatabaseID(mNonEnrolledUsers->itemData(index).toInt());
        if (!user) {
            ShowMessage(this, QStringLiteral("No user is selected."), QStringLiteral("No User Selected"));
            return;
        }
        RunEnrollment(Reader(), user->UserID(), user->AuthorityLevel(), user);
        return;
    }

    // The clock keeps the number, and gives it back without leading zeros: the site database
    // must know the user under that same ID, or the user would later show up twice.
    QString userID = QString::fromStdString(zel::workflows::UserIDWithoutLeadingZeros(mUserID->text().toStdString()));
    if (userID.isEmpty()) {
        ShowMessage(this, QStringLiteral("Invalid User ID. Must be between 1 and 10 digits."),
                    QStringLiteral("Invalid User ID"), MsgIcon::Exclamation);
        return;
    }
    // The user list editor's rule too (the ID 0 names no user).
    if (const std::string problem = zel::workflows::UserIDProblem(userID.toStdString()); !problem.empty()) {
        ShowMessage(this, QString::fromStdString(problem), QStringLiteral("Invalid User ID"), MsgIcon::Exclamation);
        return;
    }
    if (mUserDescriptionList->Contains(userID.toStdString())) {
        // Found out before the person puts a hand down: afterwards the template would be lost.
        ShowMessage(this,
                    QStringLiteral("The User ID %1 already exists. Choose \"Enroll Exising User\" to enroll an "
                                   "existing user.")
                        .arg(userID),
                    QStringLiteral("Invalid User ID"), MsgIcon::Exclamation);
        return;
    }
    RunEnrollment(Reader(), userID.toStdString(), mAuthorityLevel->currentData().toInt(), nullptr);
}

void EnrollmentStation::RunEnrollment(const std::shared_ptr<zel::support::IReader>& reader, const std::string& userID,
                                      int level, const std::shared_ptr<zel::data::UserDescription>& existing)
{
    mEnrolling = true;
    mEnroll->setEnabled(false);
    mEnrollingReader = reader;
    mDeferredError.clear();
    // The station lives longer than the call; the reader only borrows it.
    const std::shared_ptr<zel::support::IEnrollmentStatus> callback(
        std::shared_ptr<zel::support::IEnrollmentStatus>(), static_cast<zel::support::IEnrollmentStatus*>(this));
    // Captured before the loop lets the name box be edited during the enrollment.
    const QString typedName = mUserName->text();

    std::shared_ptr<zel::support::IUser> enrolled;
    QString failure;
    // A Disconnect during the enrollment closes the channel only after the clock was told to stop.
    QPointer<ConnectionCenter> connection = Connection();
    if (connection)
        connection->BeginLongCommand();
    try {
        enrolled = reader->EnrollUser(userID, static_cast<zel::support::UserAuthorityLevel>(level), callback);
    } catch (const std::exception& error) {
        if (Reader() != reader) {
            // Disconnected during the enrollment: the administrator ended it; what failed on the
            // way out is of no interest any more.
            Aborted();
        } else {
            failure = ErrorText(error);
        }
    }

    if (enrolled) {
        try {
            std::shared_ptr<zel::data::UserDescription> user = existing;
            if (!user) {
                const std::string name = typedName.isEmpty() ? "User " + userID : typedName.toStdString();
                user = mUserDescriptionList->Add(userID, name);
                // The clock holds the user with this level; the site database must say the same.
                user->SetAuthorityLevel(level);
            }
            user->SetTemplate(enrolled->Template());
            user->SetEnrolled(true);
            mUserDescriptionList->Save();
            if (!existing) {
                // The next person must not inherit this one's number or name.
                mUserID->clear();
                mUserName->clear();
            }
        } catch (const std::exception& error) {
            failure = ErrorText(error);
        }
    }

    // The audit row, while the connection center still names the clock.
    using zel::workflows::ClockOutcome;
    const QString problem = failure.isEmpty() ? mDeferredError : failure;
    LogClockAction(connection.data(), "enroll",
                   !problem.isEmpty() ? ClockOutcome::Failed
                   : enrolled         ? ClockOutcome::Done
                                      : ClockOutcome::Cancelled,
                   !problem.isEmpty()
                       ? (enrolled ? "enrolled at the clock, not stored in the site: " : "") + problem.toStdString()
                   : enrolled ? std::string("enrolled and stored in the site")
                              : std::string("the enrollment was aborted or timed out"),
                   {userID});
    if (connection)
        connection->EndLongCommand();
    mEnrollingReader.reset();
    mEnrolling = false;
    mEnroll->setEnabled(mReadOnly.isEmpty());
    if (failure.isEmpty())
        failure = mDeferredError;
    mDeferredError.clear();
    if (!failure.isEmpty())
        ShowMessage(this, failure, {}, MsgIcon::Exclamation);
}

void EnrollmentStation::cmdAbortEnrollment_Click()
{
    if (auto reader = mEnrollingReader ? mEnrollingReader : Reader())
        RunCommand(this, [&] { reader->AbortEnrollment(); });
}

void EnrollmentStation::ShowDisplay(const QString& text)
{
    mDisplay->setText(DisplayText(text));
}

void EnrollmentStation::SetFingerColors(int color)
{
    for (auto* finger : mFingers)
        finger->SetFillColor(color);
}

void EnrollmentStation::BeginEnrollment()
{
    ShowDisplay(PlaceHandFirst);
    mLastReadCount = 0;
    mHandRemoved = false;
}

void EnrollmentStation::Update(zel::support::EnrollmentStatusType& status)
{
    const std::array<std::int32_t, 4> leds{status.Led1, status.Led2, status.Led3, status.Led4};
    for (int i = 0; i < 4; ++i)
        mFingers[i]->SetFillColor(leds[i] != 0 ? LampLit : LampDark);
    // The clock checks the new template with one more read after the four: that read is counted
    // as well, but the administrator is shown at most "4 of 4" (never "5 of 4").
    mReadCount->setText(QStringLiteral("%1 of 4").arg(std::min(status.ReadCount, ReadsShown)));

    const long long sum = static_cast<long long>(status.Led1) + status.Led2 + status.Led3 + status.Led4;
    const bool allLit = leds[0] != 0 && leds[1] != 0 && leds[2] != 0 && leds[3] != 0;
    if (status.ReadCount > mLastReadCount) {
        if (sum <= 0) {
            ShowDisplay(RemoveHand);
            mHandRemoved = true;
            mLastReadCount = status.ReadCount;
        }
    } else if (allLit && mHandRemoved) {
        ShowDisplay(QStringLiteral("** Place Hand **  %1/4").arg(std::min(status.ReadCount + 1, ReadsShown)));
        mHandRemoved = false;
    }
}

void EnrollmentStation::EndEnrollment()
{
    SetFingerColors(LampLit);
    if (mTimedOut) {
        ShowDisplay(TimedOutText);
        return;
    }
    ShowDisplay(ThankYou);
    if (!mEnrollingReader)
        return;
    try {
        mEnrollingReader->DisplayMessage(ThankYou.toStdString(), false, "",
                                         zel::support::DisplayDurationEnum::Seconds3_0);
    } catch (const std::exception& error) {
        // Only a greeting: the enrollment itself goes on; the failure is told when it ends.
        mDeferredError = ErrorText(error);
    }
}

void EnrollmentStation::Aborted()
{
    ShowDisplay(AbortedText);
}

void EnrollmentStation::Timeout()
{
    mTimedOut = true;
    ShowMessage(this,
                QStringLiteral("The enrollment process has timed-out. This could be due to the connection to the clock "
                               "failing or the user not placing his hand on the clock during the enrollment process."),
                QStringLiteral("Enrollment Timed Out"), MsgIcon::Exclamation);
}

} // namespace zel::ui
