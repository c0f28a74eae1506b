// File, "Back Up Site Database...": a consistent copy of the site database in use, written to the
// chosen file; an existing file is replaced only when the user says so.
#include "TestRegistry.h"
#include "TestSite.h"

#include "MessageRecorder.h"
#include "modMain.h"
#include "pages/ConnectionCenter.h"
#include "pages/frmMain.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <sys/stat.h>

namespace zel::ui::test {
namespace {

int UsersIn(const QString& path)
{
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM Users", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close_v2(db);
    return count;
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class SiteBackupMenuTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { OpenTestSiteDatabase(); }
    void cleanup() { SetBackupFileChooser({}); }

    void FileMenuOffersTheBackupBeforeExit()
    {
        frmMain window;
        auto* file = window.findChild<QMenu*>(QStringLiteral("mnuFile"));
        QVERIFY(file != nullptr);
        auto* backup = window.findChild<QAction*>(QStringLiteral("mnuFileBackup"));
        QVERIFY(backup != nullptr);
        QCOMPARE(backup->text(), QStringLiteral("&Back Up Site Database..."));
        const auto actions = file->actions();
        QVERIFY(actions.indexOf(backup) >= 0);
        QVERIFY(actions.indexOf(backup) < actions.indexOf(window.findChild<QAction*>(QStringLiteral("mnuFileExit"))));
        QCOMPARE(window.windowTitle(), QStringLiteral("ZEL Maintenance")); // not read-only
    }

    void BacksUpTheSiteInUseToTheChosenFile()
    {
        auto users = zel::data::DataSource().GetUserDescriptionList();
        const std::string id = "4711";
        if (!users->Contains(id))
            users->Add(id, "Backup Test");
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("site backup.mdb"));
        QString suggested;
        SetBackupFileChooser([&](QWidget*, const QString& offer) {
            suggested = offer;
            return target;
        });
        frmMain window;
        MessageRecorder messages;
        window.findChild<QAction*>(QStringLiteral("mnuFileBackup"))->trigger();

        QVERIFY2(suggested.startsWith(QFileInfo(DatabasePath()).absolutePath() + QStringLiteral("/zel-backup-")),
                 qPrintable(suggested));
        QVERIFY(suggested.endsWith(QStringLiteral(".mdb")));
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().icon, MsgIcon::Information);
        QCOMPARE(messages.Last().title, QStringLiteral("Back Up Site Database"));
        QCOMPARE(messages.Last().text, QStringLiteral("The site database was backed up to \"%1\".").arg(target));
        QCOMPARE(UsersIn(target), users->Count());
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
    }

    void AnExistingFileIsReplacedOnlyWhenTheUserSaysSo()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("backup.mdb"));
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older backup");
        }
        SetBackupFileChooser([&](QWidget*, const QString&) { return target; });
        frmMain window;
        auto* backup = window.findChild<QAction*>(QStringLiteral("mnuFileBackup"));

        MessageRecorder messages; // the default answer is No
        backup->trigger();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);
        QCOMPARE(messages.Last().buttons, MsgButtons::YesNo);
        QCOMPARE(messages.Last().defaultButton, MsgResult::No);
        QVERIFY(messages.Last().text.contains(QStringLiteral("\"%1\" already exists").arg(target)));
        QCOMPARE(Contents(target), QByteArray("an older backup"));

        messages.Clear();
        messages.QueueAnswer(MsgResult::Yes);
        backup->trigger();
        QCOMPARE(messages.Count(), 2);
        QCOMPARE(messages.Last().icon, MsgIcon::Information);
        QVERIFY(UsersIn(target) >= 0);
    }

    void ACancelledChoiceDoesNothingAndAFailureIsShown()
    {
        frmMain window;
        auto* backup = window.findChild<QAction*>(QStringLiteral("mnuFileBackup"));
        MessageRecorder messages;
        SetBackupFileChooser([](QWidget*, const QString&) { return QString(); });
        backup->trigger();
        QCOMPARE(messages.Count(), 0);

        SetBackupFileChooser([](QWidget*, const QString&) { return QStringLiteral("/no/such/folder/b.mdb"); });
        backup->trigger();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().icon, MsgIcon::Critical);
        QVERIFY2(messages.Last().text.startsWith(QStringLiteral("The site database could not be backed up.")),
                 qPrintable(messages.Last().text));
    }

    // Its dialogs are modal: they would hold an enrollment's polling of the clock.
    void LockedWhileAnEnrollmentRuns()
    {
        frmMain window;
        auto* backup = window.findChild<QAction*>(QStringLiteral("mnuFileBackup"));
        auto* cc = window.findChild<zel::ui::ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        QVERIFY(backup && cc);
        cc->BeginLongCommand();
        QVERIFY(!backup->isEnabled());
        cc->EndLongCommand();
        QVERIFY(backup->isEnabled());
    }
};

ZEL_REGISTER_TEST(SiteBackupMenuTest);

} // namespace zel::ui::test

#include "SiteBackupMenuTest.moc"
