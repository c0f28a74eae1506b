#include "EditorHarness.h"

#include "editors/EditCommandBar.h"
#include "editors/ReaderDetailUI.h"
#include "editors/ReaderListEditor.h"
#include "editors/ReaderListUI.h"

#include <QComboBox>
#include <QCompleter>
#include <QTest>

namespace zel::ui::test {

class ReaderListEditorTest : public QObject {
    Q_OBJECT

    EditorHarness<ReaderListEditor> mHarness;
    ReaderListEditor* mEditor = nullptr;
    MessageRecorder* mMessages = nullptr;

    EditCommandBar* Bar() { return mHarness.Bar(); }
    ReaderDetailUI* Detail() { return mEditor->DetailUI(); }
    ReaderListUI* List() { return mEditor->ListUI(); }
    QComboBox* ChannelBox() { return Detail()->findChild<QComboBox*>(QStringLiteral("cboChannels")); }

    void Type(const QString& name, const QString& readerID, const QString& channel, const QString& location = {})
    {
        SetText(Detail(), "txtName", name);
        SetText(Detail(), "txtReaderID", readerID);
        if (channel.isEmpty())
            ChannelBox()->setCurrentIndex(-1);
        else
            ChooseText(Detail(), "cboChannels", channel);
        SetText(Detail(), "txtLocation", location);
    }

    void AddClock(const QString& name, const QString& readerID, const QString& channel, const QString& location = {})
    {
        Press(Bar(), "cmdAdd");
        Type(name, readerID, channel, location);
        Press(Bar(), "cmdSave");
        Settle();
    }

private slots:
    void init()
    {
        mHarness.Start([](ReaderListEditor& editor) {
            auto channels = TestSite::Instance().Channels();
            channels->Add(zel::data::DirectChannel, "Line 1");
            channels->Add(zel::data::EthernetChannel, "Office");
            editor.SetReaderList(TestSite::Instance().Clocks());
        });
        mEditor = mHarness.Editor();
        mMessages = &mHarness.Messages();
    }
    void cleanup() { mHarness.Stop(); }

    void validationRunsInItsOrder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("readerID");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QString>("message");
        QTest::newRow("256 before the empty name") << ""
                                                   << "256"
                                                   << ""
                                                   << "Reader ID must be between 0 and 255.";
        QTest::newRow("-1") << "Gate"
                            << "-1"
                            << "Line 1"
                            << "Reader ID must be between 0 and 255.";
        QTest::newRow("fraction above the range") << "Gate"
                                                  << "255.5"
                                                  << "Line 1"
                                                  << "Reader ID must be between 0 and 255.";
        QTest::newRow("empty ID") << "Gate"
                                  << ""
                                  << "Line 1"
                                  << "Reader ID must be a whole number between 0 and 255.";
        QTest::newRow("letters") << "Gate"
                                 << "abc"
                                 << "Line 1"
                                 << "Reader ID must be a whole number between 0 and 255.";
        QTest::newRow("fraction") << "Gate"
                                  << "2.5"
                                  << "Line 1"
                                  << "Reader ID must be a whole number between 0 and 255.";
        QTest::newRow("empty name") << ""
                                    << "5"
                                    << ""
                                    << "Reader name must be between 1 and 20 characters.";
        QTest::newRow("21 characters") << QString(21, QLatin1Char('g')) << "5"
                                       << "Line 1"
                                       << "Reader name must be between 1 and 20 characters.";
        QTest::newRow("no channel") << "Gate"
                                    << "5"
                                    << ""
                                    << "A Channel must be selected.";
    }
    void validationRunsInItsOrder()
    {
        QFETCH(QString, name);
        QFETCH(QString, readerID);
        QFETCH(QString, channel);
        QFETCH(QString, message);
        AddClock(name, readerID, channel);
        QCOMPARE(mHarness.TakeMessage(), message);
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(mEditor->EditMode(), EditModeAdd);
        QCOMPARE(Text(Detail(), "txtReaderID"), readerID);
        QCOMPARE(TestSite::Instance().Clocks()->Count(), 0);
    }

    void clockIDsUpTo255AreStoredAndMayRepeat()
    {
        AddClock(QStringLiteral("Gate 1"), QStringLiteral("255"), QStringLiteral("Line 1"), QStringLiteral("Dock"));
        AddClock(QStringLiteral("Gate 2"), QStringLiteral(" 255 "), QStringLiteral("Office"));
        QCOMPARE(mMessages->Count(), 0);
        const auto stored = TestSite::Instance().StoredClocks();
        QCOMPARE(stored.size(), std::size_t(2));
        QCOMPARE(QString::fromStdString(stored[0]), QStringLiteral("{Name: Gate 1, ReaderID: 255, Location: Dock}"));
        const auto office = TestSite::Instance().Channels()->Item("Office");
        QCOMPARE(TestSite::Instance().Clocks()->Item("Gate 2")->ChannelDescriptionID(), office->DatabaseID());
        // After adding, the disabled fields keep the saved values until another line is clicked.
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("Gate 2"));
        QCOMPARE(List()->ListIndex(), -1);
    }

    void theChannelBoxFollowsTheChannelList()
    {
        QCOMPARE(ChannelBox()->count(), 2);
        TestSite::Instance().Channels()->Add(zel::data::ModemChannel, "Remote");
        Settle();
        QCOMPARE(ChannelBox()->count(), 3);
        QCOMPARE(ChannelBox()->itemText(2), QStringLiteral("Remote"));
    }

    void aClockWhoseChannelIsGoneCannotBeSavedAsItIs()
    {
        AddClock(QStringLiteral("Gate"), QStringLiteral("5"), QStringLiteral("Office"));
        auto channels = TestSite::Instance().Channels();
        channels->Remove("Office");
        channels->Save();
        Settle();
        mHarness.Select(QStringLiteral("Gate"));
        QCOMPARE(ChannelBox()->currentIndex(), -1);
        Press(Bar(), "cmdEdit");
        Press(Bar(), "cmdSave");
        QCOMPARE(mHarness.TakeMessage(), QStringLiteral("A Channel must be selected."));
        ChooseText(Detail(), "cboChannels", QStringLiteral("Line 1"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mEditor->EditMode(), EditModeNone);
    }

    void theTimeZoneIsSearchedInTheDatabaseAndAnUnknownOneIsRefused()
    {
        AddClock(QStringLiteral("Gate"), QStringLiteral("1"), QStringLiteral("Line 1"));
        auto* zones = Detail()->findChild<QComboBox*>(QStringLiteral("cboTimeZone"));
        QVERIFY(zones && zones->completer());
        QCOMPARE(zones->completer()->objectName(), QStringLiteral("cmpTimeZone"));
        zones->completer()->setCompletionPrefix(QStringLiteral("chicago")); // a part, any letter case
        QCOMPARE(zones->completer()->currentCompletion(), QStringLiteral("America/Chicago"));

        mHarness.Select(QStringLiteral("Gate"));
        Press(Bar(), "cmdEdit");
        SetText(Detail(), "txtTimeZone", QStringLiteral("Mars/Olympus_Mons"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Last().title, QStringLiteral("Unknown Time Zone"));
        QVERIFY(mHarness.TakeMessage().startsWith(
            QStringLiteral("The time zone 'Mars/Olympus_Mons' is not in this machine's time zone database")));
        QCOMPARE(mEditor->EditMode(), EditModeEdit);
        QCOMPARE(TestSite::Instance().Clocks()->Item("Gate")->TimeZone(), std::string());

        SetText(Detail(), "txtTimeZone", QStringLiteral(" America/Chicago "));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(TestSite::Instance().Clocks()->Item("Gate")->TimeZone(), std::string("America/Chicago"));
        Settle();
        QCOMPARE(Text(Detail(), "txtTimeZone"), QStringLiteral("America/Chicago"));
    }

    void namesMustStayUnique()
    {
        AddClock(QStringLiteral("Gate 1"), QStringLiteral("1"), QStringLiteral("Line 1"));
        AddClock(QStringLiteral("gate 1"), QStringLiteral("2"), QStringLiteral("Line 1"));
        QCOMPARE(mMessages->Last().title, QStringLiteral("Clock Name Already Exists"));
        QCOMPARE(mMessages->Last().icon, MsgIcon::Exclamation);
        QCOMPARE(mHarness.TakeMessage(), QStringLiteral("A clock with that name already exists."));
        Press(Bar(), "cmdCancel");
        AddClock(QStringLiteral("Gate 2"), QStringLiteral("2"), QStringLiteral("Line 1"));
        mHarness.Select(QStringLiteral("Gate 2"));
        Press(Bar(), "cmdEdit");
        SetText(Detail(), "txtName", QStringLiteral("Gate 1"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mHarness.TakeMessage(), QStringLiteral("A clock with that name already exists."));
        QCOMPARE(mEditor->EditMode(), EditModeEdit);
        SetText(Detail(), "txtName", QStringLiteral("Gate 2")); // its own name
        SetText(Detail(), "txtLocation", QStringLiteral("Hall"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(QString::fromStdString(TestSite::Instance().StoredClocks().at(1)),
                 QStringLiteral("{Name: Gate 2, ReaderID: 2, Location: Hall}"));
    }

    void cancellingAnAddShowsTheSelectedLineAgain()
    {
        AddClock(QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("Line 1"), QStringLiteral("Dock"));
        AddClock(QStringLiteral("B"), QStringLiteral("2"), QStringLiteral("Office"));
        mHarness.Select(QStringLiteral("A"));
        Press(Bar(), "cmdAdd");
        QCOMPARE(Text(Detail(), "txtName"), QString());
        Type(QStringLiteral("Typed"), QStringLiteral("9"), QStringLiteral("Office"));
        Press(Bar(), "cmdCancel");
        QCOMPARE(List()->ListIndex(), LineOf(List(), QStringLiteral("A")));
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("A"));
        QCOMPARE(Text(Detail(), "txtReaderID"), QStringLiteral("1"));
        QCOMPARE(ChannelBox()->currentText(), QStringLiteral("Line 1"));
        QCOMPARE(Text(Detail(), "txtLocation"), QStringLiteral("Dock"));

        // Edit and Save act on the clock shown.
        Press(Bar(), "cmdEdit");
        QCOMPARE(mEditor->EditMode(), EditModeEdit);
        SetText(Detail(), "txtLocation", QStringLiteral("Hall"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(QString::fromStdString(TestSite::Instance().StoredClocks().at(0)),
                 QStringLiteral("{Name: A, ReaderID: 1, Location: Hall}"));

        // Remove takes the clock shown.
        Settle();
        mHarness.Select(QStringLiteral("B"));
        Press(Bar(), "cmdAdd");
        Press(Bar(), "cmdCancel");
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("B"));
        Press(Bar(), "cmdRemove");
        const auto stored = TestSite::Instance().StoredClocks();
        QCOMPARE(stored.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(stored[0]).startsWith(QStringLiteral("{Name: A,")));
    }

    void aListChangeElsewhereKeepsWhatWasTyped()
    {
        auto clocks = TestSite::Instance().Clocks();
        AddClock(QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("Line 1"));
        mHarness.Select(QStringLiteral("A"));
        Press(Bar(), "cmdEdit");
        Type(QStringLiteral("A2"), QStringLiteral("7"), QStringLiteral("Office"), QStringLiteral("Typed"));
        // Another page changes this clock and adds one meanwhile.
        clocks->Item("A")->SetLocation("Elsewhere");
        clocks->Add(3, "Other", TestSite::Instance().Channels()->Item("Line 1"));
        clocks->Save();
        Settle();
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("A2"));
        QCOMPARE(Text(Detail(), "txtReaderID"), QStringLiteral("7"));
        QCOMPARE(ChannelBox()->currentText(), QStringLiteral("Office"));
        QCOMPARE(Text(Detail(), "txtLocation"), QStringLiteral("Typed"));
        Press(Bar(), "cmdCancel");
        QCOMPARE(Text(Detail(), "txtLocation"), QStringLiteral("Elsewhere")); // the stored clock again
        QCOMPARE(List()->ListIndex(), LineOf(List(), QStringLiteral("A")));

        Press(Bar(), "cmdAdd");
        Type(QStringLiteral("New"), QStringLiteral("4"), QStringLiteral("Line 1"), QStringLiteral("Gate"));
        clocks->Add(5, "Imported", TestSite::Instance().Channels()->Item("Line 1"));
        clocks->Save();
        Settle();
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("New"));
        QCOMPARE(Text(Detail(), "txtLocation"), QStringLiteral("Gate"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 0);
        QVERIFY(clocks->Contains("New"));
    }

    void savingAClockRemovedMeanwhileSaysSo()
    {
        auto clocks = TestSite::Instance().Clocks();
        AddClock(QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("Line 1"));
        mHarness.Select(QStringLiteral("A"));
        Press(Bar(), "cmdEdit");
        SetText(Detail(), "txtLocation", QStringLiteral("Typed"));
        clocks->Remove("A");
        clocks->Save();
        Settle();
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 1);
        QCOMPARE(mMessages->Last().title, QStringLiteral("Clock No Longer Exists"));
        QVERIFY(mMessages->Last().text.contains(QStringLiteral("clock you are editing was removed")));
        mMessages->Clear();
        QCOMPARE(mEditor->EditMode(), EditModeEdit);
        QCOMPARE(Text(Detail(), "txtLocation"), QStringLiteral("Typed"));
        QVERIFY(TestSite::Instance().StoredClocks().empty());
        Press(Bar(), "cmdCancel");
        QCOMPARE(Text(Detail(), "txtName"), QString());
        Press(Bar(), "cmdRemove");
        QCOMPARE(mHarness.TakeMessage(), QStringLiteral("Please select an item from the list."));
    }

    void removingTakesExactlyTheSelectedClock()
    {
        AddClock(QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("Line 1"));
        AddClock(QStringLiteral("B"), QStringLiteral("1"), QStringLiteral("Line 1"));
        AddClock(QStringLiteral("C"), QStringLiteral("1"), QStringLiteral("Line 1"));
        mHarness.Select(QStringLiteral("B"));
        Press(Bar(), "cmdRemove");
        QCOMPARE(Text(Detail(), "txtName"), QString());
        const auto stored = TestSite::Instance().StoredClocks();
        QCOMPARE(stored.size(), std::size_t(2));
        QVERIFY(QString::fromStdString(stored[0]).startsWith(QStringLiteral("{Name: A,")));
        QVERIFY(QString::fromStdString(stored[1]).startsWith(QStringLiteral("{Name: C,")));
    }
};

ZEL_EDITOR_TEST(ReaderListEditorTest);

} // namespace zel::ui::test

#include "ReaderListEditorTest.moc"
