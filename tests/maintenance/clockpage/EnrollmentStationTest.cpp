#include "ClockSite.h"
#include "MessageRecorder.h"

#include "pages/ConnectionCenter.h"
#include "pages/EnrollmentStation.h"
#include "pages/LampShape.h"

#include "clocksim/ClockUser.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/EnrollmentStatusType.h"
#include "zel/support/MessagePump.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using zel::support::EnrollmentStatusType;
using zel::ui::ConnectionCenter;
using zel::ui::EnrollmentStation;
using zel::ui::LampShape;
using zel::ui::MsgIcon;
using zel::ui::test::ClockSite;
using zel::ui::test::ConnectTo;
using zel::ui::test::DisconnectFrom;
using zel::ui::test::MessageRecorder;

namespace {

const QString PlaceHandRight = EnrollmentStation::DisplayText(QStringLiteral("** Place Hand **     Right"));
const QString RemoveHand = QStringLiteral(" * Remove Hand *");
const QString ThankYou = QStringLiteral("   Thank You!");
const QString TimedOut = EnrollmentStation::DisplayText(QStringLiteral("   Enrollment      Timed Out"));
const QString AbortedText = EnrollmentStation::DisplayText(QStringLiteral("   Enrollment       Aborted"));

std::shared_ptr<zel::data::UserDescriptionList> Users()
{
    return zel::data::DataSource().GetUserDescriptionList();
}

bool ClockHasUser(int readerId, const char* userID)
{
    auto id = zel::sim::UserIdFromText(userID);
    return ClockSite::Get().Server().Clock(static_cast<std::uint8_t>(readerId)).FindUser(*id).has_value();
}

// The enrollment tab with a connection center of its own, and a message pump that records what
// the station shows at every poll of the clock (and can click a button on the way).
struct Station {
    ConnectionCenter cc;
    EnrollmentStation station;
    QStringList displays; // each new text of the clock display, in order
    QStringList counts;   // each new read count text
    int pumps = 0;
    std::function<void(int)> onPump; // called with the pump number before events are processed
    zel::support::MessagePumpHook previous;

    Station()
    {
        cc.Initialize();
        station.Initialize(&cc);
        previous = zel::support::SetMessagePump([this] {
            ++pumps;
            Record();
            if (onPump)
                onPump(pumps);
            QCoreApplication::processEvents();
        });
    }
    ~Station() { zel::support::SetMessagePump(previous); }

    template <typename T> T* Find(const char* name) { return station.findChild<T*>(QString::fromLatin1(name)); }
    QString Display() { return Find<QLabel>("lblReaderDisplay")->text(); }
    void Record()
    {
        if (displays.isEmpty() || displays.constLast() != Display())
            displays << Display();
        const QString count = Find<QLabel>("lblReadCount")->text();
        if (counts.isEmpty() || counts.constLast() != count)
            counts << count;
    }
    int Finger(int i) { return Find<LampShape>(qPrintable(QStringLiteral("shpFinger%1").arg(i)))->FillColor(); }
    void ChooseNew(const QString& id, const QString& name, int authorityIndex = 0)
    {
        Find<QRadioButton>("optEnrollNewUser")->click();
        Find<QLineEdit>("txtUserID")->setText(id);
        Find<QLineEdit>("txtUserName")->setText(name);
        Find<QComboBox>("cboAuthorityLevel")->setCurrentIndex(authorityIndex);
    }
    void Enroll() { Find<QPushButton>("cmdEnroll")->click(); }
    // Posts a click, so that it arrives through the message pump while the enrollment runs.
    static void PostClick(QPushButton* button)
    {
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
    }
};

} // namespace

class EnrollmentStationTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClockSite::Get().ResetEmulator(); }

    void displayTextBreaksAfterSixteenCharacters()
    {
        QCOMPARE(EnrollmentStation::DisplayText(QStringLiteral("** Place Hand **     Right")),
                 QStringLiteral("** Place Hand **      Right"));
        QCOMPARE(EnrollmentStation::DisplayText(QStringLiteral(" * Remove Hand *")),
                 QStringLiteral(" * Remove Hand *"));
        QCOMPARE(EnrollmentStation::DisplayText(QString(40, QLatin1Char('x'))),
                 QString(16, QLatin1Char('x')) + QLatin1Char(' ') + QString(16, QLatin1Char('x')));
        QCOMPARE(EnrollmentStation::DisplayText(QString()), QString());
    }

    void startsWithNewUserChosenAndEverythingDisabled()
    {
        Station s;
        QVERIFY(s.Find<QRadioButton>("optEnrollNewUser")->isChecked());
        QVERIFY(!s.Find<QLineEdit>("txtUserID")->isEnabled());
        QVERIFY(!s.Find<QComboBox>("cboNonEnrolledUsers")->isEnabled());
        QVERIFY(s.Find<QPushButton>("cmdEnroll")->isEnabled());
        QVERIFY(s.Find<QPushButton>("cmdAbortEnrollment")->isEnabled());
        auto* authority = s.Find<QComboBox>("cboAuthorityLevel");
        QCOMPARE(authority->count(), 2);
        QCOMPARE(authority->itemText(0), QStringLiteral("None"));
        QCOMPARE(authority->itemData(0).toInt(), 0);
        QCOMPARE(authority->itemText(1), QStringLiteral("Supervisor"));
        QCOMPARE(authority->itemData(1).toInt(), 3); // Management
        QCOMPARE(authority->currentIndex(), 0);
        QCOMPARE(s.Find<QRadioButton>("optEnrollExistingUser")->text(), QStringLiteral("Enroll Exising User"));

        ConnectTo(s.cc, QStringLiteral("Front Door"));
        QVERIFY(s.Find<QLineEdit>("txtUserID")->isEnabled());
        QVERIFY(!s.Find<QComboBox>("cboNonEnrolledUsers")->isEnabled());
        s.Find<QRadioButton>("optEnrollExistingUser")->click();
        QVERIFY(!s.Find<QLineEdit>("txtUserID")->isEnabled());
        QVERIFY(s.Find<QComboBox>("cboNonEnrolledUsers")->isEnabled());
        DisconnectFrom(s.cc);
        QVERIFY(!s.Find<QComboBox>("cboNonEnrolledUsers")->isEnabled());
    }

    void userIdTakesDigitsOnly()
    {
        Station s;
        ConnectTo(s.cc, QStringLiteral("Front Door"));
        auto* id = s.Find<QLineEdit>("txtUserID");
        QTest::keyClicks(id, QStringLiteral("12a-3 4"));
        QCOMPARE(id->text(), QStringLiteral("1234"));
        QTest::keyClick(id, Qt::Key_Backspace);
        QCOMPARE(id->text(), QStringLiteral("123"));
        QTest::keyClicks(id, QStringLiteral("456789012345"));
        QCOMPARE(id->text(), QStringLiteral("1234567890")); // at most ten digits
        DisconnectFrom(s.cc);
    }

    void refusalsSendNothing()
    {
        Station s;
        MessageRecorder messages;
        s.Enroll();
        QCOMPARE(messages.Last().title, QStringLiteral("No Clock Selected"));
        QCOMPARE(messages.Last().text, QStringLiteral("No clock is selected to enroll at."));
        QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);

        ConnectTo(s.cc, QStringLiteral("Front Door"));
        const auto frames = ClockSite::Get().Server().FramesAnswered();
        s.ChooseNew(QString(), QStringLiteral("Nobody"));
        s.Enroll();
        QCOMPARE(messages.Last().title, QStringLiteral("Invalid User ID"));
        QCOMPARE(messages.Last().text, QStringLiteral("Invalid User ID. Must be between 1 and 10 digits."));
        QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);

        s.ChooseNew(QStringLiteral("000"), QStringLiteral("Zero")); // refused as the user list editor refuses it
        s.Enroll();
        QCOMPARE(messages.Last().title, QStringLiteral("Invalid User ID"));
        QCOMPARE(messages.Last().text,
                 QStringLiteral("User ID 0 names no user: choose a number from 1 to 9999999999."));

        s.Find<QRadioButton>("optEnrollExistingUser")->click();
        s.Find<QComboBox>("cboNonEnrolledUsers")->setCurrentIndex(-1);
        s.Enroll();
        QCOMPARE(messages.Last().title, QStringLiteral("No User Selected"));
        QCOMPARE(messages.Last().text, QStringLiteral("No user is selected."));
        QCOMPARE(messages.Last().icon, MsgIcon::None);

        // A new user whose ID the site already has is refused before anyone puts a hand down.
        if (!Users()->Contains("4711"))
            Users()->Add("4711", "Taken");
        s.ChooseNew(QStringLiteral("004711"), QStringLiteral("Somebody Else")); // the same number
        s.Enroll();
        QCOMPARE(messages.Last().title, QStringLiteral("Invalid User ID"));
        QVERIFY(messages.Last().text.contains(QStringLiteral("4711")));
        QCOMPARE(messages.Count(), 5);
        QCOMPARE(ClockSite::Get().Server().FramesAnswered(), frames);
        DisconnectFrom(s.cc);
    }

    void enrollsANewUserWithTheClocksFeedback()
    {
        Station s;
        MessageRecorder messages;
        auto& clock = ClockSite::Get().Server().Clock(1);
        const int greetings = clock.DisplayMessageCount();
        ConnectTo(s.cc, QStringLiteral("Front Door"));
        s.ChooseNew(QStringLiteral("1234"), QString());
        s.Enroll();

        QCOMPARE(messages.Count(), 0);
        QVERIFY(!s.station.IsEnrolling());
        // The user is on the clock and in the site database, named after the ID.
        QVERIFY(ClockHasUser(1, "1234"));
        QVERIFY(Users()->Contains("1234"));
        auto user = Users()->Item(std::string("1234"));
        QCOMPARE(QString::fromStdString(user->Name()), QStringLiteral("User 1234"));
        QVERIFY(user->Enrolled());
        QCOMPARE(user->AuthorityLevel(), 0);
        QCOMPARE(user->Template().size(), std::size_t(9));
        QVERIFY(!user->IsDirty()); // saved

        // What the display showed, in order.
        QVERIFY(!s.displays.isEmpty());
        QCOMPARE(s.displays.first(), PlaceHandRight);
        QVERIFY(s.displays.contains(RemoveHand));
        QVERIFY(s.displays.contains(EnrollmentStation::DisplayText(QStringLiteral("** Place Hand **  2/4"))));
        QVERIFY(s.displays.contains(EnrollmentStation::DisplayText(QStringLiteral("** Place Hand **  4/4"))));
        QCOMPARE(s.displays.indexOf(RemoveHand),
                 s.displays.indexOf(EnrollmentStation::DisplayText(QStringLiteral("** Place Hand **  2/4"))) - 1);
        QVERIFY(s.counts.contains(QStringLiteral("1 of 4")));
        QVERIFY(s.counts.contains(QStringLiteral("4 of 4")));
        // The clock's verification read after the four is not shown as a fifth of four.
        QVERIFY(!s.counts.contains(QStringLiteral("5 of 4")));
        QVERIFY(!s.displays.contains(EnrollmentStation::DisplayText(QStringLiteral("** Place Hand **  5/4"))));
        QCOMPARE(s.Display(), ThankYou);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(s.Finger(i), EnrollmentStation::LampLit);
        // "Thank You" went to the clock as well.
        QCOMPARE(clock.DisplayMessageCount(), greetings + 1);
        const auto shown = clock.LastDisplayMessage();
        QVERIFY(QByteArray(reinterpret_cast<const char*>(shown.data()), int(shown.size())).contains("Thank You!"));
        DisconnectFrom(s.cc);
    }

    void supervisorGetsTheManagementLevel()
    {
        Station s;
        MessageRecorder messages;
        ConnectTo(s.cc, QStringLiteral("Back Door"));
        s.ChooseNew(QStringLiteral("0077"), QStringLiteral("Boss"), 1); // stored as the clock keeps it
        s.Enroll();
        QCOMPARE(messages.Count(), 0);
        auto user = Users()->Item(std::string("77"));
        QCOMPARE(QString::fromStdString(user->Name()), QStringLiteral("Boss"));
        QCOMPARE(user->AuthorityLevel(), 3);
        auto onClock = ClockSite::Get().Server().Clock(2).FindUser(*zel::sim::UserIdFromText("77"));
        QVERIFY(onClock.has_value());
        QCOMPARE(onClock->AuthorityLevel, 3);
        // The next new user starts from empty boxes, not with this person's number and name.
        QVERIFY(s.Find<QLineEdit>("txtUserID")->text().isEmpty());
        QVERIFY(s.Find<QLineEdit>("txtUserName")->text().isEmpty());
        DisconnectFrom(s.cc);
    }

    void enrollsAnExistingUserWhoThenLeavesTheList()
    {
        auto ann = Users()->Add("555", "Ann Lee");
        Station s;
        MessageRecorder messages;
        auto* list = s.Find<QComboBox>("cboNonEnrolledUsers");
        const int index = list->findText(QStringLiteral("Ann Lee"));
        QVERIFY(index >= 0);
        QCOMPARE(list->itemData(index).toInt(), ann->DatabaseID());

        ConnectTo(s.cc, QStringLiteral("Front Door"));
        s.Find<QRadioButton>("optEnrollExistingUser")->click();
        list->setCurrentIndex(index);
        s.Enroll();
        QCOMPARE(messages.Count(), 0);
        QVERIFY(ann->Enrolled());
        QCOMPARE(ann->Template().size(), std::size_t(9));
        QVERIFY(ClockHasUser(1, "555"));
        QCOMPARE(list->findText(QStringLiteral("Ann Lee")), -1);
        DisconnectFrom(s.cc);
    }

    void repeatedReadCountChangesOnlyLampsAndCount()
    {
        Station s;
        s.station.BeginEnrollment();
        EnrollmentStatusType status{1, 0, 0, 0, 0};
        s.station.Update(status);
        QCOMPARE(s.Display(), RemoveHand);
        status = {1, 1, 0, 1, 0};
        s.station.Update(status);
        QCOMPARE(s.Display(), RemoveHand);
        QCOMPARE(s.Finger(0), EnrollmentStation::LampLit);
        QCOMPARE(s.Finger(1), EnrollmentStation::LampDark);
        QCOMPARE(s.Find<QLabel>("lblReadCount")->text(), QStringLiteral("1 of 4"));
        status = {1, 1, 1, 1, 1};
        s.station.Update(status);
        QCOMPARE(s.Display(), EnrollmentStation::DisplayText(QStringLiteral("** Place Hand **  2/4")));
        // A new read with lamps still lit shows nothing new.
        status = {2, 1, 1, 1, 1};
        s.station.Update(status);
        QCOMPARE(s.Display(), EnrollmentStation::DisplayText(QStringLiteral("** Place Hand **  2/4")));
    }

    void abortThroughTheMessagePump()
    {
        Station s;
        MessageRecorder messages;
        ConnectTo(s.cc, QStringLiteral("Front Door"));
        s.onPump = [&s](int pump) {
            if (pump == 3)
                Station::PostClick(s.Find<QPushButton>("cmdAbortEnrollment"));
        };
        s.ChooseNew(QStringLiteral("9001"), QStringLiteral("Never Stored"));
        s.Enroll();
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(s.Display(), AbortedText);
        QVERIFY(!Users()->Contains("9001"));
        QVERIFY(!ClockHasUser(1, "9001"));
        QVERIFY(s.Find<QPushButton>("cmdEnroll")->isEnabled());
        QVERIFY(!s.station.IsEnrolling());
        QVERIFY(s.cc.IsConnected());
        DisconnectFrom(s.cc);
    }

    void enrollIsLockedWhileAnEnrollmentRuns()
    {
        Station s;
        MessageRecorder messages;
        ConnectTo(s.cc, QStringLiteral("Front Door"));
        bool lockedSeen = false;
        s.onPump = [&](int pump) {
            if (pump == 2) {
                lockedSeen = s.station.IsEnrolling() && !s.Find<QPushButton>("cmdEnroll")->isEnabled();
                s.Find<QLineEdit>("txtUserID")->setText(QStringLiteral("9003"));
                Station::PostClick(s.Find<QPushButton>("cmdEnroll")); // must not start a second one
            }
        };
        s.ChooseNew(QStringLiteral("9002"), QStringLiteral("Only One"));
        s.Enroll();
        QVERIFY(lockedSeen);
        QCOMPARE(messages.Count(), 0);
        QVERIFY(Users()->Contains("9002"));
        QVERIFY(!Users()->Contains("9003"));
        QVERIFY(!ClockHasUser(1, "9003"));
        QVERIFY(s.Find<QPushButton>("cmdEnroll")->isEnabled());
        DisconnectFrom(s.cc);
    }

    void timeOutIsToldAndNothingIsStored()
    {
        auto& site = ClockSite::Get();
        zel::sim::EnrollmentOptions options;
        options.ReadTimeMs = 0;
        options.Timeout = zel::sim::TimeoutPhase::Enrollment;
        site.Server().SetEnrollmentOptions(options);
        Station s;
        MessageRecorder messages;
        ConnectTo(s.cc, QStringLiteral("Front Door"));
        const int greetings = site.Server().Clock(1).DisplayMessageCount();
        s.ChooseNew(QStringLiteral("9004"), QStringLiteral("Too Slow"));
        s.Enroll();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().title, QStringLiteral("Enrollment Timed Out"));
        QVERIFY(messages.Last().text.startsWith(QStringLiteral("The enrollment process has timed-out.")));
        QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);
        QCOMPARE(s.Display(), TimedOut);
        QCOMPARE(site.Server().Clock(1).DisplayMessageCount(), greetings); // no "Thank You"
        QVERIFY(!Users()->Contains("9004"));
        QVERIFY(!ClockHasUser(1, "9004"));

        // The next enrollment starts afresh.
        site.ResetEmulator();
        s.ChooseNew(QStringLiteral("9005"), QStringLiteral("In Time"));
        s.Enroll();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(s.Display(), ThankYou);
        QVERIFY(Users()->Contains("9005"));
        DisconnectFrom(s.cc);
    }

    void disconnectDuringAnEnrollmentAbortsIt()
    {
        Station s;
        MessageRecorder messages;
        ConnectTo(s.cc, QStringLiteral("Front Door"));
        int disconnected = 0;
        QObject::connect(&s.cc, &ConnectionCenter::Disconnected, [&] { ++disconnected; });
        s.onPump = [&s](int pump) {
            if (pump == 4)
                Station::PostClick(s.cc.findChild<QPushButton*>(QStringLiteral("cmdDisconnect")));
        };
        s.ChooseNew(QStringLiteral("9006"), QStringLiteral("Left Early"));
        s.Enroll();
        QCOMPARE(disconnected, 1);
        QVERIFY(!s.cc.IsConnected());
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(s.Display(), AbortedText);
        QVERIFY(!Users()->Contains("9006"));
        QVERIFY(!ClockHasUser(1, "9006"));
        QVERIFY(!s.station.IsEnrolling());
        QCOMPARE(ClockSite::Get().Server().Clock(1).EnrollmentPhase(), zel::sim::EnrollmentSim::Phase::Idle);
        QVERIFY(!s.Find<QLineEdit>("txtUserID")->isEnabled());
    }

    void linkLostDuringAnEnrollmentIsShown()
    {
        auto& site = ClockSite::Get();
        Station s;
        MessageRecorder messages;
        ConnectTo(s.cc, QStringLiteral("Front Door"));
        s.onPump = [&site](int pump) {
            if (pump == 2) {
                zel::sim::FaultOptions drop;
                drop.DropAfterFrames = 1;
                site.Server().SetFaults(drop);
            }
        };
        s.ChooseNew(QStringLiteral("9007"), QStringLiteral("Cut Off"));
        s.Enroll();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);
        QVERIFY(!messages.Last().text.isEmpty());
        QVERIFY(!Users()->Contains("9007"));
        QVERIFY(!s.station.IsEnrolling());
        QVERIFY(s.Find<QPushButton>("cmdEnroll")->isEnabled());

        // Usable again after reconnecting.
        site.ResetEmulator();
        s.onPump = nullptr;
        DisconnectFrom(s.cc);
        ConnectTo(s.cc, QStringLiteral("Front Door"));
        s.ChooseNew(QStringLiteral("9008"), QStringLiteral("Second Try"));
        s.Enroll();
        QCOMPARE(messages.Count(), 1);
        QVERIFY(Users()->Contains("9008"));
        DisconnectFrom(s.cc);
    }

    void enrollsOverTheSerialChannel()
    {
        Station s;
        MessageRecorder messages;
        ConnectTo(s.cc, QStringLiteral("Serial"));
        QVERIFY(s.cc.IsConnected());
        s.ChooseNew(QStringLiteral("3003"), QStringLiteral("On The Line"));
        s.Enroll();
        QCOMPARE(messages.Count(), 0);
        QVERIFY(ClockHasUser(3, "3003"));
        QVERIFY(Users()->Item(std::string("3003"))->Enrolled());
        DisconnectFrom(s.cc);
    }
};

ZEL_REGISTER_CLOCKPAGE_TEST(EnrollmentStationTest);

#include "EnrollmentStationTest.moc"
