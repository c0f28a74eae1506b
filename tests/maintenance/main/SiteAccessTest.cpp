// Start-up on a site database that cannot be used as it is: another program writes it (the
// second instance is told which process on which host since when, and may open it read-only or
// quit), it cannot be written, or one of its rows cannot be loaded (the start-up stops with a
// message naming the file, table, row ID, column and rule).
#include "TestRegistry.h"

#include "MessageRecorder.h"
#include "SiteAccessDialog.h"
#include "modMain.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/SiteErrors.h"
#include "zel/data/UserDescriptionList.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <atomic>
#include <optional>
#include <thread>
#include <unistd.h>

namespace zel::ui::test {
namespace {

std::string Native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString ThisHost()
{
    char buffer[256] = {};
    ::gethostname(buffer, sizeof buffer - 1);
    return QString::fromLocal8Bit(buffer);
}

// A site database in `dir` with the user 17 (written on a thread of its own, as another program).
QString MakeSite(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("zel.mdb"));
    std::thread maker([&] {
        zel::data::DataSource::CreateDatabase(Native(path));
        zel::data::DataSource source;
        source.OpenDatabase(Native(path));
        source.GetUserDescriptionList()->Add("17", "Ann");
    });
    maker.join();
    return path;
}

bool Execute(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(Native(path).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
              sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(db);
    return ok;
}

// Runs `body` on a thread of its own (the site database is opened once per thread) while this
// thread keeps the interface running, so that the body may show dialogs here.
void OnWorkerWithEvents(const std::function<void()>& body)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        body();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    worker.join();
}

// Shows the real dialog on the interface thread for a question asked on a worker thread.
bool AskOnInterfaceThread(const zel::data::SiteWriteAccessError& reason)
{
    bool answer = false;
    QMetaObject::invokeMethod(
        qApp, [&] { answer = SiteAccessDialog::Ask(reason); }, Qt::BlockingQueuedConnection);
    return answer;
}

// Once the dialog `name` is shown, keeps its message and clicks `button` in it.
void ClickWhenShown(const char* name, const char* button, QString* message)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, name, button, message] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal->objectName() != QString::fromLatin1(name))
            return;
        if (auto* label = modal->findChild<QLabel*>(QStringLiteral("lblMessage")))
            *message = label->text();
        if (auto* cmd = modal->findChild<QPushButton*>(QString::fromLatin1(button)))
            cmd->click();
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
}

// A second program holding the site database open for writing.
class Holder {
public:
    explicit Holder(const QString& path)
    {
        mProcess.start(QStringLiteral(ZEL_MAINDATA_CHILD), {QStringLiteral("hold"), path});
        mProcess.waitForStarted();
        mProcess.waitForReadyRead(5000);
        mReady = mProcess.readLine().trimmed() == "ready";
    }
    ~Holder()
    {
        mProcess.closeWriteChannel();
        if (!mProcess.waitForFinished(5000))
            mProcess.kill();
    }
    bool Ready() const { return mReady; }
    qint64 Pid() const { return mProcess.processId(); }

private:
    QProcess mProcess;
    bool mReady = false;
};

} // namespace

class SiteAccessTest : public QObject {
    Q_OBJECT

private slots:
    void SecondInstanceIsToldWhoWritesTheSiteAndMayQuit()
    {
        QTemporaryDir dir;
        const QString path = MakeSite(dir);
        Holder holder(path);
        QVERIFY(holder.Ready());
        MessageRecorder messages;
        std::optional<zel::data::SiteWriteAccessError> asked;
        StartupResult result = StartupResult::Failed;
        std::thread start([&] {
            result = OpenSiteDatabase(dir.path(), nullptr, {}, [&](const zel::data::SiteWriteAccessError& reason) {
                asked = reason;
                return false;
            });
        });
        start.join();
        QCOMPARE(result, StartupResult::Quit);
        QCOMPARE(messages.Count(), 0);
        QVERIFY(asked.has_value());
        QCOMPARE(asked->Number(), zel::data::errc::DatabaseInUse);
        QCOMPARE(asked->Writer().Pid, long(holder.Pid()));

        // What the dialog says about it.
        SiteAccessDialog dialog(*asked);
        const QString text = dialog.findChild<QLabel*>(QStringLiteral("lblMessage"))->text();
        QVERIFY2(text.contains(QStringLiteral("\"%1\" is open for writing in another program").arg(path)),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Program: zel_maindata_child")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Process ID: %1").arg(holder.Pid())), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Host: %1").arg(ThisHost())), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Since: %1").arg(QString::fromStdString(asked->Writer().Since))),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Open it read-only?")));
        QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("cmdQuit"))->isDefault());
        // Enter quits: the focus starts on Quit.
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.focusWidget(), dialog.findChild<QPushButton*>(QStringLiteral("cmdQuit")));
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("cmdReadOnly"))->text(),
                 QStringLiteral("Open &Read-Only"));
    }

    void SecondInstanceOpensReadOnlyThroughTheDialog()
    {
        QTemporaryDir dir;
        const QString path = MakeSite(dir);
        Holder holder(path);
        QVERIFY(holder.Ready());
        MessageRecorder messages;
        QString shown;
        ClickWhenShown("frmSiteAccess", "cmdReadOnly", &shown);
        StartupResult result = StartupResult::Failed;
        bool readOnly = false;
        int users = 0;
        long refused = 0;
        std::string refusal;
        OnWorkerWithEvents([&] {
            result = OpenSiteDatabase(dir.path(), nullptr, {}, AskOnInterfaceThread);
            zel::data::DataSource source;
            readOnly = source.IsReadOnly();
            auto list = source.GetUserDescriptionList();
            users = list->Count();
            try {
                list->Add("18", "Bo");
            } catch (const zel::Error& e) {
                refused = e.Number();
                refusal = e.Description();
            }
        });
        QCOMPARE(result, StartupResult::Opened);
        QVERIFY2(shown.contains(QStringLiteral("Process ID: %1").arg(holder.Pid())), qPrintable(shown));
        QVERIFY(readOnly);
        QCOMPARE(users, 1); // the lists show
        QCOMPARE(refused, zel::data::errc::ReadOnlyDatabase);
        QVERIFY2(QString::fromStdString(refusal).contains(
                     QStringLiteral("open for writing in another program: zel_maindata_child, process %1")
                         .arg(holder.Pid())),
                 refusal.c_str());
        QCOMPARE(messages.Count(), 0);
    }

    void AFileThatCannotBeWrittenIsOfferedReadOnlyWithTheReason()
    {
        zel::data::SiteWriteAccessError folder(zel::data::SiteWriteAccessError::Reason::FolderReadOnly,
                                               "/srv/site/zel.mdb", {},
                                               "its folder '/srv/site' is read-only for this user");
        SiteAccessDialog dialog(folder);
        const QString text = dialog.findChild<QLabel*>(QStringLiteral("lblMessage"))->text();
        QVERIFY2(text.startsWith(QStringLiteral("The site database \"/srv/site/zel.mdb\" cannot be opened for "
                                                "writing: its folder '/srv/site' is read-only for this user.")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Open it read-only?")));

        // A file whose write permission was taken away (for root too).
        QTemporaryDir dir;
        const QString path = MakeSite(dir);
        QFile::setPermissions(path, QFile::ReadOwner);
        std::optional<zel::data::SiteWriteAccessError> asked;
        StartupResult result = StartupResult::Failed;
        std::thread start([&] {
            result = OpenSiteDatabase(dir.path(), nullptr, {}, [&](const zel::data::SiteWriteAccessError& reason) {
                asked = reason;
                return true;
            });
        });
        start.join();
        QCOMPARE(result, StartupResult::Opened);
        QVERIFY(asked.has_value());
        QCOMPARE(asked->Why(), zel::data::SiteWriteAccessError::Reason::FileReadOnly);
        QVERIFY2(asked->Detail().find("read-only") != std::string::npos, asked->Detail().c_str());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    void WithoutAQuestionTheRefusalIsShownAsAFailure()
    {
        QTemporaryDir dir;
        const QString path = MakeSite(dir);
        Holder holder(path);
        QVERIFY(holder.Ready());
        MessageRecorder messages;
        StartupResult result = StartupResult::Opened;
        std::thread start([&] { result = OpenSiteDatabase(dir.path(), nullptr, {}); });
        start.join();
        QCOMPARE(result, StartupResult::Failed);
        QCOMPARE(messages.Count(), 1);
        QVERIFY2(messages.Last().text.startsWith(QStringLiteral("Run-time error '3045':")),
                 qPrintable(messages.Last().text));
    }

    void ARowThatCannotBeLoadedStopsTheStartUpAndIsNamed()
    {
        QTemporaryDir dir;
        const QString path = MakeSite(dir);
        QVERIFY(Execute(path, "INSERT INTO Users (ID, UserID, Name, AuthorityLevel, Enrolled) "
                              "VALUES (12, '20', 'Cy', 'high', 0)"));
        MessageRecorder messages;
        StartupResult result = StartupResult::Opened;
        std::thread start([&] { result = OpenSiteDatabase(dir.path(), nullptr, {}); });
        start.join();
        QCOMPARE(result, StartupResult::Failed);
        QCOMPARE(messages.Count(), 1);
        const auto& message = messages.Last();
        QCOMPARE(message.icon, MsgIcon::Critical);
        QCOMPARE(message.title, AppTitle());
        QVERIFY2(message.text.startsWith(QStringLiteral("Run-time error '13':\n\nThe site database cannot be loaded")),
                 qPrintable(message.text));
        for (const QString& line :
             {QStringLiteral("File: %1").arg(path), QStringLiteral("Table: Users"), QStringLiteral("Row ID: 12"),
              QStringLiteral("Column: AuthorityLevel"), QStringLiteral("Rule: the value 'high' does not convert")})
            QVERIFY2(message.text.contains(line), qPrintable(message.text));
    }

    void TwoRowsWithOneKeyStopTheStartUpAndAreNamed()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zel.mdb"));
        // A file made by hand, without the key indexes.
        sqlite3* db = nullptr;
        sqlite3_open_v2(Native(path).c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_close_v2(db);
        QVERIFY(Execute(path,
                        "CREATE TABLE Users (ID INTEGER PRIMARY KEY, UserID TEXT, Name TEXT, AuthorityLevel INT, "
                        "Enrolled INT, Template TEXT);"
                        "CREATE TABLE Readers (ID INTEGER PRIMARY KEY, ReaderID INT, Name TEXT, ChannelDescID INT, "
                        "Location TEXT);"
                        "CREATE TABLE Channels (ID INTEGER PRIMARY KEY, Name TEXT, Type TEXT, Port INT, BitRate "
                        "INT, Location TEXT);"
                        "INSERT INTO Users VALUES (1, '17', 'Ann', 0, 0, NULL), (2, '17', 'Bo', 0, 0, NULL);"));
        MessageRecorder messages;
        StartupResult result = StartupResult::Opened;
        std::thread start([&] { result = OpenSiteDatabase(dir.path(), nullptr, {}); });
        start.join();
        QCOMPARE(result, StartupResult::Failed);
        QCOMPARE(messages.Count(), 1);
        const QString text = messages.Last().text;
        QVERIFY2(text.startsWith(QStringLiteral("Run-time error '457':")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Row ID: 2\nColumn: UserID\nRule: the key '17' is held by row ID 1 too")),
                 qPrintable(text));
    }
};

ZEL_REGISTER_TEST(SiteAccessTest);

} // namespace zel::ui::test

#include "SiteAccessTest.moc"
