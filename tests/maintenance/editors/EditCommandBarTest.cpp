#include "EditorTestSupport.h"

#include "editors/EditCommandBar.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace zel::ui::test {
namespace {

const char* const kButtons[] = {"cmdAdd", "cmdRemove", "cmdEdit", "cmdSave", "cmdCancel"};

QPushButton* Button(EditCommandBar& bar, int i)
{
    return bar.findChild<QPushButton*>(QString::fromLatin1(kButtons[i]));
}

QString EnabledPattern(EditCommandBar& bar)
{
    QString pattern;
    for (int i = 0; i < 5; ++i)
        pattern += Button(bar, i)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return pattern;
}

} // namespace

class EditCommandBarTest : public QObject {
    Q_OBJECT
private slots:
    void buttonsHaveTheirCaptionsPlacesAndCodes()
    {
        EditCommandBar bar;
        const char* captions[] = {"&Add", "&Remove", "&Edit", "&Save", "&Cancel"};
        const int lefts[] = {8, 88, 168, 248, 328}; // 120, 1320, ... twips
        QSignalSpy clicks(&bar, &EditCommandBar::Click);
        bar.SetEditMode(EditModeNone);
        for (int i = 0; i < 5; ++i) {
            auto* button = Button(bar, i);
            QVERIFY(button);
            QCOMPARE(button->text(), QString::fromLatin1(captions[i]));
            QCOMPARE(button->geometry(), QRect(lefts[i], 8, 73, 25));
        }
        Button(bar, 0)->click();
        bar.SetEditMode(EditModeEdit);
        Button(bar, 3)->click();
        Button(bar, 4)->click();
        bar.SetEditMode(EditModeNone);
        Button(bar, 1)->click();
        Button(bar, 2)->click();
        QCOMPARE(clicks.count(), 5);
        const int expected[] = {0, 3, 4, 1, 2};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(clicks.at(i).at(0).toInt(), expected[i]);
    }

    void keepsItsFixedSize()
    {
        EditCommandBar bar;
        bar.resize(900, 300);
        QCOMPARE(bar.size(), QSize(410, 42)); // 6150 x 630 twips
    }

    void buttonRuleFollowsModeAndEnabled_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("pattern"); // Add Remove Edit Save Cancel
        QTest::newRow("browsing") << 0 << true << "11100";
        QTest::newRow("adding") << 1 << true << "00011";
        QTest::newRow("editing") << 2 << true << "00011";
        QTest::newRow("any other mode edits") << 7 << true << "00011";
        QTest::newRow("disabled browsing: only Add shows") << 0 << false << "10000";
        QTest::newRow("disabled editing") << 2 << false << "00000";
    }
    void buttonRuleFollowsModeAndEnabled()
    {
        QFETCH(int, mode);
        QFETCH(bool, enabled);
        QFETCH(QString, pattern);
        EditCommandBar bar;
        QCOMPARE(bar.EditMode(), 0);
        bar.SetEditMode(mode);
        bar.SetEnabled(enabled);
        QCOMPARE(EnabledPattern(bar), pattern);
        bar.SetEnabled(true);
        bar.SetEnabled(enabled); // writing Enabled re-applies the rule with the present mode
        QCOMPARE(EnabledPattern(bar), pattern);
    }

    void disabledBarRaisesNoCommand()
    {
        EditCommandBar bar;
        bar.SetEnabled(false);
        QSignalSpy clicks(&bar, &EditCommandBar::Click);
        QVERIFY(Button(bar, 0)->isEnabled());
        QTest::mouseClick(Button(bar, 0), Qt::LeftButton);
        Button(bar, 0)->click();
        QCOMPARE(clicks.count(), 0);
    }
};

ZEL_EDITOR_TEST(EditCommandBarTest);

} // namespace zel::ui::test

#include "EditCommandBarTest.moc"
