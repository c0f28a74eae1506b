#include "ClockSite.h"
#include "MessageRecorder.h"

#include "layout/Twips.h"
#include "pages/ConnectionCenter.h"
#include "pages/LampShape.h"
#include "pages/modHelpers.h"

#include "zel/Error.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/support/Channel.h"
#include "zel/support/IReader.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using zel::ui::ConnectionCenter;
using zel::ui::LampShape;
using zel::ui::MsgIcon;
using zel::ui::test::ClockSite;
using zel::ui::test::MessageRecorder;

namespace {

// A connection center with its parts and a count of its events.
struct Center {
    ConnectionCenter cc;
    QComboBox* clocks;
    QPushButton* connect;
    QPushButton* disconnect;
    LampShape* lamp;
    int connectedCount = 0;
    int disconnectedCount = 0;
    std::shared_ptr<zel::support::IReader> lastReader;

    Center()
        : clocks(cc.findChild<QComboBox*>(QStringLiteral("cboClocks"))),
          connect(cc.findChild<QPushButton*>(QStringLiteral("cmdConnect"))),
          disconnect(cc.findChild<QPushButton*>(QStringLiteral("cmdDisconnect"))),
          lamp(cc.findChild<LampShape*>(QStringLiteral("shpConnectStatus")))
    {
        QObject::connect(&cc, &ConnectionCenter::Connected, [this](std::shared_ptr<zel::support::IReader> r) {
            ++connectedCount;
            lastReader = r;
        });
        QObject::connect(&cc, &ConnectionCenter::Disconnected, [this] { ++disconnectedCount; });
        cc.Initialize();
    }

    void Select(const QString& name) { clocks->setCurrentIndex(clocks->findText(name)); }
};

} // namespace

class ConnectionCenterTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClockSite::Get().ResetEmulator(); }

    void startsDisconnectedWithTheClocksOfTheSite()
    {
        Center c;
        QVERIFY(c.clocks && c.connect && c.disconnect && c.lamp);
        QCOMPARE(c.clocks->count(), zel::data::DataSource().GetReaderDescriptionList()->Count());
        QCOMPARE(c.clocks->itemText(0), QStringLiteral("Front Door"));
        QCOMPARE(c.clocks->itemData(0).toInt(), ClockSite::Get().Clock("Front Door")->DatabaseID());
        QCOMPARE(c.clocks->currentIndex(), -1);
        QCOMPARE(c.lamp->FillColor(), ConnectionCenter::LampRed);
        QVERIFY(!c.connect->isEnabled());
        QVERIFY(!c.disconnect->isEnabled());
        QVERIFY(!c.cc.IsConnected());
        QCOMPARE(c.cc.height(), zel::ui::TwipsToPixels(1000));
    }

    void connectWithoutSelectionIsRefused()
    {
        Center c;
        MessageRecorder messages;
        c.cc.SetIsConnected(true);
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().title, QStringLiteral("No Clock Selected"));
        QCOMPARE(messages.Last().text, QStringLiteral("Please select a clock to enroll at."));
        QCOMPARE(messages.Last().icon, MsgIcon::Information);
        QVERIFY(!c.cc.IsConnected());
        QCOMPARE(c.connectedCount, 0);
    }

    void connectsAndDisconnects()
    {
        Center c;
        MessageRecorder messages;
        c.Select(QStringLiteral("Front Door"));
        QVERIFY(c.connect->isEnabled());
        c.connect->click();

        QCOMPARE(messages.Count(), 0);
        QVERIFY(c.cc.IsConnected());
        QVERIFY(c.cc.Reader() != nullptr);
        QCOMPARE(c.connectedCount, 1);
        QCOMPARE(c.lastReader, c.cc.Reader());
        QCOMPARE(c.lamp->FillColor(), ConnectionCenter::LampGreen);
        QVERIFY(!c.connect->isEnabled());
        QVERIFY(c.disconnect->isEnabled());
        // The reader really talks to the clock.
        QCOMPARE(c.cc.Reader()->UserCount(), static_cast<std::int32_t>(ClockSite::Get().Server().Clock(1).UserCount()));

        // Another selection while connected only re-evaluates the buttons.
        c.Select(QStringLiteral("Back Door"));
        QVERIFY(c.cc.IsConnected());
        QVERIFY(!c.connect->isEnabled());

        c.disconnect->click();
        QVERIFY(!c.cc.IsConnected());
        QVERIFY(c.cc.Reader() == nullptr);
        QCOMPARE(c.disconnectedCount, 1);
        QCOMPARE(c.lamp->FillColor(), ConnectionCenter::LampRed);
        QVERIFY(c.connect->isEnabled());
        QVERIFY(!c.disconnect->isEnabled());
        QCOMPARE(messages.Count(), 0);
    }

    void isConnectedPropertyRunsTheSequences()
    {
        Center c;
        c.Select(QStringLiteral("Back Door"));
        c.cc.SetIsConnected(true);
        QVERIFY(c.cc.IsConnected());
        QCOMPARE(c.connectedCount, 1);
        c.cc.SetIsConnected(true); // already connected: no second channel, no second event
        QCOMPARE(c.connectedCount, 1);
        c.cc.SetIsConnected(false);
        QVERIFY(!c.cc.IsConnected());
        QCOMPARE(c.disconnectedCount, 1);
    }

    void clockThatDoesNotAnswer()
    {
        Center c;
        MessageRecorder messages;
        c.Select(QStringLiteral("Silent"));
        c.connect->click();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().title, QStringLiteral("No Connection Established"));
        QCOMPARE(messages.Last().text, QStringLiteral("A connection to the clock could not be established."));
        QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);
        QVERIFY(!c.cc.IsConnected());
        QCOMPARE(c.connectedCount, 0);
        QCOMPARE(c.lamp->FillColor(), ConnectionCenter::LampRed);
        QVERIFY(c.connect->isEnabled()); // may be tried again
        QVERIFY(!c.disconnect->isEnabled());
    }

    void modemChannelCannotBeReached()
    {
        Center c;
        MessageRecorder messages;
        c.Select(QStringLiteral("Dial Up"));
        c.connect->click();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().title, QStringLiteral("No Connection Established"));
        QVERIFY(!c.cc.IsConnected());
        QCOMPARE(c.connectedCount, 0);
        QVERIFY(zel::ui::CreateChannelForDescription(ClockSite::Get().Clock("Dial Up")->ChannelDescriptionID()) ==
                nullptr);
    }

    void nothingListeningOnThePort()
    {
        Center c;
        MessageRecorder messages;
        c.Select(QStringLiteral("Nobody"));
        c.connect->click();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().text, QStringLiteral("A connection to the clock could not be established."));
        QVERIFY(!c.cc.IsConnected());
    }

    void storedAddressThatIsNotAnAddressIsShownAndLeavesTheControlUsable()
    {
        Center c;
        MessageRecorder messages;
        c.Select(QStringLiteral("Bad Address"));
        c.connect->click();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().text, QStringLiteral("Invalid IP Address or Format"));
        QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);
        QVERIFY(!c.cc.IsConnected());
        QCOMPARE(c.lamp->FillColor(), ConnectionCenter::LampRed);
        QCOMPARE(c.connectedCount, 0);

        // The same control connects to a good clock afterwards.
        c.Select(QStringLiteral("Front Door"));
        c.connect->click();
        QVERIFY(c.cc.IsConnected());
        QCOMPARE(messages.Count(), 1);
    }

    void channelHelperBuildsTheRightKind()
    {
        auto& site = ClockSite::Get();
        auto ethernet = zel::ui::CreateChannelForDescription(site.Clock("Front Door")->ChannelDescriptionID());
        QVERIFY(ethernet != nullptr);
        QVERIFY(!ethernet->IsConnected()); // handed out unconnected
        ethernet->Connect();
        QVERIFY(ethernet->IsConnected());
        QVERIFY(ethernet->GetReader(1) != nullptr);
        ethernet->Disconnect();

        QVERIFY(zel::ui::CreateChannelForDescription(site.Clock("Serial")->ChannelDescriptionID()) != nullptr);
        QVERIFY(zel::ui::CreateChannelForDescription(987654) == nullptr); // no such channel
        try {
            zel::ui::CreateChannelForDescription(site.Clock("Bad Address")->ChannelDescriptionID());
            QFAIL("an invalid stored address must be refused");
        } catch (const zel::Error& error) {
            QCOMPARE(QString::fromStdString(error.Description()), QStringLiteral("Invalid IP Address or Format"));
        }
    }

    void serialChannelThroughThePseudoTerminal()
    {
        Center c;
        MessageRecorder messages;
        c.Select(QStringLiteral("Serial"));
        c.connect->click();
        QCOMPARE(messages.Count(), 0);
        QVERIFY(c.cc.IsConnected());
        QCOMPARE(c.lamp->FillColor(), ConnectionCenter::LampGreen);
        c.disconnect->click();
        QVERIFY(!c.cc.IsConnected());
    }

    void listChangesRefillTheClocksButKeepTheConnection()
    {
        Center c;
        c.Select(QStringLiteral("Front Door"));
        c.connect->click();
        QVERIFY(c.cc.IsConnected());

        auto readers = zel::data::DataSource().GetReaderDescriptionList();
        auto channel = zel::data::DataSource().GetChannelDescriptionList()->Item(std::string("Emulator"));
        auto added = readers->Add(7, "Added Later", channel);
        QVERIFY(c.clocks->findText(QStringLiteral("Added Later")) >= 0);
        // The list keeps naming the connected clock.
        QCOMPARE(c.clocks->currentText(), QStringLiteral("Front Door"));
        QCOMPARE(c.lamp->toolTip(), QStringLiteral("Connected to Front Door"));
        QVERIFY(c.cc.IsConnected());

        c.Select(QStringLiteral("Added Later"));
        added->SetName("Renamed Later");
        readers->Save();
        QVERIFY(c.clocks->findText(QStringLiteral("Renamed Later")) >= 0);
        QCOMPARE(c.clocks->findText(QStringLiteral("Added Later")), -1);
        QCOMPARE(c.clocks->currentText(), QStringLiteral("Front Door"));
        QVERIFY(!c.connect->isEnabled()); // connected already

        readers->Remove("Renamed Later");
        readers->Save();
        QCOMPARE(c.clocks->findText(QStringLiteral("Renamed Later")), -1);
        QVERIFY(c.cc.IsConnected());
        QCOMPARE(c.disconnectedCount, 0);
        c.disconnect->click();
        QCOMPARE(c.lamp->toolTip(), QStringLiteral("Not connected"));
        c.cc.Initialize(); // disconnected: a refill chooses no clock
        QCOMPARE(c.clocks->currentIndex(), -1);
    }

    void captionMovesTheClockList()
    {
        Center c;
        auto* label = c.cc.findChild<QLabel*>(QStringLiteral("lblClocks"));
        QCOMPARE(c.cc.Text(), QStringLiteral("Clocks:"));
        c.cc.SetText(QStringLiteral("Readers of the whole site:"));
        QCOMPARE(label->text(), QStringLiteral("Readers of the whole site:"));
        QCOMPARE(c.clocks->x(), label->x() + label->width() + zel::ui::TwipsToPixels(50));
        QCOMPARE(c.clocks->x() + c.clocks->width(), c.connect->x() - zel::ui::TwipsToPixels(100));

        // The buttons follow the right edge; the list stretches up to them.
        const int growth = 200;
        c.cc.show(); // a hidden widget gets its resize events only when shown
        const int connectX = c.connect->x();
        c.cc.resize(c.cc.width() + growth, c.cc.height());
        QCOMPARE(c.connect->x(), connectX + growth);
        QCOMPARE(c.clocks->x() + c.clocks->width(), c.connect->x() - zel::ui::TwipsToPixels(100));
        QCOMPARE(c.cc.height(), zel::ui::TwipsToPixels(1000));
    }
};

ZEL_REGISTER_CLOCKPAGE_TEST(ConnectionCenterTest);

#include "ConnectionCenterTest.moc"
