#include "ClockSite.h"
#include "MachineZone.h"
#include "MessageRecorder.h"

#include "pages/ConnectionCenter.h"
#include "pages/ReaderMenuFile.h"
#include "pages/ReaderSetup.h"

#include "zel/DateTime.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/support/ClockZone.h"
#include "zel/support/DayLightSavingsDates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>

#include <cstdlib>

using zel::ui::ConnectionCenter;
using zel::ui::MsgIcon;
using zel::ui::ReaderMenuFile;
using zel::ui::ReaderSetup;
using zel::ui::test::ClockSite;
using zel::ui::test::ConnectTo;
using zel::ui::test::DisconnectFrom;
using zel::ui::test::MessageRecorder;
using zel::ui::test::OpenWaitWindows;

namespace {

constexpr int OptionsByte = 117;
constexpr int FormatByte = 140;
constexpr int DstStartDayByte = 129;

// The Clock Setup tab bound to a connection center of its own.
struct SetupPage {
    ConnectionCenter cc;
    ReaderSetup setup;

    SetupPage()
    {
        cc.Initialize();
        setup.Initialize(&cc);
    }

    template <typename T> T* Find(const char* name) { return setup.findChild<T*>(QString::fromLatin1(name)); }
};

QString WriteFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QByteArray Pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(1 + i % 251); // never zero, so padding is told apart
    return bytes;
}

QByteArray MenuOf(int readerId)
{
    const auto menu = ClockSite::Get().Server().Clock(static_cast<std::uint8_t>(readerId)).MenuProgram();
    return QByteArray(reinterpret_cast<const char*>(menu.data()), static_cast<int>(menu.size()));
}

} // namespace

class ReaderSetupTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClockSite::Get().ResetEmulator(); }

    void panelsAreDisabledWithoutAClock()
    {
        SetupPage page;
        for (const char* name : {"cmdSetCurrentTime", "cmdSendTime", "cmdSendSettings", "cmdSendMenuFile"})
            QVERIFY2(!page.Find<QPushButton>(name)->isEnabled(), name);
        QVERIFY(!page.Find<QComboBox>("cboTimeFormat")->isEnabled());
        QVERIFY(!page.Find<QCheckBox>("chkUseTandA")->isEnabled());
        QVERIFY(page.Find<QPushButton>("cmdMenuFileBrowse")->isEnabled()); // browsing needs no clock
        QCOMPARE(page.Find<QComboBox>("cboTimeFormat")->itemText(0), QStringLiteral("24 Hour"));
        QCOMPARE(page.Find<QComboBox>("cboTimeFormat")->itemText(1), QStringLiteral("12 Hour"));
    }

    void connectReadsTheClockTimeAndSettings()
    {
        auto& clock = ClockSite::Get().Server().Clock(1);
        clock.SetTime(zel::DateTime(2004, 3, 15, 14, 5, 9));
        auto setup = clock.Setup();
        setup[OptionsByte] = 0x03; // time and attendance, department tracking
        setup[FormatByte] = 1;     // 12-hour
        clock.SetSetup(setup);

        SetupPage page;
        ConnectTo(page.cc, QStringLiteral("Front Door"));
        QVERIFY(page.cc.IsConnected());
        QCOMPARE(page.Find<QDateEdit>("dtpReaderDate")->date(), QDate(2004, 3, 15));
        QCOMPARE(page.Find<QTimeEdit>("dtpReaderTime")->time(), QTime(14, 5, 9));
        QVERIFY(page.Find<QCheckBox>("chkUseTandA")->isChecked());
        QVERIFY(page.Find<QCheckBox>("chkTrackDepartments")->isChecked());
        QVERIFY(!page.Find<QCheckBox>("chkUseDayLightSavings")->isChecked());
        QCOMPARE(page.Find<QComboBox>("cboTimeFormat")->currentIndex(), 1);
        for (const char* name : {"cmdSetCurrentTime", "cmdSendTime", "cmdSendSettings", "cmdSendMenuFile"})
            QVERIFY2(page.Find<QPushButton>(name)->isEnabled(), name);

        // After a disconnect the values stay, the commands go.
        DisconnectFrom(page.cc);
        QCOMPARE(page.Find<QDateEdit>("dtpReaderDate")->date(), QDate(2004, 3, 15));
        QVERIFY(page.Find<QCheckBox>("chkUseTandA")->isChecked());
        for (const char* name : {"cmdSetCurrentTime", "cmdSendTime", "cmdSendSettings", "cmdSendMenuFile"})
            QVERIFY2(!page.Find<QPushButton>(name)->isEnabled(), name);
        QVERIFY(!page.Find<QCheckBox>("chkUseTandA")->isEnabled());
    }

    void sendTimeSetsTheClock()
    {
        MessageRecorder messages;
        SetupPage page;
        ConnectTo(page.cc, QStringLiteral("Front Door"));
        page.Find<QDateEdit>("dtpReaderDate")->setDate(QDate(2005, 6, 7));
        page.Find<QTimeEdit>("dtpReaderTime")->setTime(QTime(8, 9, 10));
        page.Find<QPushButton>("cmdSendTime")->click();
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(OpenWaitWindows(), 0);
        QCOMPARE(ClockSite::Get().Server().Clock(1).Time(), zel::DateTime(2005, 6, 7, 8, 9, 10));
        DisconnectFrom(page.cc);
    }

    void setCurrentThenSendSetsTheComputersTime()
    {
        SetupPage page;
        ConnectTo(page.cc, QStringLiteral("Front Door"));
        page.Find<QPushButton>("cmdSetCurrentTime")->click();
        const QDateTime shown(page.Find<QDateEdit>("dtpReaderDate")->date(),
                              page.Find<QTimeEdit>("dtpReaderTime")->time());
        QVERIFY(std::llabs(shown.secsTo(QDateTime::currentDateTime())) <= 5);
        page.Find<QPushButton>("cmdSendTime")->click();
        const zel::DateTime set = ClockSite::Get().Server().Clock(1).Time();
        QCOMPARE(QDateTime(QDate(set.Year(), set.Month(), set.Day()), QTime(set.Hour(), set.Minute(), set.Second())),
                 shown);
        DisconnectFrom(page.cc);
    }

    void sendSettingsWritesThemToTheClock()
    {
        zel::test::MachineZone newYork("America/New_York");
        const auto dates = zel::support::DayLightSavingsDates::ThisYear();
        auto& clock = ClockSite::Get().Server().Clock(2); // the newer model, same settings
        clock.SetSetup({});
        SetupPage page;
        ConnectTo(page.cc, QStringLiteral("Back Door"));
        page.Find<QComboBox>("cboTimeFormat")->setCurrentIndex(1);
        page.Find<QCheckBox>("chkUseTandA")->setChecked(true);
        page.Find<QCheckBox>("chkTrackDepartments")->setChecked(false);
        page.Find<QCheckBox>("chkUseDayLightSavings")->setChecked(true);
        MessageRecorder messages;
        page.Find<QPushButton>("cmdSendSettings")->click();
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(OpenWaitWindows(), 0);
        auto setup = clock.Setup();
        QCOMPARE(int(setup[OptionsByte] & 0x03), 0x01);
        QCOMPARE(int(setup[FormatByte]), 1);
        // This year's changes of this machine's zone, and the page says which.
        QCOMPARE(int(setup[DstStartDayByte]), dates.Start().Day());
        QCOMPARE(int(setup[DstStartDayByte + 1]), 3);
        QCOMPARE(int(setup[DstStartDayByte + 7]), 11);
        auto* told = page.Find<QLabel>("lblDayLightSavings");
        QCOMPARE(
            told->text(),
            QStringLiteral("Daylight saving sent: %1 (America/New_York)").arg(QString::fromStdString(dates.Text())));

        page.Find<QComboBox>("cboTimeFormat")->setCurrentIndex(0);
        page.Find<QCheckBox>("chkUseTandA")->setChecked(false);
        page.Find<QCheckBox>("chkTrackDepartments")->setChecked(true);
        page.Find<QCheckBox>("chkUseDayLightSavings")->setChecked(false);
        page.Find<QPushButton>("cmdSendSettings")->click();
        setup = clock.Setup();
        QCOMPARE(int(setup[OptionsByte] & 0x03), 0x02);
        QCOMPARE(int(setup[FormatByte]), 0);
        QCOMPARE(int(setup[DstStartDayByte]), 0);
        QCOMPARE(told->text(), QStringLiteral("Daylight saving cleared"));

        // A zone without daylight saving clears the dates even when asked for them.
        zel::test::MachineZone tokyo("Asia/Tokyo");
        page.Find<QCheckBox>("chkUseDayLightSavings")->setChecked(true);
        page.Find<QPushButton>("cmdSendSettings")->click();
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(int(clock.Setup()[DstStartDayByte]), 0);
        QCOMPARE(told->text(), QStringLiteral("Daylight saving cleared: Asia/Tokyo has none in %1")
                                   .arg(zel::support::DayLightSavingsDates::ThisYear().Year()));
        DisconnectFrom(page.cc);
    }

    // A clock in Chicago driven from Berlin, an hour ahead with last year's dates: the check says
    // both in Chicago's terms, and one click mends both there.
    void clockCheckWarnsAndMendsInTheClocksOwnZone()
    {
        const zel::test::MachineZone berlin("Europe/Berlin");
        const std::string chicago = "America/Chicago";
        const int year = zel::support::ClockZone::Now(chicago).Year();
        auto site = ClockSite::Get().Clock("Back Door");
        site->SetTimeZone(chicago);
        zel::data::DataSource().GetReaderDescriptionList()->Save();
        auto& clock = ClockSite::Get().Server().Clock(2); // its time stands still in this suite
        clock.SetTime(zel::support::ClockZone::Now(chicago).AddSeconds(3600));
        auto setup = clock.Setup();
        const auto stale = zel::support::DayLightSavingsDates::ForYear(year - 1, chicago); // changes on the hour
        std::fill(setup.begin() + DstStartDayByte - 3, setup.begin() + DstStartDayByte + 9, 0);
        setup[DstStartDayByte] = static_cast<std::uint8_t>(stale.Start().Day());
        setup[DstStartDayByte + 1] = static_cast<std::uint8_t>(stale.Start().Month());
        setup[DstStartDayByte - 1] = static_cast<std::uint8_t>(stale.Start().Hour());
        setup[DstStartDayByte + 6] = static_cast<std::uint8_t>(stale.End().Day());
        setup[DstStartDayByte + 7] = static_cast<std::uint8_t>(stale.End().Month());
        setup[DstStartDayByte + 5] = static_cast<std::uint8_t>(stale.End().Hour());
        clock.SetSetup(setup);

        MessageRecorder messages;
        SetupPage page;
        ConnectTo(page.cc, QStringLiteral("Back Door"));
        auto* difference = page.Find<QLabel>("lblClockDifference");
        auto* warning = page.Find<QLabel>("lblClockWarning");
        auto* mend = page.Find<QPushButton>("cmdMendClock");
        QVERIFY2(difference->text().contains(QStringLiteral(" ahead of America/Chicago.")),
                 qPrintable(difference->text()));
        QVERIFY2(warning->text().contains(QStringLiteral("The time is off.")), qPrintable(warning->text()));
        QVERIFY2(
            warning->text().contains(QStringLiteral("Daylight-saving dates of %1, not %2.").arg(year - 1).arg(year)),
            qPrintable(warning->text()));
        QVERIFY(!page.Find<QCheckBox>("chkUseDayLightSavings")->isChecked());
        QVERIFY(mend->isEnabled());

        mend->click();
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(OpenWaitWindows(), 0);
        QVERIFY(std::llabs(clock.Time().TotalSeconds() - zel::support::ClockZone::Now(chicago).TotalSeconds()) <= 2);
        const auto dates = zel::support::DayLightSavingsDates::ThisYear(chicago);
        QCOMPARE(int(clock.Setup()[DstStartDayByte]), dates.Start().Day());
        QCOMPARE(warning->text(), QString());
        QVERIFY(!mend->isEnabled());
        QVERIFY(page.Find<QCheckBox>("chkUseDayLightSavings")->isChecked()); // the settings were read again

        // Set Current, too, takes the time of the clock's zone.
        page.Find<QPushButton>("cmdSetCurrentTime")->click();
        const auto now = zel::support::ClockZone::Now(chicago);
        QCOMPARE(page.Find<QDateEdit>("dtpReaderDate")->date(), QDate(now.Year(), now.Month(), now.Day()));
        QVERIFY(
            std::abs(
                page.Find<QTimeEdit>("dtpReaderTime")->time().secsTo(QTime(now.Hour(), now.Minute(), now.Second()))) <=
            2);
        DisconnectFrom(page.cc);
        site->SetTimeZone({});
        zel::data::DataSource().GetReaderDescriptionList()->Save();
    }

    void menuProgramIsPadded()
    {
        QTemporaryDir dir;
        const QString shortFile = WriteFile(dir, "SHORT.BIN", Pattern(100));
        const QString fullFile = WriteFile(dir, "FULL.BIN", Pattern(4096));
        SetupPage page;
        ConnectTo(page.cc, QStringLiteral("Front Door"));
        auto* name = page.Find<QLineEdit>("txtMenuFile");
        auto* status = page.Find<QLabel>("lblMenuFileUploadStatus");
        MessageRecorder messages;

        name->setText(shortFile);
        page.Find<QPushButton>("cmdSendMenuFile")->click();
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(status->text(), QStringLiteral("Finished"));
        QCOMPARE(OpenWaitWindows(), 0);
        QCOMPARE(MenuOf(1), Pattern(100) + QByteArray(3996, '\0'));

        name->setText(fullFile);
        page.Find<QPushButton>("cmdSendMenuFile")->click();
        QCOMPARE(MenuOf(1), Pattern(4096));
        DisconnectFrom(page.cc);
    }

    void menuFileThatCannotBeSentIsRefusedBeforeAnythingIsSent()
    {
        QTemporaryDir dir;
        const QString empty = WriteFile(dir, "EMPTY.BIN", {});
        // Longer than a menu program: the clock would get only part of it.
        const QString tooLong = WriteFile(dir, "LONG.BIN", Pattern(5000));
        SetupPage page;
        ConnectTo(page.cc, QStringLiteral("Front Door"));
        auto* name = page.Find<QLineEdit>("txtMenuFile");
        auto* status = page.Find<QLabel>("lblMenuFileUploadStatus");
        const QByteArray before = MenuOf(1);
        const auto framesBefore = ClockSite::Get().Server().FramesAnswered();

        for (const QString& fileName : {QString(), QStringLiteral("   "), dir.filePath(QStringLiteral("MISSING.BIN")),
                                        dir.path(), empty, tooLong}) {
            MessageRecorder messages;
            name->setText(fileName);
            page.Find<QPushButton>("cmdSendMenuFile")->click();
            QCOMPARE(messages.Count(), 1);
            QCOMPARE(messages.Last().title, QStringLiteral("Send Menu Program"));
            QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);
            QVERIFY(!messages.Last().text.isEmpty());
            QVERIFY(status->text() != QStringLiteral("Sending..."));
        }
        QCOMPARE(ClockSite::Get().Server().FramesAnswered(), framesBefore);
        QCOMPARE(MenuOf(1), before);
        DisconnectFrom(page.cc);
    }

    void browsePutsTheChosenFileIntoTheBox()
    {
        SetupPage page;
        auto* panel = page.Find<ReaderMenuFile>("ReaderMenuFile1");
        auto* name = page.Find<QLineEdit>("txtMenuFile");
        name->setText(QStringLiteral("kept.bin"));
        panel->SetFileChooser([](QWidget*) { return QString(); }); // cancelled
        page.Find<QPushButton>("cmdMenuFileBrowse")->click();
        QCOMPARE(name->text(), QStringLiteral("kept.bin"));
        panel->SetFileChooser([](QWidget*) { return QStringLiteral("/menus/NEW.BIN"); });
        page.Find<QPushButton>("cmdMenuFileBrowse")->click();
        QCOMPARE(name->text(), QStringLiteral("/menus/NEW.BIN"));
    }

    void clockErrorsAreShownAndThePageStaysUsable()
    {
        auto& site = ClockSite::Get();
        SetupPage page;
        ConnectTo(page.cc, QStringLiteral("Front Door"));
        QVERIFY(page.cc.IsConnected());

        zel::sim::FaultOptions drop;
        drop.DropAfterFrames = 1; // the select is answered, the command after it finds no link
        site.Server().SetFaults(drop);
        MessageRecorder messages;
        page.Find<QDateEdit>("dtpReaderDate")->setDate(QDate(2010, 1, 2));
        page.Find<QPushButton>("cmdSendTime")->click();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);
        QVERIFY(!messages.Last().text.isEmpty());
        QCOMPARE(OpenWaitWindows(), 0);
        QVERIFY(page.Find<QPushButton>("cmdSendTime")->isEnabled());

        // Settings and menu program on the dead link: each says so, nothing ends the program.
        page.Find<QPushButton>("cmdSendSettings")->click();
        QCOMPARE(messages.Count(), 2);
        QTemporaryDir dir;
        page.Find<QLineEdit>("txtMenuFile")->setText(WriteFile(dir, "M.BIN", Pattern(10)));
        page.Find<QPushButton>("cmdSendMenuFile")->click();
        QCOMPARE(messages.Count(), 3);
        QCOMPARE(page.Find<QLabel>("lblMenuFileUploadStatus")->text(), QStringLiteral("Failed"));
        QCOMPARE(OpenWaitWindows(), 0);

        // Reconnecting over a healthy link works again.
        site.ResetEmulator();
        DisconnectFrom(page.cc);
        ConnectTo(page.cc, QStringLiteral("Front Door"));
        QVERIFY(page.cc.IsConnected());
        page.Find<QDateEdit>("dtpReaderDate")->setDate(QDate(2010, 1, 2));
        page.Find<QTimeEdit>("dtpReaderTime")->setTime(QTime(3, 4, 5));
        page.Find<QPushButton>("cmdSendTime")->click();
        QCOMPARE(site.Server().Clock(1).Time(), zel::DateTime(2010, 1, 2, 3, 4, 5));
        DisconnectFrom(page.cc);
    }

    void clockThatStopsAnsweringTimesOut()
    {
        auto& site = ClockSite::Get();
        SetupPage page;
        ConnectTo(page.cc, QStringLiteral("Back Door"));
        zel::sim::FaultOptions late;
        late.Late = true;
        late.LateMs = 1500; // past the test's 300 ms time-out
        site.Server().SetFaults(late);
        MessageRecorder messages;
        page.Find<QPushButton>("cmdSendTime")->click();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().text, QStringLiteral("Channel Communication Timeout"));
        QCOMPARE(OpenWaitWindows(), 0);
        site.ResetEmulator();
        DisconnectFrom(page.cc);
    }

    void serialClockGetsItsTime()
    {
        auto& clock = ClockSite::Get().Server().Clock(3);
        clock.SetTime(zel::DateTime(2001, 2, 3, 4, 5, 6));
        SetupPage page;
        ConnectTo(page.cc, QStringLiteral("Serial"));
        QVERIFY(page.cc.IsConnected());
        QCOMPARE(page.Find<QDateEdit>("dtpReaderDate")->date(), QDate(2001, 2, 3));
        page.Find<QDateEdit>("dtpReaderDate")->setDate(QDate(2011, 12, 13));
        page.Find<QPushButton>("cmdSendTime")->click();
        QCOMPARE(clock.Time().Year(), 2011);
        QCOMPARE(clock.Time().Day(), 13);
        DisconnectFrom(page.cc);
    }
};

ZEL_REGISTER_CLOCKPAGE_TEST(ReaderSetupTest);

#include "ReaderSetupTest.moc"
