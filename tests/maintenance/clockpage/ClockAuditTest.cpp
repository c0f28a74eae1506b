// The Manage Clock page's commands leave their audit rows (the connected clock, its outcome), and
// the Activity window lists, verifies and exports them.
#include "ClockSite.h"
#include "MessageRecorder.h"

#include "pages/ConnectionCenter.h"
#include "pages/ManageClock.h"
#include "pages/frmActivity.h"
#include "pages/models/AuditTableModel.h"

#include "zel/data/AuditLog.h"
#include "zel/support/ClockZone.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <sstream>

using zel::ui::ConnectionCenter;
using zel::ui::ManageClock;
using zel::ui::test::ClockSite;
using zel::ui::test::ConnectTo;
using zel::ui::test::DisconnectFrom;
using zel::ui::test::MessageRecorder;

class ClockAuditTest : public QObject {
    Q_OBJECT

    // The newest row of the site's audit trail.
    static zel::data::AuditEntry Newest()
    {
        const auto page = zel::data::AuditLog().Page({}, 0, 1);
        return page.empty() ? zel::data::AuditEntry{} : page.front();
    }

private slots:
    void init() { ClockSite::Get().ResetEmulator(); }

    void everyClockCommandOfThePageLeavesItsRow()
    {
        ManageClock page;
        page.show();
        MessageRecorder messages;
        auto* cc = page.findChild<ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        // An hour ahead, so that the Clock Check panel offers to mend it.
        ClockSite::Get().Server().Clock(1).SetTime(zel::support::ClockZone::Now({}).AddSeconds(3600));
        ConnectTo(*cc, QStringLiteral("Front Door"));
        QVERIFY(cc->IsConnected());
        struct Case {
            const char* Button;
            const char* Action;
        };
        const Case cases[] = {{"cmdMendClock", "time-set"},
                              {"cmdSendTime", "time-set"},
                              {"cmdSendSettings", "settings"},
                              {"cmdRemoveAll", "clear"}};
        for (const auto& c : cases) {
            const auto before = Newest().Sequence;
            messages.QueueAnswer(zel::ui::MsgResult::Yes); // Clear Users asks first
            QTest::mouseClick(page.findChild<QPushButton*>(QString::fromLatin1(c.Button)), Qt::LeftButton);
            const auto row = Newest();
            QCOMPARE(row.Sequence, before + 1);
            QCOMPARE(QString::fromStdString(row.Action), QString::fromLatin1(c.Action));
            QCOMPARE(QString::fromStdString(row.ClockName), QStringLiteral("Front Door"));
            QCOMPARE(QString::fromStdString(row.Outcome), QStringLiteral("done"));
        }
        DisconnectFrom(*cc);
        page.hide();
    }

    void theActivityWindowFiltersVerifiesAndExports()
    {
        zel::data::AuditEntry entry;
        entry.Action = "menu";
        entry.ClockName = "Back Door";
        entry.UserIDs = {"=1+1"};
        entry.Outcome = "failed";
        zel::data::AuditLog().Append({entry});

        MessageRecorder messages;
        zel::ui::frmActivity window;
        window.findChild<QLineEdit*>(QStringLiteral("txtClock"))->setText(QStringLiteral("back door"));
        window.findChild<QComboBox*>(QStringLiteral("cboAction"))->setCurrentText(QStringLiteral("menu"));
        window.ApplyFilter();
        QCOMPARE(window.Model()->rowCount(), 1);
        QCOMPARE(window.Model()->data(window.Model()->index(0, zel::ui::AuditTableModel::ColumnOutcome)).toString(),
                 QStringLiteral("failed"));

        QVERIFY(window.Verify().Intact());
        QVERIFY(messages.Last().text.startsWith(QStringLiteral("The audit trail is intact")));

        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("activity.csv"));
        QCOMPARE(window.ExportTo(file), 1);
        std::stringstream text;
        text << std::ifstream(file.toStdString()).rdbuf();
        QVERIFY(text.str().starts_with("id,sequence,time,"));
        QVERIFY2(text.str().find(",'=1+1,") != std::string::npos, text.str().c_str()); // guarded for spreadsheets
        QCOMPARE(window.ExportTo(folder.filePath(QStringLiteral("missing/activity.csv"))), -1);
    }
};

ZEL_REGISTER_CLOCKPAGE_TEST(ClockAuditTest);

#include "ClockAuditTest.moc"
