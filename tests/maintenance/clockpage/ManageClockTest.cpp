#include "ClockSite.h"
#include "MessageRecorder.h"

#include "pages/ConnectionCenter.h"
#include "pages/EnrollmentStation.h"
#include "pages/ManageClock.h"
#include "pages/ManageClockUsers.h"
#include "pages/ReaderSetup.h"
#include "pages/frmMain.h"

#include "clocksim/ClockUser.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/support/MessagePump.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

using zel::ui::ConnectionCenter;
using zel::ui::ManageClock;
using zel::ui::test::ClockSite;
using zel::ui::test::ConnectTo;
using zel::ui::test::DisconnectFrom;
using zel::ui::test::MessageRecorder;

class ManageClockTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClockSite::Get().ResetEmulator(); }

    void holdsTheConnectionCenterAndThreeTabs()
    {
        ManageClock page;
        auto* tabs = page.findChild<QTabWidget*>(QStringLiteral("tabClockManagers"));
        QVERIFY(tabs);
        QVERIFY(page.findChild<ConnectionCenter*>(QStringLiteral("ConnectionCenter1")));
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Clock Setup"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Clock Users"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Enroll Users"));
        QCOMPARE(tabs->tabBar()->tabData(0).toString(), QStringLiteral("ReaderSetup"));
        QCOMPARE(tabs->tabBar()->tabData(1).toString(), QStringLiteral("ManageUsers"));
        QCOMPARE(tabs->tabBar()->tabData(2).toString(), QStringLiteral("EnrollUsers"));
        QCOMPARE(page.TabIndex(QStringLiteral("EnrollUsers")), 2);
        QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("ReaderSetup1"));
        QCOMPARE(tabs->widget(1)->objectName(), QStringLiteral("ManageClockUsers1"));
        QCOMPARE(tabs->widget(2)->objectName(), QStringLiteral("EnrollmentStation1"));
        QVERIFY(qobject_cast<zel::ui::ManageClockUsers*>(tabs->widget(1)));
    }

    void showingThePageFetchesTheClocks()
    {
        ManageClock page;
        auto* clocks = page.findChild<QComboBox*>(QStringLiteral("cboClocks"));
        page.show();
        QCOMPARE(clocks->count(), zel::data::DataSource().GetReaderDescriptionList()->Count());
        page.hide();
    }

    // Back on the page after another one, the list still names the clock that is connected.
    void comingBackNamesTheConnectedClock()
    {
        ManageClock page;
        page.show();
        auto* cc = page.findChild<ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        auto* clocks = page.findChild<QComboBox*>(QStringLiteral("cboClocks"));
        ConnectTo(*cc, QStringLiteral("Front Door"));
        QVERIFY(cc->IsConnected());
        page.hide();
        page.show(); // the page fetches the clocks again
        QCOMPARE(clocks->currentText(), QStringLiteral("Front Door"));
        DisconnectFrom(*cc);
        page.hide();
    }

    void everyTabFollowsTheConnection()
    {
        ManageClock page;
        page.show();
        MessageRecorder messages;
        auto* cc = page.findChild<ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        const QStringList commands{QStringLiteral("cmdSendTime"), QStringLiteral("cmdSendSettings"),
                                   QStringLiteral("cmdSendMenuFile"), QStringLiteral("cmdGetUsers")};
        for (const QString& name : commands)
            QVERIFY2(!page.findChild<QPushButton*>(name)->isEnabled(), qPrintable(name));
        ConnectTo(*cc, QStringLiteral("Front Door"));
        QVERIFY(cc->IsConnected());
        for (const QString& name : commands)
            QVERIFY2(page.findChild<QPushButton*>(name)->isEnabled(), qPrintable(name));
        DisconnectFrom(*cc);
        for (const QString& name : commands)
            QVERIFY2(!page.findChild<QPushButton*>(name)->isEnabled(), qPrintable(name));
        QCOMPARE(messages.Count(), 0);
        page.hide();
    }

    // The other clock commands of the page would run inside the enrollment's polling: they are
    // locked until it ends; Disconnect and Abort stay usable.
    void anEnrollmentLocksTheOtherClockCommands()
    {
        ManageClock page;
        page.show();
        MessageRecorder messages;
        auto* cc = page.findChild<ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        ConnectTo(*cc, QStringLiteral("Front Door"));
        QVERIFY(cc->IsConnected());
        const QStringList locked{QStringLiteral("cmdSendTime"),     QStringLiteral("cmdSetCurrentTime"),
                                 QStringLiteral("cmdSendSettings"), QStringLiteral("cmdSendMenuFile"),
                                 QStringLiteral("cmdGetUsers"),     QStringLiteral("cmdRemoveAll"),
                                 QStringLiteral("cmdEnroll"),       QStringLiteral("cmdConnect")};
        const QStringList usable{QStringLiteral("cmdDisconnect"), QStringLiteral("cmdAbortEnrollment")};
        auto enabled = [&page](const QString& name) {
            auto* button = page.findChild<QPushButton*>(name);
            return button != nullptr && button->isEnabled();
        };
        page.findChild<QLineEdit*>(QStringLiteral("txtUserID"))->setText(QStringLiteral("4242"));
        int pumps = 0;
        QStringList wrong;
        auto previous = zel::support::SetMessagePump([&] {
            if (++pumps == 2) {
                QVERIFY(cc->IsBusy());
                for (const QString& name : locked)
                    if (enabled(name))
                        wrong << name;
                for (const QString& name : usable)
                    if (!enabled(name))
                        wrong << name;
            }
            QCoreApplication::processEvents();
        });
        page.findChild<QPushButton*>(QStringLiteral("cmdEnroll"))->click();
        zel::support::SetMessagePump(previous);
        QVERIFY(pumps >= 2);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char(' '))));
        QVERIFY(!cc->IsBusy());
        for (const QString& name : locked.mid(0, locked.size() - 1)) // Connect stays off while connected
            QVERIFY2(enabled(name), qPrintable(name));
        QCOMPARE(messages.Count(), 0);
        DisconnectFrom(*cc);
        page.hide();
    }

    // Closing the main window while a hand is being read ends the enrollment on the clock and
    // the connection, instead of polling on behind a window that is gone.
    void closingTheMainWindowAbortsAnEnrollment()
    {
        zel::ui::frmMain window;
        window.show();
        window.ListBar_ItemClick(2); // the Manage Clock page
        MessageRecorder messages;
        auto* cc = window.findChild<ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        ConnectTo(*cc, QStringLiteral("Front Door"));
        QVERIFY(cc->IsConnected());
        auto* page = window.findChild<ManageClock*>(QStringLiteral("ManageClock1"));
        page->findChild<QLineEdit*>(QStringLiteral("txtUserID"))->setText(QStringLiteral("5151"));
        int pumps = 0;
        auto previous = zel::support::SetMessagePump([&] {
            if (++pumps == 2)
                window.close();
            QCoreApplication::processEvents();
        });
        auto* enroll = page->findChild<QPushButton*>(QStringLiteral("cmdEnroll"));
        QVERIFY(enroll->isEnabled());
        enroll->click();
        zel::support::SetMessagePump(previous);
        QVERIFY(pumps >= 2);
        QVERIFY(!cc->IsConnected());
        QVERIFY(!cc->IsBusy());
        QVERIFY(!ClockSite::Get().Server().Clock(1).FindUser(*zel::sim::UserIdFromText("5151")).has_value());
        QCOMPARE(messages.Count(), 0);
    }

    // A Disconnect during the enrollment leaves the old channel open until the enrollment ends:
    // a new connection (the same serial port, maybe) must wait for that.
    void connectWaitsForTheEnrollmentToEndAfterADisconnect()
    {
        ManageClock page;
        page.show();
        MessageRecorder messages;
        auto* cc = page.findChild<ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        ConnectTo(*cc, QStringLiteral("Front Door"));
        page.findChild<QLineEdit*>(QStringLiteral("txtUserID"))->setText(QStringLiteral("4243"));
        int pumps = 0;
        bool connectDuring = true;
        bool connectedDuring = true;
        auto previous = zel::support::SetMessagePump([&] {
            if (++pumps == 2) {
                DisconnectFrom(*cc);
                connectDuring = page.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->isEnabled();
                cc->SetIsConnected(true); // refused while the enrollment ends
                connectedDuring = cc->IsConnected();
            }
            QCoreApplication::processEvents();
        });
        page.findChild<QPushButton*>(QStringLiteral("cmdEnroll"))->click();
        zel::support::SetMessagePump(previous);
        QVERIFY(!connectDuring);
        QVERIFY(!connectedDuring);
        QVERIFY(page.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->isEnabled());
        QVERIFY(!page.findChild<QPushButton*>(QStringLiteral("cmdGetUsers"))->isEnabled());
        page.hide();
    }

    void connectionCenterStretchesAndTabsFollowEveryEdge()
    {
        ManageClock page;
        page.show(); // a hidden widget gets its resize events only when shown
        auto* cc = page.findChild<ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        auto* tabs = page.findChild<QTabWidget*>(QStringLiteral("tabClockManagers"));
        const QRect ccBefore = cc->geometry();
        const QRect tabsBefore = tabs->geometry();
        page.resize(page.width() + 120, page.height() + 80);
        QCOMPARE(cc->geometry(), QRect(ccBefore.topLeft(), QSize(ccBefore.width() + 120, ccBefore.height())));
        QCOMPARE(tabs->geometry(),
                 QRect(tabsBefore.topLeft(), QSize(tabsBefore.width() + 120, tabsBefore.height() + 80)));
    }

    // With ZEL_SCREENSHOTS set to a folder, pictures of the three tabs are saved there.
    void screenshots()
    {
        const QString folder = qEnvironmentVariable("ZEL_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("ZEL_SCREENSHOTS not set");
        QDir().mkpath(folder);
        MessageRecorder messages;
        ManageClock page;
        page.resize(720, 540);
        page.show();
        auto* cc = page.findChild<ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        auto* tabs = page.findChild<QTabWidget*>(QStringLiteral("tabClockManagers"));
        ConnectTo(*cc, QStringLiteral("Front Door"));
        page.findChild<QLineEdit*>(QStringLiteral("txtMenuFile"))
            ->setText(QStringLiteral("/home/admin/menus/SHIFTS.BIN"));
        auto save = [&](const char* name) {
            QCoreApplication::processEvents();
            QVERIFY(page.grab().save(QDir(folder).filePath(QString::fromLatin1(name))));
        };
        tabs->setCurrentIndex(page.TabIndex(QStringLiteral("ReaderSetup")));
        save("manage-clock-setup.png");

        tabs->setCurrentIndex(page.TabIndex(QStringLiteral("ManageUsers")));
        page.findChild<QPushButton*>(QStringLiteral("cmdGetUsers"))->click();
        save("manage-clock-users.png");

        // The enrollment tab while the clock asks for the second read.
        tabs->setCurrentIndex(page.TabIndex(QStringLiteral("EnrollUsers")));
        page.findChild<QLineEdit*>(QStringLiteral("txtUserID"))->setText(QStringLiteral("2718"));
        page.findChild<QLineEdit*>(QStringLiteral("txtUserName"))->setText(QStringLiteral("Grace Hopper"));
        int pumps = 0;
        auto previous = zel::support::SetMessagePump([&] {
            if (++pumps == 3)
                save("manage-clock-enroll.png");
            QCoreApplication::processEvents();
        });
        page.findChild<QPushButton*>(QStringLiteral("cmdEnroll"))->click();
        zel::support::SetMessagePump(previous);
        DisconnectFrom(*cc);
    }
};

ZEL_REGISTER_CLOCKPAGE_TEST(ManageClockTest);

#include "ManageClockTest.moc"
