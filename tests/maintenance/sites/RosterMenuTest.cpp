// File, "Import Users from CSV..." and "Export Users to CSV...": the plan shown before anything is
// written, imported on "Import" only, nothing written for a refused row or a file that is not CSV,
// and the export a file of the owner only.
#include "SiteFixture.h"
#include "SitesTestSupport.h"

#include "MessageRecorder.h"
#include "RosterFiles.h"
#include "RosterPlanModel.h"
#include "frmImportUsers.h"
#include "modMain.h"
#include "pages/frmMain.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>
#include <sys/stat.h>

namespace zel::ui::test {
namespace {

std::shared_ptr<zel::data::UserDescriptionList> Users()
{
    return zel::data::DataSource().GetUserDescriptionList();
}

// Runs `step` on the import's preview once it is shown (it is modal).
void OnPreview(const std::function<void(frmImportUsers&)>& step)
{
    QTimer::singleShot(0, [step] {
        auto* preview = qobject_cast<frmImportUsers*>(QApplication::activeModalWidget());
        QVERIFY(preview != nullptr);
        step(*preview);
        if (preview->isVisible())
            preview->reject();
    });
}

template <typename T> T* Child(QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class RosterMenuTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> mDir;
    QString mFile;

private slots:
    // A site of its own for each case: Ann (enrolled), Bob and Cy.
    void init()
    {
        mDir = std::make_unique<QTemporaryDir>();
        const QString site =
            MakeSiteFile(*mDir, QStringLiteral("zel.mdb"), {{"101", "Ann"}, {"102", "Bob"}, {"103", "Cy"}});
        QCOMPARE(OpenSite(site, nullptr, {}), StartupResult::Opened);
        auto ann = Users()->Item("101");
        ann->SetEnrolled(true);
        ann->SetTemplate({1, 2, 3, 4, 5, 6, 7, 8, 9});
        Users()->Save();
        mFile = mDir->filePath(QStringLiteral("staff.csv"));
        SetRosterFileChooser([this](QWidget*, bool, const QString&) { return mFile; });
    }

    void cleanup()
    {
        SetRosterFileChooser({});
        ReleaseSiteDatabase();
    }

    void TheFileMenuOffersBothBeforeTheBackup()
    {
        frmMain window;
        const auto actions = Child<QMenu>(window, "mnuFile")->actions();
        const auto at = [&](const char* name) { return actions.indexOf(Child<QAction>(window, name)); };
        QVERIFY(at("mnuFileOpenSite") == 0);
        QVERIFY(at("mnuFileNewSite") == 1);
        QVERIFY(at("mnuFileImportUsers") > at("mnuFileNewSite"));
        QVERIFY(at("mnuFileExportUsers") == at("mnuFileImportUsers") + 1);
        QVERIFY(at("mnuFileBackup") == at("mnuFileExportUsers") + 1);
        QCOMPARE(Child<QAction>(window, "mnuFileImportUsers")->text(), QStringLiteral("&Import Users from CSV..."));
    }

    void ThePlanIsShownAndImportedOnImport()
    {
        WriteBytes(mFile, "user_id,name,authority_level,badge\r\n101,Ann Lee,3,7\r\n102,Bob,,8\r\n104,Dee,Setup,9\r\n");
        MessageRecorder messages;
        messages.QueueAnswer(MsgResult::Yes); // remove the one the file lacks
        OnPreview([](frmImportUsers& preview) {
            QCOMPARE(Child<QLabel>(preview, "lblCounts")->text(),
                     QStringLiteral("1 to add, 1 to change, 1 unchanged, 0 refused; 1 users of the site are not in "
                                    "the file."));
            QCOMPARE(Child<QLabel>(preview, "lblIgnored")->text(), QStringLiteral("Columns ignored: badge"));
            auto* model = qobject_cast<RosterPlanModel*>(Child<QTableView>(preview, "lvwPlan")->model());
            QCOMPARE(model->rowCount(), 4);
            QCOMPARE(model->ActionText(3), QStringLiteral("keep"));
            QVERIFY(Users()->Contains("103")); // nothing written yet
            Child<QCheckBox>(preview, "chkRemoveMissing")->setChecked(true);
            QCOMPARE(model->ActionText(3), QStringLiteral("remove"));
            auto* import = Child<QPushButton>(preview, "cmdImport");
            QVERIFY(import->isEnabled());
            import->click();
        });
        ImportUsersFromCsv(nullptr);

        QCOMPARE(messages.Count(), 2);
        QCOMPARE(messages.Messages().at(0).icon, MsgIcon::Question); // the removal, asked first
        QCOMPARE(messages.Last().text, QStringLiteral("The users of \"%1\" were imported: 1 added, 1 changed, 1 "
                                                      "removed.")
                                           .arg(mFile));
        auto ann = Users()->Item("101");
        QCOMPARE(ann->Name(), "Ann Lee");
        QCOMPARE(ann->AuthorityLevel(), 3);
        QVERIFY(ann->Enrolled());
        QCOMPARE(ann->Template(), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
        QCOMPARE(Users()->Item("104")->AuthorityLevel(), 2);
        QVERIFY(!Users()->Contains("103"));
    }

    void ARefusedRowLeavesNothingToImport()
    {
        WriteBytes(mFile, "user_id;name\n101;Ann Lee\n10x;Bad\n");
        MessageRecorder messages;
        OnPreview([](frmImportUsers& preview) {
            QVERIFY(!Child<QPushButton>(preview, "cmdImport")->isEnabled());
            QVERIFY(!Child<QLabel>(preview, "lblRefused")->isHidden());
            Child<QPushButton>(preview, "cmdCancel")->click();
        });
        ImportUsersFromCsv(nullptr);
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(Users()->Item("101")->Name(), "Ann");
    }

    void AFileThatIsNotCsvIsToldAndNothingIsWritten()
    {
        WriteBytes(mFile, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        MessageRecorder messages;
        ImportUsersFromCsv(nullptr);
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().icon, MsgIcon::Critical);
        QVERIFY2(messages.Last().text.startsWith(QStringLiteral("The file cannot be imported; nothing was written.")),
                 qPrintable(messages.Last().text));
        QVERIFY(messages.Last().text.contains(mFile + QStringLiteral(" is not a text file")));
        QCOMPARE(Users()->Count(), 3);
    }

    void AReadOnlySiteRefusesTheImportAtOnce()
    {
        const QString site = DatabasePath();
        ReleaseSiteDatabase();
        zel::data::DataSource().OpenDatabase(QFile::encodeName(site).toStdString(), zel::data::OpenMode::ReadOnly);
        bool asked = false;
        SetRosterFileChooser([&](QWidget*, bool, const QString&) {
            asked = true;
            return mFile;
        });
        MessageRecorder messages;
        ImportUsersFromCsv(nullptr);
        QVERIFY(!asked);
        QCOMPARE(messages.Count(), 1);
        QVERIFY(messages.Last().text.startsWith(
            QStringLiteral("Users cannot be imported: the site database is open read-only, because ")));
    }

    void TheExportIsAFileOfTheOwnerOnly()
    {
        const QString path = mDir->filePath(QStringLiteral("users.csv"));
        QString suggested;
        SetRosterFileChooser([&](QWidget*, bool save, const QString& offer) {
            suggested = save ? offer : QString();
            return path;
        });
        MessageRecorder messages;
        ExportUsersToCsv(nullptr);
        QCOMPARE(suggested, mDir->filePath(QStringLiteral("users.csv")));
        QCOMPARE(messages.Last().text, QStringLiteral("3 users were exported to \"%1\".").arg(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("user_id,name,authority_level,enrolled\r\n101,Ann,0,yes\r\n102,Bob,0,no\r\n"
                                            "103,Cy,0,no\r\n"));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
    }
};

ZEL_REGISTER_SITE_TEST(RosterMenuTest);

} // namespace zel::ui::test

#include "RosterMenuTest.moc"
