#include "TestRegistry.h"

#include "layout/Anchor.h"
#include "layout/Twips.h"
#include "zel/Error.h"

#include <QTest>
#include <QWidget>

#include <memory>

namespace zel::ui::test {
namespace {

// A line shape: it takes its position only through its end points.
class FakeLine : public QObject {
    Q_OBJECT
    Q_PROPERTY(double X1 MEMBER X1)
    Q_PROPERTY(double Y1 MEMBER Y1)
    Q_PROPERTY(double X2 MEMBER X2)
    Q_PROPERTY(double Y2 MEMBER Y2)
public:
    using QObject::QObject;
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// A shape positioned through its four properties.
class FakeShape : public QObject {
    Q_OBJECT
    Q_PROPERTY(double Left MEMBER Left)
    Q_PROPERTY(double Top MEMBER Top)
    Q_PROPERTY(double Width MEMBER Width)
    Q_PROPERTY(double Height MEMBER Height)
public:
    using QObject::QObject;
    double Left = 0, Top = 0, Width = 0, Height = 0;
};

long ErrorNumberOf(const std::function<void()>& action, QString* description = nullptr)
{
    try {
        action();
    } catch (const zel::Error& e) {
        if (description != nullptr)
            *description = QString::fromStdString(e.Description());
        return e.Number();
    }
    return 0;
}

} // namespace

class AnchorTest : public QObject {
    Q_OBJECT

private slots:
    void TwipsConvertToPixels()
    {
        static_assert(TwipsToPixels(15) == 1);
        static_assert(TwipsToPixels(0) == 0);
        static_assert(TwipsToPixels(7) == 0);
        static_assert(TwipsToPixels(8) == 1);
        static_assert(TwipsToPixels(-8) == -1);
        static_assert(TwipsToPixels(15360) == 1024);
        static_assert(PixelsToTwips(3) == 45);
    }

    void StartsEmptyWithSixteenSlots()
    {
        Anchor anchor;
        QCOMPARE(anchor.Count(), 0);
        QCOMPARE(anchor.Capacity(), 16);
    }

    void SeventeenthAddDoublesCapacityAndKeepsRecords()
    {
        QWidget container;
        container.resize(400, 300);
        Anchor anchor;
        std::vector<QWidget*> controls;
        for (int i = 0; i < 17; ++i) {
            auto* w = new QWidget(&container);
            w->setGeometry(i, 2 * i, 10 + i, 20 + i);
            controls.push_back(w);
            QCOMPARE(anchor.Add(w, AnchorRight), i);
            QCOMPARE(anchor.Capacity(), i < 16 ? 16 : 32);
        }
        QCOMPARE(anchor.Count(), 17);
        for (int i = 0; i < 17; ++i) {
            const AnchorInfo& info = anchor.Item(i);
            QCOMPARE(info.Control.data(), controls[static_cast<std::size_t>(i)]);
            QCOMPARE(info.Left, float(i));
            QCOMPARE(info.Top, float(2 * i));
            QCOMPARE(info.Width, float(10 + i));
            QCOMPARE(info.RightDistance, 400 - (i + 10 + i));
            QCOMPARE(info.BottomDistance, 300 - (2 * i + 20 + i));
            QCOMPARE(info.PositionKind, PositionMove);
        }
    }

    void CapacityBelowSixteenBecomesSixteen()
    {
        Anchor anchor;
        anchor.SetCapacity(40);
        QCOMPARE(anchor.Capacity(), 40);
        anchor.SetCapacity(5);
        QCOMPARE(anchor.Capacity(), 16);
        anchor.SetCapacity(-3);
        QCOMPARE(anchor.Capacity(), 16);
    }

    void CapacityBelowCountIsRefused()
    {
        QWidget container;
        Anchor anchor;
        for (int i = 0; i < 25; ++i)
            anchor.Add(new QWidget(&container), AnchorLeft);
        QString text;
        QCOMPARE(ErrorNumberOf([&] { anchor.SetCapacity(20); }, &text), -2147220504L);
        QCOMPARE(text, QStringLiteral("Cannot set capacity less than the number of anchors."));
        QCOMPARE(anchor.Capacity(), 32);
        QCOMPARE(anchor.Count(), 25);
        anchor.SetCapacity(25); // exactly Count is fine
        QCOMPARE(anchor.Capacity(), 25);
        QVERIFY(anchor.Item(24).Control);
    }

    void AddWithoutControlIsRefused()
    {
        Anchor anchor;
        QString text;
        QCOMPARE(ErrorNumberOf([&] { anchor.Add(nullptr, AnchorAll); }, &text), -2147220503L);
        QCOMPARE(text, QStringLiteral("Control cannot be Nothing."));
        QCOMPARE(anchor.Count(), 0);
        QCOMPARE(ErrorNumberOf([&] { anchor.Item(0); }), 9L);
    }

    void AllEdgesGrowWithContainer()
    {
        QWidget container;
        container.resize(500, 400);
        auto* w = new QWidget(&container);
        w->setGeometry(10, 20, 100, 50);
        Anchor anchor;
        anchor.Add(w, AnchorAll);
        QCOMPARE(w->geometry(), QRect(10, 20, 100, 50)); // registering does not move it
        container.resize(800, 700);
        anchor.ReAnchor();
        QCOMPARE(w->geometry(), QRect(10, 20, 400, 350));
        container.resize(500, 400);
        anchor.ReAnchor();
        QCOMPARE(w->geometry(), QRect(10, 20, 100, 50));
    }

    void RightAloneMovesWithRightEdge()
    {
        QWidget container;
        container.resize(500, 400);
        auto* w = new QWidget(&container);
        w->setGeometry(380, 20, 100, 50);
        Anchor anchor;
        anchor.Add(w, AnchorRight);
        container.resize(537, 450);
        anchor.ReAnchor();
        QCOMPARE(w->geometry(), QRect(417, 20, 100, 50));
    }

    void BottomEdgesFollowVertically()
    {
        QWidget container;
        container.resize(500, 400);
        auto* moving = new QWidget(&container);
        moving->setGeometry(10, 300, 50, 40);
        auto* stretching = new QWidget(&container);
        stretching->setGeometry(10, 20, 50, 40);
        Anchor anchor;
        anchor.Add(moving, AnchorRight | AnchorBottom);
        anchor.Add(stretching, AnchorTop | AnchorBottom);
        container.resize(600, 450);
        anchor.ReAnchor();
        QCOMPARE(moving->geometry(), QRect(110, 350, 50, 40));
        QCOMPARE(stretching->geometry(), QRect(10, 20, 50, 90));
    }

    void LineKeepsLeftEndAndStretchesRightEnd()
    {
        QWidget container;
        container.resize(500, 400);
        auto* line = new FakeLine(&container);
        line->X1 = 20;
        line->Y1 = 30;
        line->X2 = 480;
        line->Y2 = 30;
        Anchor anchor;
        anchor.Add(line, AnchorLeft | AnchorRight);
        QCOMPARE(anchor.Item(0).PositionKind, PositionLine);
        QCOMPARE(anchor.Item(0).Width, 460.0f);
        container.resize(700, 500);
        anchor.ReAnchor();
        QCOMPARE(line->X1, 20.0);
        QCOMPARE(line->Y1, 30.0);
        QCOMPARE(line->X2, 680.0);
        QCOMPARE(line->Y2, 30.0);
    }

    void PropertiesShapeAndRoundingOfDistances()
    {
        QWidget container;
        container.resize(100, 100);
        auto* shape = new FakeShape(&container);
        shape->Left = 2.5;
        shape->Top = 3.5;
        shape->Width = 10;
        shape->Height = 10;
        Anchor anchor;
        anchor.Add(shape, AnchorAll);
        const AnchorInfo& info = anchor.Item(0);
        QCOMPARE(info.PositionKind, PositionProperties);
        QCOMPARE(info.LeftDistance, 2); // halves go to the even number
        QCOMPARE(info.TopDistance, 4);
        QCOMPARE(info.RightDistance, 88);  // 87.5
        QCOMPARE(info.BottomDistance, 86); // 86.5
        QCOMPARE(shape->Left, 2.5);        // the trial wrote the same geometry back
        container.resize(200, 150);
        anchor.ReAnchor();
        QCOMPARE(shape->Left, 2.5);
        QCOMPARE(shape->Width, 110.0);
        QCOMPARE(shape->Height, 60.0);
    }

    void ObjectWithoutPositionIsSkipped()
    {
        QWidget container;
        container.resize(100, 100);
        auto* plain = new QObject(&container);
        Anchor anchor;
        QCOMPARE(anchor.Add(plain, AnchorAll), 0);
        QCOMPARE(anchor.Item(0).PositionKind, PositionNone);
        container.resize(200, 200);
        anchor.ReAnchor(); // nothing to do, nothing raised
        QCOMPARE(anchor.Count(), 1);
    }

    void NegativeSizeKeepsLastValidGeometryAndOthersMove()
    {
        QWidget container;
        container.resize(300, 200);
        auto* stretched = new QWidget(&container);
        stretched->setGeometry(100, 10, 100, 50); // right distance 100
        auto* follower = new QWidget(&container);
        follower->setGeometry(250, 100, 20, 20);
        Anchor anchor;
        anchor.Add(stretched, AnchorLeft | AnchorRight);
        anchor.Add(follower, AnchorRight);
        container.resize(220, 200);
        anchor.ReAnchor();
        QCOMPARE(stretched->geometry(), QRect(100, 10, 20, 50));
        container.resize(150, 200); // width would be -50
        anchor.ReAnchor();
        QCOMPARE(stretched->geometry(), QRect(100, 10, 20, 50));
        QCOMPARE(follower->geometry(), QRect(100, 100, 20, 20));
        container.resize(400, 200); // grows back from the distances
        anchor.ReAnchor();
        QCOMPARE(stretched->geometry(), QRect(100, 10, 200, 50));
    }

    void GeometryChangedElsewhereIsOverwritten()
    {
        QWidget container;
        container.resize(300, 200);
        auto* w = new QWidget(&container);
        w->setGeometry(10, 10, 50, 50);
        Anchor anchor;
        anchor.Add(w, AnchorRight);
        w->setGeometry(0, 0, 5, 5);
        anchor.ReAnchor();
        QCOMPARE(w->geometry(), QRect(10, 10, 50, 50));
    }

    void DeletedControlIsSkipped()
    {
        QWidget container;
        container.resize(300, 200);
        auto* gone = new QWidget(&container);
        auto* kept = new QWidget(&container);
        kept->setGeometry(10, 10, 50, 50);
        Anchor anchor;
        anchor.Add(gone, AnchorAll);
        anchor.Add(kept, AnchorAll);
        delete gone;
        container.resize(400, 300);
        anchor.ReAnchor();
        QCOMPARE(kept->geometry(), QRect(10, 10, 150, 150));
    }

    void ClearForgetsEverythingAndAddStillWorks()
    {
        QWidget container;
        Anchor anchor;
        for (int i = 0; i < 20; ++i)
            anchor.Add(new QWidget(&container), AnchorLeft);
        anchor.Clear();
        QCOMPARE(anchor.Count(), 0);
        QCOMPARE(anchor.Capacity(), 16);
        QCOMPARE(anchor.Add(new QWidget(&container), AnchorLeft), 0);
        QCOMPARE(anchor.Count(), 1);
    }
};

ZEL_REGISTER_TEST(AnchorTest);

} // namespace zel::ui::test

#include "AnchorTest.moc"
