#include "TestRegistry.h"
#include "TestSite.h"

#include "MessageRecorder.h"
#include "layout/Anchor.h"
#include "pages/ConnectionCenter.h"
#include "pages/frmMain.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QResizeEvent>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <array>

namespace zel::ui::test {
namespace {

constexpr std::array<const char*, 5> PageNames{"ListContainer1", "ManageClock1", "AddRemoveUsers1", "SynchronizeUI1",
                                               "Events1"};

QWidget* Child(const QWidget& window, const char* name)
{
    return window.findChild<QWidget*>(QString::fromLatin1(name));
}

// The visible controls of `window` that cover one another, or reach out of the window: "a / b".
QStringList CrossingControls(const QWidget& window)
{
    QList<QWidget*> controls;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(widget);
        const bool control = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                             qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
                             qobject_cast<QAbstractItemView*>(widget) ||
                             (label && (!label->text().isEmpty() || !label->pixmap().isNull()));
        if (control && widget->isVisible() && !widget->rect().isEmpty() && !qobject_cast<QMenu*>(widget->window()))
            controls << widget;
    }
    auto place = [&window](const QWidget* widget) {
        return QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size());
    };
    auto name = [](const QWidget* widget) {
        return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                              : widget->objectName();
    };
    QStringList crossing;
    for (int i = 0; i < controls.size(); ++i) {
        if (!window.rect().contains(place(controls[i])))
            crossing << name(controls[i]) + QStringLiteral(" / window");
        for (int j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->isAncestorOf(controls[j]) || controls[j]->isAncestorOf(controls[i]))
                continue;
            if (place(controls[i]).intersects(place(controls[j])))
                crossing << name(controls[i]) + QStringLiteral(" / ") + name(controls[j]);
        }
    }
    return crossing;
}

} // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { OpenTestSiteDatabase(); }

    void LoadsWithFiveItemsAndNoPageShown()
    {
        frmMain window;
        QCOMPARE(window.windowTitle(), QStringLiteral("ZEL Maintenance"));
        QCOMPARE(window.size(), QSize(1024, 700));
        auto* bar = window.findChild<QListWidget*>(QStringLiteral("ListBar"));
        QVERIFY(bar != nullptr);
        const QStringList captions{"Manage Lists", "Manage Clock", "Add/Remove Users", "Synchronize Users", "Events"};
        const QStringList keys{"Lists", "ReaderSetup", "AddRemove", "Synchronize", "Events"};
        QCOMPARE(bar->count(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(bar->item(i)->text(), captions[i]);
            QCOMPARE(bar->item(i)->data(Qt::UserRole).toString(), keys[i]);
            QVERIFY(!bar->item(i)->icon().isNull());
        }
        for (const char* name : PageNames) {
            QWidget* page = Child(window, name);
            QVERIFY2(page != nullptr, name);
            QVERIFY2(page->isHidden(), name);
        }
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lblBanner"))->text(), QStringLiteral("ZEL Maintenance"));
        QCOMPARE(window.PageTitle(QStringLiteral("lists")), QStringLiteral("Manage User, Clock, and Channel Lists"));
        QVERIFY(window.Anchors() == nullptr);
        for (const char* name : {"picBanner", "imgBanner", "mnuFile", "mnuHelp"})
            QVERIFY2(window.findChild<QObject*>(QString::fromLatin1(name)) != nullptr, name);
    }

    // Before a page is chosen the window says where to begin; on an empty site, with the lists.
    void TheStartPageSaysWhereToBegin()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* hint = window.findChild<QLabel*>(QStringLiteral("lblStartHint"));
        QVERIFY(hint != nullptr);
        QVERIFY(hint->isVisible());
        QVERIFY2(hint->text().contains(QStringLiteral("Begin with <b>Manage Lists</b>")), qPrintable(hint->text()));
        QCOMPARE(hint->geometry(), Child(window, "ManageClock1")->geometry()); // where the pages are
        window.ListBar_ItemClick(1);
        QVERIFY(!hint->isVisible());
    }

    void NavigationSetsTitlePictureAndOneVisiblePage()
    {
        frmMain window;
        const QStringList titles{"Manage User, Clock, and Channel Lists", "Manage Clock", "Add/Remove Users",
                                 "Synchronize Users", "Events Collected from the Clocks"};
        auto* banner = window.findChild<QLabel*>(QStringLiteral("lblBanner"));
        auto* picture = window.findChild<QLabel*>(QStringLiteral("imgBanner"));
        for (int pass = 0; pass < 2; ++pass) { // the second pass clicks items that are already chosen
            for (int n : {3, 1, 5, 4, 2, 2}) {
                window.ListBar_ItemClick(n);
                QCOMPARE(banner->text(), titles[n - 1]);
                QCOMPARE(picture->pixmap().toImage(), window.BannerImage(n).toImage());
                for (int i = 0; i < 5; ++i)
                    QCOMPARE(Child(window, PageNames[static_cast<std::size_t>(i)])->isHidden(), i != n - 1);
            }
        }
        QVERIFY(window.BannerImage(1).toImage() != window.BannerImage(2).toImage());
        window.ListBar_ItemClick(0); // no such item: nothing changes
        window.ListBar_ItemClick(6);
        QVERIFY(!Child(window, "ManageClock1")->isHidden());
    }

    // Made as small as it goes, the window still holds every page's controls side by side: none
    // slides under another or out of the window.
    void AtItsSmallestEveryPageHoldsItsControls()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(640, 480);
        QTRY_COMPARE(window.size(), window.minimumSize());
        QVERIFY2(
            window.width() <= 820 && window.height() <= 600,
            qPrintable(QStringLiteral("fits a small screen, not %1 x %2").arg(window.width()).arg(window.height())));
        for (int n = 1; n <= 5; ++n) {
            window.ListBar_ItemClick(n);
            QWidget* page = Child(window, PageNames[static_cast<std::size_t>(n - 1)]);
            QList<QTabWidget*> tabs = page->findChildren<QTabWidget*>();
            const int pagesOfTabs = tabs.isEmpty() ? 1 : tabs.front()->count();
            for (int tab = 0; tab < pagesOfTabs; ++tab) {
                if (!tabs.isEmpty())
                    tabs.front()->setCurrentIndex(tab);
                QCoreApplication::processEvents();
                const QStringList crossing = CrossingControls(window);
                QVERIFY2(crossing.isEmpty(), qPrintable(QStringLiteral("%1 tab %2: %3")
                                                            .arg(QString::fromLatin1(PageNames[n - 1]))
                                                            .arg(tab)
                                                            .arg(crossing.join(QStringLiteral(", ")))));
            }
        }
    }

    void ClickOnNavigationItemShowsItsPage()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* bar = window.findChild<QListWidget*>(QStringLiteral("ListBar"));
        QRect rect = bar->visualItemRect(bar->item(2));
        QTest::mouseClick(bar->viewport(), Qt::LeftButton, {}, rect.center());
        QVERIFY(Child(window, "AddRemoveUsers1")->isVisible());
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lblBanner"))->text(), QStringLiteral("Add/Remove Users"));
    }

    void NavigationIsLockedWhileAnEnrollmentRuns()
    {
        frmMain window;
        auto* bar = window.findChild<QListWidget*>(QStringLiteral("ListBar"));
        auto* cc = window.findChild<zel::ui::ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        QVERIFY(bar && cc);
        QVERIFY(bar->isEnabled());
        cc->BeginLongCommand(); // what an enrollment does while it runs
        QVERIFY(!bar->isEnabled());
        cc->EndLongCommand();
        QVERIFY(bar->isEnabled());
    }

    // The About box is modal: opened during an enrollment it would hold the enrollment's polling
    // until it is closed. Help, About is locked as the page bar is.
    void HelpAboutIsLockedWhileAnEnrollmentRuns()
    {
        frmMain window;
        auto* about = window.findChild<QAction*>(QStringLiteral("mnuHelpAbout"));
        auto* cc = window.findChild<zel::ui::ConnectionCenter*>(QStringLiteral("ConnectionCenter1"));
        QVERIFY(about && cc);
        QVERIFY(about->isEnabled());
        cc->BeginLongCommand();
        QVERIFY(!about->isEnabled());
        bool opened = false; // a box that did open is closed again, so the test cannot hang on it
        QTimer::singleShot(0, &window, [&opened] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                opened = true;
                box->close();
            }
        });
        about->trigger(); // a disabled action does nothing: no box opens
        QTest::qWait(20);
        QVERIFY(!opened);
        cc->EndLongCommand();
        QVERIFY(about->isEnabled());
    }

    void ResizeBeforeFirstActivationDoesNothing()
    {
        frmMain window;
        std::vector<QRect> before;
        for (const char* name : PageNames)
            before.push_back(Child(window, name)->geometry());
        QRect banner = Child(window, "picBanner")->geometry();
        window.resize(1400, 900);
        QWidget* area = Child(window, "fraPages");
        QResizeEvent event(QSize(1300, 880), area->size());
        QApplication::sendEvent(area, &event);
        QApplication::sendEvent(&window, &event);
        QVERIFY(window.Anchors() == nullptr);
        for (std::size_t i = 0; i < PageNames.size(); ++i)
            QCOMPARE(Child(window, PageNames[i])->geometry(), before[i]);
        QCOMPARE(Child(window, "picBanner")->geometry(), banner);
    }

    void FirstShowRegistersAnchorsInOrderAndResizeFollows()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const Anchor* anchor = window.Anchors();
        QVERIFY(anchor != nullptr);
        QCOMPARE(anchor->Count(), 9);
        const std::array<std::pair<const char*, int>, 9> expected{{{"ListContainer1", 15},
                                                                   {"picBanner", 3},
                                                                   {"lblBanner", 3},
                                                                   {"ManageClock1", 15},
                                                                   {"AddRemoveUsers1", 15},
                                                                   {"SynchronizeUI1", 15},
                                                                   {"Events1", 15},
                                                                   {"imgBanner", 2},
                                                                   {"lblStartHint", 15}}};
        for (int i = 0; i < 9; ++i) {
            const auto& [name, flags] = expected[static_cast<std::size_t>(i)];
            QCOMPARE(anchor->Item(i).Control->objectName(), QString::fromLatin1(name));
            QCOMPARE(anchor->Item(i).Anchors, flags);
        }

        QWidget* area = Child(window, "fraPages");
        QWidget* page = Child(window, "ManageClock1");
        QWidget* banner = Child(window, "picBanner");
        QWidget* picture = Child(window, "imgBanner");
        QCOMPARE(page->geometry().right(), area->width() - 1);
        QCOMPARE(page->geometry().bottom(), area->height() - 1);
        const QRect pageBefore = page->geometry();
        const QRect bannerBefore = banner->geometry();
        const QRect pictureBefore = picture->geometry();
        const QSize areaBefore = area->size();

        window.resize(window.width() + 200, window.height() + 100);
        QTRY_COMPARE(area->size(), areaBefore + QSize(200, 100));
        QCOMPARE(page->geometry(), pageBefore.adjusted(0, 0, 200, 100));
        QCOMPARE(banner->geometry(), bannerBefore.adjusted(0, 0, 200, 0));
        QCOMPARE(picture->geometry(), pictureBefore.translated(200, 0));

        // Showing again is no new first activation.
        window.hide();
        window.show();
        QCOMPARE(window.Anchors(), anchor);
    }

    void FileExitClosesTheWindow()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* exit = window.findChild<QAction*>(QStringLiteral("mnuFileExit"));
        QVERIFY(exit != nullptr);
        QCOMPARE(exit->text(), QStringLiteral("E&xit"));
        exit->trigger();
        QVERIFY(!window.isVisible());
    }

    void HelpAboutShowsAboutBoxOwnedByWindow()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QString shown;
        QWidget* owner = nullptr;
        QTimer::singleShot(0, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr) {
                shown = modal->objectName();
                owner = modal->parentWidget();
                modal->close();
            }
        });
        window.findChild<QAction*>(QStringLiteral("mnuHelpAbout"))->trigger();
        QCOMPARE(shown, QStringLiteral("frmAbout"));
        QCOMPARE(owner, &window);
    }
};

ZEL_REGISTER_TEST(FrmMainTest);

} // namespace zel::ui::test

#include "FrmMainTest.moc"
