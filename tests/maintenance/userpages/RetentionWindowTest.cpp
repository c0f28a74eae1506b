// The Retention Schedule window: the setting, who is due under it, and Forget Due Users.
#include "MessageRecorder.h"
#include "UserSite.h"

#include "zel/DateTime.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/data/LifecycleStore.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include "pages/frmRetention.h"

#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

namespace zel::ui::test {

class RetentionWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        UserSite::Get().Reset();
        zel::data::LifecycleStore().SetRetentionDays(zel::data::kDefaultRetentionDays);
    }

    void ListsWhoIsDueAndForgetsThem()
    {
        auto& site = UserSite::Get();
        // 11 enrolled 400 days ago, 12 today, 13 without a template.
        site.AddUser("11", "Old", true);
        site.AddUser("12", "New", true);
        site.AddUser("13", "None", false);
        site.PutClockUser("Alpha", "11", 1);
        zel::data::DataSource data;
        data.GetConnection()->Update(
            "Users", data.GetUserDescriptionList()->Item("11")->DatabaseID(),
            {{"TemplateStoredAt",
              zel::data::FieldValue(zel::DateTime::Now().AddDays(-400).DateString() + "T09:00:00Z")}});

        frmRetention window(nullptr);
        QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("txtRetentionDays"))->value(), 1095);
        QCOMPARE(window.DueCount(), 0);
        window.findChild<QSpinBox*>(QStringLiteral("txtRetentionDays"))->setValue(365);
        window.findChild<QPushButton*>(QStringLiteral("cmdSaveRetention"))->click();
        QCOMPARE(zel::data::LifecycleStore().RetentionDays(), 365);
        QCOMPARE(window.DueCount(), 1);
        const auto* due = window.findChild<QTreeWidget*>(QStringLiteral("lvwDueUsers"))->topLevelItem(0);
        QCOMPARE(due->text(0), QStringLiteral("11"));
        QCOMPARE(due->text(2), QStringLiteral("template stored"));
        QCOMPARE(due->text(4), QStringLiteral("35"));

        MessageRecorder messages;
        messages.QueueAnswer(MsgResult::Yes);
        window.findChild<QPushButton*>(QStringLiteral("cmdForgetDue"))->click();
        QVERIFY2(messages.Messages().front().text.startsWith(QStringLiteral("Forget 11 (Old)?")),
                 qPrintable(messages.Messages().front().text));
        QCOMPARE(window.DueCount(), 0);
        QCOMPARE(site.ClockUserIds("Alpha"), QStringList{});
        QVERIFY(!data.GetUserDescriptionList()->Item("11")->Enrolled());
        QVERIFY(data.GetUserDescriptionList()->Item("12")->Enrolled());
    }
};

ZEL_REGISTER_USERPAGE_TEST(RetentionWindowTest);

} // namespace zel::ui::test

#include "RetentionWindowTest.moc"
