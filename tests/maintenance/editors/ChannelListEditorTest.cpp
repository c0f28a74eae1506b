#include "EditorHarness.h"

#include "editors/ChannelDetailUI.h"
#include "editors/ChannelListEditor.h"
#include "editors/ChannelListUI.h"
#include "editors/EditCommandBar.h"

#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/MdmChnlDescription.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace zel::ui::test {

class ChannelListEditorTest : public QObject {
    Q_OBJECT

    EditorHarness<ChannelListEditor> mHarness;
    ChannelListEditor* mEditor = nullptr;
    MessageRecorder* mMessages = nullptr;

    EditCommandBar* Bar() { return mHarness.Bar(); }
    ChannelDetailUI* Detail() { return mEditor->DetailUI(); }
    ChannelListUI* List() { return mEditor->ListUI(); }
    QWidget* Editor(const char* name) { return Detail()->findChild<QWidget*>(QString::fromLatin1(name)); }
    QComboBox* KindBox() { return Detail()->findChild<QComboBox*>(QStringLiteral("cboAddNewType")); }

    void StartAdding(const QString& kind)
    {
        Press(Bar(), "cmdAdd");
        ChooseText(Detail(), "cboAddNewType", kind);
    }

    void AddEthernet(const QString& name, const QString& address, const QString& port)
    {
        StartAdding(QStringLiteral("Ethernet"));
        QWidget* ethernet = Editor("EthChnlDetailUI1");
        SetText(ethernet, "txtName", name);
        SetText(ethernet, "txtIPAddress", address);
        SetText(ethernet, "txtIPPort", port);
        Press(Bar(), "cmdSave");
        Settle();
    }

    void AddModem(const QString& name, const QString& phone, const QString& port, const QString& rate)
    {
        StartAdding(QStringLiteral("Modem"));
        QWidget* modem = Editor("MdmChnlDetailUI1");
        SetText(modem, "txtName", name);
        SetText(modem, "txtPhoneNumber", phone);
        ChooseText(modem, "cboComPort", port);
        ChooseText(modem, "cboBitRate", rate);
        Press(Bar(), "cmdSave");
        Settle();
    }

private slots:
    void init()
    {
        mHarness.Start([](ChannelListEditor& editor) { editor.SetChannelList(TestSite::Instance().Channels()); });
        mEditor = mHarness.Editor();
        mMessages = &mHarness.Messages();
    }
    void cleanup() { mHarness.Stop(); }

    // --- the kind selector ----------------------------------------------------------------

    void theKindSelectorIsOfferedOnlyWhileAdding()
    {
        QVERIFY(!KindBox()->isVisible());
        QVERIFY(Editor("DirChnlDetailUI1")->isVisible()); // direct serial first
        Press(Bar(), "cmdAdd");
        QVERIFY(KindBox()->isVisible());
        QCOMPARE(KindBox()->currentIndex(), -1);
        QStringList kinds;
        for (int i = 0; i < KindBox()->count(); ++i)
            kinds << KindBox()->itemText(i);
        QCOMPARE(kinds,
                 (QStringList{QStringLiteral("Ethernet"), QStringLiteral("Direct Serial"), QStringLiteral("Modem")}));
        ChooseText(Detail(), "cboAddNewType", QStringLiteral("Ethernet"));
        QVERIFY(Editor("EthChnlDetailUI1")->isVisible());
        QVERIFY(!Editor("DirChnlDetailUI1")->isVisible());
        QVERIFY(Editor("EthChnlDetailUI1")->findChild<QLineEdit*>(QStringLiteral("txtIPPort"))->isEnabled());
        ChooseText(Detail(), "cboAddNewType", QStringLiteral("Modem"));
        QVERIFY(Editor("MdmChnlDetailUI1")->isVisible());
        QCOMPARE(Detail()->ChannelType(), 0);
        Press(Bar(), "cmdCancel");
        QVERIFY(!KindBox()->isVisible());
    }

    void aSelectedChannelShowsTheEditorOfItsKind()
    {
        AddModem(QStringLiteral("Site B"), QStringLiteral("555 0142"), QStringLiteral("Com 2"), QStringLiteral("9600"));
        AddEthernet(QStringLiteral("Office"), QStringLiteral("10.0.0.7"), QStringLiteral("3001"));
        mHarness.Select(QStringLiteral("Site B"));
        QVERIFY(Editor("MdmChnlDetailUI1")->isVisible());
        QCOMPARE(Text(Editor("MdmChnlDetailUI1"), "txtPhoneNumber"), QStringLiteral("555 0142"));
        QCOMPARE(Text(Editor("MdmChnlDetailUI1"), "cboComPort"), QStringLiteral("Com 2"));
        QCOMPARE(Text(Editor("MdmChnlDetailUI1"), "cboBitRate"), QStringLiteral("9600"));
        mHarness.Select(QStringLiteral("Office"));
        QVERIFY(Editor("EthChnlDetailUI1")->isVisible());
        QCOMPARE(Text(Editor("EthChnlDetailUI1"), "txtIPPort"), QStringLiteral("3001"));
        QCOMPARE(QString::fromStdString(TestSite::Instance().StoredChannels().at(0)),
                 QStringLiteral("{Name: Site B, Type: Modem, Phone Number: 555 0142, ComPort: 2, Bit Rate: 9600}"));
    }

    // --- validation -----------------------------------------------------------------------

    void ethernetFieldsAreChecked_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::newRow("no address") << ""
                                    << "0"
                                    << "No IP Address"
                                    << "The IP Address cannot be empty.";
        QTest::newRow("port 0") << "10.0.0.7"
                                << "0"
                                << "Invalid IP Port"
                                << "The IP Port must be between 1 and 65535.";
        QTest::newRow("port 65536") << "10.0.0.7"
                                    << "65536"
                                    << "Invalid IP Port"
                                    << "The IP Port must be between 1 and 65535.";
        QTest::newRow("empty port") << "10.0.0.7"
                                    << ""
                                    << "Invalid IP Port"
                                    << "The IP Port must be a whole number between 1 and 65535.";
        QTest::newRow("letters") << "10.0.0.7"
                                 << "http"
                                 << "Invalid IP Port"
                                 << "The IP Port must be a whole number between 1 and 65535.";
    }
    void ethernetFieldsAreChecked()
    {
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QString, title);
        QFETCH(QString, message);
        AddEthernet(QStringLiteral("Office"), address, port);
        QCOMPARE(mMessages->Count(), 1);
        QCOMPARE(mMessages->Last().text, message);
        QCOMPARE(mMessages->Last().title, title);
        QCOMPARE(mMessages->Last().icon, MsgIcon::Exclamation);
        QCOMPARE(mEditor->EditMode(), EditModeAdd);
        QCOMPARE(TestSite::Instance().Channels()->Count(), 0);
    }

    void port65535IsStored()
    {
        AddEthernet(QStringLiteral("Office"), QStringLiteral("10.0.0.7"), QStringLiteral("65535"));
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(QString::fromStdString(TestSite::Instance().StoredChannels().at(0)),
                 QStringLiteral("{Name: Office, Type: Ethernet, IP Address: 10.0.0.7, IP Port: 65535}"));
        // After adding no line is selected and the disabled fields keep the saved values.
        QCOMPARE(List()->ListIndex(), -1);
        QCOMPARE(Text(Editor("EthChnlDetailUI1"), "txtIPAddress"), QStringLiteral("10.0.0.7"));
        QVERIFY(!Editor("EthChnlDetailUI1")->findChild<QLineEdit*>(QStringLiteral("txtIPAddress"))->isEnabled());
    }

    void anEmptyNameOrPhoneIsRefusedSilently()
    {
        AddModem(QString(), QStringLiteral("555"), QStringLiteral("Com 1"), QStringLiteral("300"));
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(mEditor->EditMode(), EditModeAdd);
        Press(Bar(), "cmdCancel");
        AddModem(QStringLiteral("Site B"), QString(), QStringLiteral("Com 1"), QStringLiteral("300"));
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(mEditor->EditMode(), EditModeAdd);
        QCOMPARE(TestSite::Instance().Channels()->Count(), 0);
    }

    void namesMustStayUniqueAcrossKinds()
    {
        AddEthernet(QStringLiteral("Office"), QStringLiteral("10.0.0.7"), QStringLiteral("3001"));
        StartAdding(QStringLiteral("Direct Serial"));
        SetText(Editor("DirChnlDetailUI1"), "txtName", QStringLiteral("OFFICE"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 1);
        QCOMPARE(mMessages->Last().text, QStringLiteral("A Channel with that name already exists."));
        QCOMPARE(mMessages->Last().title, QStringLiteral("Channel Name Already Exists"));
        QCOMPARE(mEditor->EditMode(), EditModeAdd);
        Press(Bar(), "cmdCancel");
        mMessages->Clear();
        mHarness.Select(QStringLiteral("Office"));
        Press(Bar(), "cmdEdit");
        QVERIFY(!KindBox()->isVisible()); // the kind is fixed
        SetText(Editor("EthChnlDetailUI1"), "txtIPPort", QStringLiteral("3002"));
        Press(Bar(), "cmdSave"); // its own name: no duplicate test
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(TestSite::Instance().Channels()->Item("Office")->ToString(),
                 std::string("{Name: Office, Type: Ethernet, IP Address: 10.0.0.7, IP Port: 3002}"));
    }

    // --- storing --------------------------------------------------------------------------

    void aBitRateTheBoxDoesNotOfferIsReportedAndNothingChanges()
    {
        auto channels = TestSite::Instance().Channels();
        auto line =
            std::dynamic_pointer_cast<zel::data::DirChnlDescription>(channels->Add(zel::data::DirectChannel, "Line 1"));
        line->SetBitRate(2400);
        channels->Save();
        Settle();
        mHarness.Select(QStringLiteral("Line 1"));
        QCOMPARE(Editor("DirChnlDetailUI1")->findChild<QComboBox*>(QStringLiteral("cboBitRate"))->currentIndex(), -1);
        Press(Bar(), "cmdEdit");
        SetText(Editor("DirChnlDetailUI1"), "txtName", QStringLiteral("Line 2"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 1);
        QCOMPARE(mMessages->Last().text, QStringLiteral("Invalid bit rate."));
        QCOMPARE(mEditor->EditMode(), EditModeEdit);
        QCOMPARE(line->Name(), std::string("Line 1")); // the rename was taken back
        QCOMPARE(line->BitRate(), 2400);
        QCOMPARE(QString::fromStdString(TestSite::Instance().StoredChannels().at(0)),
                 QStringLiteral("{Name: Line 1, Type: Direct, ComPort: 1, Bit Rate: 2400}"));
        ChooseText(Editor("DirChnlDetailUI1"), "cboBitRate", QStringLiteral("19200"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mEditor->EditMode(), EditModeNone);
        QCOMPARE(QString::fromStdString(TestSite::Instance().StoredChannels().at(0)),
                 QStringLiteral("{Name: Line 2, Type: Direct, ComPort: 1, Bit Rate: 19200}"));
    }

    void cancelShowsTheSelectedChannelAgain()
    {
        AddEthernet(QStringLiteral("Office"), QStringLiteral("10.0.0.7"), QStringLiteral("3001"));
        mHarness.Select(QStringLiteral("Office"));
        Press(Bar(), "cmdEdit");
        SetText(Editor("EthChnlDetailUI1"), "txtIPAddress", QStringLiteral("typed"));
        Press(Bar(), "cmdCancel");
        QCOMPARE(Text(Editor("EthChnlDetailUI1"), "txtIPAddress"), QStringLiteral("10.0.0.7"));
        QCOMPARE(mEditor->EditMode(), EditModeNone);
    }

    void cancelAfterAddShowsTheSelectedChannelAgain()
    {
        AddEthernet(QStringLiteral("Office"), QStringLiteral("10.0.0.7"), QStringLiteral("3001"));
        mHarness.Select(QStringLiteral("Office"));
        StartAdding(QStringLiteral("Modem"));
        SetText(Editor("MdmChnlDetailUI1"), "txtName", QStringLiteral("Typed"));
        Press(Bar(), "cmdCancel");
        QCOMPARE(List()->ListIndex(), LineOf(List(), QStringLiteral("Office")));
        QVERIFY(Editor("EthChnlDetailUI1")->isVisible());
        QCOMPARE(Text(Editor("EthChnlDetailUI1"), "txtName"), QStringLiteral("Office"));
        Press(Bar(), "cmdRemove");
        QCOMPARE(mMessages->Count(), 0);
        QVERIFY(TestSite::Instance().StoredChannels().empty());
    }

    void aListChangeElsewhereKeepsWhatWasTyped()
    {
        auto channels = TestSite::Instance().Channels();
        AddEthernet(QStringLiteral("Office"), QStringLiteral("10.0.0.7"), QStringLiteral("3001"));
        mHarness.Select(QStringLiteral("Office"));
        Press(Bar(), "cmdEdit");
        SetText(Editor("EthChnlDetailUI1"), "txtIPAddress", QStringLiteral("10.0.0.8"));
        // Another page changes this channel and adds one meanwhile.
        std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channels->Item("Office"))->SetIPPort(3005);
        channels->Add(zel::data::DirectChannel, "Line 9");
        channels->Save();
        Settle();
        QCOMPARE(Text(Editor("EthChnlDetailUI1"), "txtIPAddress"), QStringLiteral("10.0.0.8"));
        QCOMPARE(Text(Editor("EthChnlDetailUI1"), "txtIPPort"), QStringLiteral("3001"));
        // Cancel shows the stored channel again, on its line (the refill had taken the selection).
        Press(Bar(), "cmdCancel");
        QCOMPARE(Text(Editor("EthChnlDetailUI1"), "txtIPAddress"), QStringLiteral("10.0.0.7"));
        QCOMPARE(Text(Editor("EthChnlDetailUI1"), "txtIPPort"), QStringLiteral("3005"));
        QCOMPARE(List()->ListIndex(), LineOf(List(), QStringLiteral("Office")));
    }

    void savingAChannelRemovedMeanwhileSaysSo()
    {
        auto channels = TestSite::Instance().Channels();
        AddEthernet(QStringLiteral("Office"), QStringLiteral("10.0.0.7"), QStringLiteral("3001"));
        mHarness.Select(QStringLiteral("Office"));
        Press(Bar(), "cmdEdit");
        SetText(Editor("EthChnlDetailUI1"), "txtIPAddress", QStringLiteral("10.0.0.8"));
        channels->Remove("Office");
        channels->Save();
        Settle();
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 1);
        QCOMPARE(mMessages->Last().title, QStringLiteral("Channel No Longer Exists"));
        QCOMPARE(mMessages->Last().icon, MsgIcon::Exclamation);
        QCOMPARE(mEditor->EditMode(), EditModeEdit);
        QCOMPARE(Text(Editor("EthChnlDetailUI1"), "txtIPAddress"), QStringLiteral("10.0.0.8"));
        QVERIFY(TestSite::Instance().StoredChannels().empty());
    }

    void removingWorksForEveryKind()
    {
        AddEthernet(QStringLiteral("Office"), QStringLiteral("10.0.0.7"), QStringLiteral("3001"));
        AddModem(QStringLiteral("Site B"), QStringLiteral("555"), QStringLiteral("Com 1"), QStringLiteral("300"));
        StartAdding(QStringLiteral("Direct Serial"));
        SetText(Editor("DirChnlDetailUI1"), "txtName", QStringLiteral("Line 1"));
        Press(Bar(), "cmdSave");
        Settle();
        QCOMPARE(TestSite::Instance().StoredChannels().size(), std::size_t(3));
        for (const auto& name : {QStringLiteral("Site B"), QStringLiteral("Line 1"), QStringLiteral("Office")}) {
            mHarness.Select(name);
            Press(Bar(), "cmdRemove");
            Settle();
        }
        QCOMPARE(mMessages->Count(), 0);
        QVERIFY(TestSite::Instance().StoredChannels().empty());
        QCOMPARE(List()->ListCount(), 0);
    }

    // A channel that clocks use is removed only after a question that names them; No keeps it.
    void removingAChannelInUseAsksFirst()
    {
        AddEthernet(QStringLiteral("Office"), QStringLiteral("10.0.0.7"), QStringLiteral("3001"));
        auto channel = TestSite::Instance().Channels()->Item(std::string("Office"));
        auto clocks = TestSite::Instance().Clocks();
        clocks->Add(1, "Front", channel);
        clocks->Add(2, "Back", channel);
        clocks->Save();
        Settle();
        mHarness.Select(QStringLiteral("Office"));
        mMessages->QueueAnswer(MsgResult::No);
        Press(Bar(), "cmdRemove");
        Settle();
        QCOMPARE(mMessages->Count(), 1);
        QCOMPARE(mMessages->Last().title, QStringLiteral("Channel In Use"));
        QVERIFY2(mMessages->Last().text.startsWith(
                     QStringLiteral("2 clocks are reached through the channel \"Office\": Front, Back.")),
                 qPrintable(mMessages->Last().text));
        QCOMPARE(mMessages->Last().buttons, MsgButtons::YesNo);
        QCOMPARE(mMessages->Last().defaultButton, MsgResult::No);
        QCOMPARE(TestSite::Instance().StoredChannels().size(), std::size_t(1));

        mHarness.Select(QStringLiteral("Office"));
        mMessages->QueueAnswer(MsgResult::Yes);
        Press(Bar(), "cmdRemove");
        Settle();
        QCOMPARE(mMessages->Count(), 2);
        QVERIFY(TestSite::Instance().StoredChannels().empty());
    }
};

ZEL_EDITOR_TEST(ChannelListEditorTest);

} // namespace zel::ui::test

#include "ChannelListEditorTest.moc"
