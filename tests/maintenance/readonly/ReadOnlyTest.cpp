// The program on a site database opened read-only: the lists show, and every command that would
// change the site is locked before it starts (never refused only at Save), its tooltip and the
// status bar saying why, with the error number; Synchronize is refused before any clock is read.
#include "MessageRecorder.h"
#include "SiteFixture.h"

#include "ReadOnlySite.h"
#include "editors/EditCommandBar.h"
#include "editors/ListContainer.h"
#include "pages/ConnectionCenter.h"
#include "pages/EventsPage.h"
#include "pages/ManageClock.h"
#include "pages/SynchronizeUI.h"
#include "pages/frmMain.h"
#include "zel/Error.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/Synchronizer.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

namespace zel::ui::test {
namespace {

std::unique_ptr<zel::sim::Server>& Emulator()
{
    static std::unique_ptr<zel::sim::Server> server;
    return server;
}

// A site with the channel "Line A" (an emulator with clock 1), the clock "Front" and one user,
// made by a writer on a thread of its own, then opened read-only on this thread.
void MakeReadOnlySite()
{
    ::setenv("ZEL_TIMEOUT_MS", "300", 1);
    static QTemporaryDir folder;
    const std::string file = QDir(folder.path()).filePath(QStringLiteral("zel.mdb")).toStdString();
    Emulator() = StartEmulator({}, {{1, zel::sim::ClockModel::Base}});
    std::thread([&] {
        zel::data::DataSource::CreateDatabase(file);
        zel::data::DataSource site;
        site.OpenDatabase(file);
        auto line = AddEthernetChannel("Line A", "127.0.0.1", Emulator()->Port());
        auto clocks = site.GetReaderDescriptionList();
        clocks->Add(1, "Front", line);
        clocks->Save();
        site.GetUserDescriptionList()->Add("17", "Ann");
        site.CloseDatabase();
    }).join();
    zel::data::DataSource().OpenDatabase(file, zel::data::OpenMode::ReadOnly);
}

template <typename T> T* Child(const QObject& parent, const char* name)
{
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no control %s", name);
    return child;
}

} // namespace

class ReadOnlyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        mNotice = ReadOnlyNotice();
        QVERIFY2(mNotice.startsWith(QStringLiteral("The site database is open read-only, because ")),
                 qPrintable(mNotice));
        QVERIFY2(mNotice.endsWith(QStringLiteral("(error 3027).")), qPrintable(mNotice));
    }

    void TheListsShowButNoEditorCommandCanBeUsed()
    {
        MessageRecorder messages;
        ListContainer lists;
        lists.InitListEditors();
        for (const char* editor : {"UserListEditor1", "ReaderListEditor1", "ChannelListEditor1"}) {
            auto* bar = Child<EditCommandBar>(*Child<QWidget>(lists, editor), "EditCommandBar1");
            for (const char* name : {"cmdAdd", "cmdRemove", "cmdEdit", "cmdSave"}) {
                auto* button = Child<QPushButton>(*bar, name);
                QVERIFY2(!button->isEnabled(), name);
                QCOMPARE(button->toolTip(), mNotice);
            }
            emit bar->Click(EditCommandAdd); // nothing reacts, not even to a command sent by hand
            QCOMPARE(bar->EditMode(), static_cast<std::int32_t>(EditModeNone));
        }
        QCOMPARE(zel::data::DataSource().GetUserDescriptionList()->Count(), 1); // the list still shows
        QCOMPARE(messages.Count(), 0);
    }

    void TheMainWindowSaysSoInTitleAndStatusBar()
    {
        frmMain window;
        QVERIFY(window.windowTitle().endsWith(QStringLiteral("(read-only)")));
        QCOMPARE(Child<QLabel>(window, "lblReadOnly")->text(), mNotice);
    }

    void SynchronizeIsRefusedBeforeAnyClockIsRead()
    {
        int channelsMade = 0;
        auto counting = [&channelsMade](std::int32_t id) {
            ++channelsMade;
            return zel::workflows::DefaultChannelMaker()(id);
        };
        const auto framesBefore = Emulator()->FramesAnswered();

        SynchronizeUI page;
        page.SetChannelMaker(counting);
        auto* synchronize = Child<QPushButton>(page, "cmdSynchronize");
        QVERIFY(!synchronize->isEnabled());
        QCOMPARE(synchronize->toolTip(), mNotice);

        zel::workflows::Synchronizer synchronizer(counting);
        zel::workflows::Synchronizer::ReaderCollection clocks;
        clocks.Add(zel::data::DataSource().GetReaderDescriptionList()->Item(std::string("Front")), "Front");
        long refused = 0;
        try {
            synchronizer.Execute(clocks, clocks, false);
        } catch (const zel::Error& error) {
            refused = error.Number();
        }
        QCOMPARE(refused, zel::data::errc::ReadOnlyDatabase);
        QCOMPARE(channelsMade, 0);
        QCOMPARE(Emulator()->FramesAnswered(), framesBefore);
    }

    // The commands on the clock stay; those that store something in the site are locked.
    void ClockCommandsThatWriteTheSiteAreLocked()
    {
        MessageRecorder messages;
        ManageClock page;
        page.show();
        auto* clocks = Child<QComboBox>(page, "cboClocks");
        clocks->setCurrentIndex(clocks->findText(QStringLiteral("Front")));
        Child<QPushButton>(page, "cmdConnect")->click();
        QVERIFY(Child<ConnectionCenter>(page, "ConnectionCenter1")->IsConnected());
        QVERIFY(Child<QPushButton>(page, "cmdGetUsers")->isEnabled());
        QVERIFY(Child<QPushButton>(page, "cmdExport")->isEnabled());
        for (const char* name : {"cmdImport", "cmdEnroll"}) {
            auto* button = Child<QPushButton>(page, name);
            QVERIFY2(!button->isEnabled(), name);
            QCOMPARE(button->toolTip(), mNotice);
        }
        Child<QPushButton>(page, "cmdDisconnect")->click();
        QCOMPARE(messages.Count(), 0);

        EventsPage events;
        auto* collect = Child<QPushButton>(events, "cmdCollect");
        QVERIFY(!collect->isEnabled());
        QCOMPARE(collect->toolTip(), mNotice);
    }

private:
    QString mNotice;
};

} // namespace zel::ui::test

int main(int argc, char** argv)
{
    zel::ui::test::SiteTests().push_back([] { return std::make_unique<zel::ui::test::ReadOnlyTest>(); });
    return zel::ui::test::RunSiteTests(argc, argv, zel::ui::test::MakeReadOnlySite);
}

#include "ReadOnlyTest.moc"
