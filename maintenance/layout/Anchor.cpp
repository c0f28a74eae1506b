#include "layout/Anchor.h"

#include "zel/Error.h"

#include <QMetaProperty>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>

namespace zel::ui {
namespace {

constexpr const char* Source = "Anchor";

// Nearest whole number, halves to the even one (the default rounding mode).
int Round(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

bool ReadNumber(const QObject* object, const char* name, float& value)
{
    const QMetaObject* meta = object->metaObject();
    int index = meta->indexOfProperty(name);
    if (index < 0)
        return false;
    QMetaProperty property = meta->property(index);
    if (!property.isReadable())
        return false;
    bool ok = false;
    double read = property.read(object).toDouble(&ok);
    if (!ok)
        return false;
    value = static_cast<float>(read);
    return true;
}

bool WriteNumber(QObject* object, const char* name, float value)
{
    const QMetaObject* meta = object->metaObject();
    int index = meta->indexOfProperty(name);
    if (index < 0)
        return false;
    QMetaProperty property = meta->property(index);
    if (!property.isWritable())
        return false;
    int type = property.metaType().id();
    if (type == QMetaType::Double || type == QMetaType::Float)
        return property.write(object, QVariant(static_cast<double>(value)));
    return property.write(object, QVariant(Round(value)));
}

struct Geometry {
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;
};

// Left, top, width and height of a control; of a line, its bounding values from the end points.
bool ReadGeometry(const QObject* control, Geometry& g)
{
    if (const auto* widget = qobject_cast<const QWidget*>(control)) {
        QRect r = widget->geometry();
        g = {float(r.x()), float(r.y()), float(r.width()), float(r.height())};
        return true;
    }
    Geometry read;
    if (ReadNumber(control, "Left", read.Left) && ReadNumber(control, "Top", read.Top) &&
        ReadNumber(control, "Width", read.Width) && ReadNumber(control, "Height", read.Height)) {
        g = read;
        return true;
    }
    std::array<float, 4> p{};
    if (ReadNumber(control, "X1", p[0]) && ReadNumber(control, "Y1", p[1]) && ReadNumber(control, "X2", p[2]) &&
        ReadNumber(control, "Y2", p[3])) {
        g = {p[0], p[1], p[2] - p[0], p[3] - p[1]};
        return true;
    }
    return false;
}

// Each Apply* returns false when the control refuses; a refused step leaves the rest undone.
bool ApplyMove(QObject* control, const Geometry& g)
{
    auto* widget = qobject_cast<QWidget*>(control);
    if (widget == nullptr)
        return false;
    int width = Round(g.Width);
    int height = Round(g.Height);
    if (width < 0 || height < 0)
        return false; // a widget has no negative size: keep what is on screen
    widget->setGeometry(Round(g.Left), Round(g.Top), width, height);
    return true;
}

bool ApplyLine(QObject* control, const Geometry& g)
{
    return WriteNumber(control, "X1", g.Left) && WriteNumber(control, "Y1", g.Top) &&
           WriteNumber(control, "X2", g.Left + g.Width) && WriteNumber(control, "Y2", g.Top + g.Height);
}

bool ApplyLeftTopWidth(QObject* control, const Geometry& g)
{
    return WriteNumber(control, "Left", g.Left) && WriteNumber(control, "Top", g.Top) && g.Width >= 0 &&
           WriteNumber(control, "Width", g.Width);
}

bool ApplyProperties(QObject* control, const Geometry& g)
{
    return ApplyLeftTopWidth(control, g) && g.Height >= 0 && WriteNumber(control, "Height", g.Height);
}

// Finds how a control takes its position by trying each way in turn with its present
// geometry, so that the trial does not visibly move it.
std::int32_t TryPositionKind(QObject* control, const Geometry& g)
{
    if (ApplyMove(control, g))
        return PositionMove;
    if (ApplyLine(control, g))
        return PositionLine;
    if (ApplyLeftTopWidth(control, g)) {
        WriteNumber(control, "Height", g.Height);
        return PositionProperties;
    }
    return PositionNone;
}

QWidget* ContainerOf(const QObject* control)
{
    if (const auto* widget = qobject_cast<const QWidget*>(control))
        return widget->parentWidget();
    return qobject_cast<QWidget*>(control->parent());
}

} // namespace

Anchor::Anchor() : mRecords(InitialCapacity) {}

void Anchor::SetCapacity(int capacity)
{
    int n = std::max(capacity, InitialCapacity);
    if (n < mCount)
        throw Error(AnchorErrCapacity, Source, "Cannot set capacity less than the number of anchors.");
    mRecords.resize(static_cast<std::size_t>(n));
}

int Anchor::Add(QObject* control, std::int32_t anchors)
{
    if (control == nullptr)
        throw Error(AnchorErrNoControl, Source, "Control cannot be Nothing.");

    int n = mCount + 1;
    if (n > Capacity())
        SetCapacity(std::max(2 * Capacity(), n));

    AnchorInfo info;
    Geometry g;
    bool positioned = ReadGeometry(control, g);
    info.Left = g.Left;
    info.Top = g.Top;
    info.Width = g.Width;
    info.Height = g.Height;
    info.Control = control;
    info.Container = ContainerOf(control);
    info.Anchors = anchors;
    if (info.Container) {
        double width = info.Container->width();
        double height = info.Container->height();
        info.LeftDistance = Round(g.Left);
        info.TopDistance = Round(g.Top);
        info.RightDistance = Round(width - (double(g.Left) + g.Width));
        info.BottomDistance = Round(height - (double(g.Top) + g.Height));
    }
    // Without a geometry or a container there is nothing to follow.
    info.PositionKind = positioned && info.Container ? TryPositionKind(control, g) : PositionNone;

    mRecords[static_cast<std::size_t>(n - 1)] = info;
    mCount = n;
    return n - 1;
}

const AnchorInfo& Anchor::Item(int index) const
{
    if (index < 0 || index >= mCount)
        throw Error(errc::SubscriptOutOfRange, Source, "Subscript out of range");
    return mRecords[static_cast<std::size_t>(index)];
}

void Anchor::ReAnchor()
{
    for (int i = 0; i < mCount; ++i) {
        AnchorInfo& info = mRecords[static_cast<std::size_t>(i)];
        if (info.PositionKind == PositionNone || !info.Control || !info.Container)
            continue;

        float width = static_cast<float>(info.Container->width());
        float height = static_cast<float>(info.Container->height());
        if (info.Anchors & AnchorBottom) {
            if (info.Anchors & AnchorTop)
                info.Height = height - static_cast<float>(info.TopDistance + info.BottomDistance);
            else
                info.Top = height - (info.Height + static_cast<float>(info.BottomDistance));
        }
        if (info.Anchors & AnchorRight) {
            if (info.Anchors & AnchorLeft)
                info.Width = width - static_cast<float>(info.LeftDistance + info.RightDistance);
            else
                info.Left = width - (info.Width + static_cast<float>(info.RightDistance));
        }

        Geometry g{info.Left, info.Top, info.Width, info.Height};
        try {
            switch (info.PositionKind) {
            case PositionMove:
                ApplyMove(info.Control, g);
                break;
            case PositionLine:
                ApplyLine(info.Control, g);
                break;
            case PositionProperties:
                ApplyProperties(info.Control, g);
                break;
            default:
                break;
            }
        } catch (...) {
            // A control whose setter fails keeps its geometry; the others are still placed.
        }
    }
}

void Anchor::Clear()
{
    mRecords.clear();
    mRecords.resize(InitialCapacity);
    mCount = 0;
}

} // namespace zel::ui
