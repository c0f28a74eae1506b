#pragma once

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <vector>

class QWidget;

namespace zel::ui {

// Edge flags of Anchor::Add (a bit set).
enum AnchorEdge : std::int32_t {
    AnchorLeft = 1,   // keep the distance to the container's left edge (what every control does anyway)
    AnchorRight = 2,  // keep the distance to the container's right edge
    AnchorTop = 4,    // keep the distance to the container's top edge
    AnchorBottom = 8, // keep the distance to the container's bottom edge
    AnchorAll = AnchorLeft | AnchorRight | AnchorTop | AnchorBottom,
};

// How a registered control is positioned; decided once, when it is registered.
enum PositionKind : std::int32_t {
    PositionNone = 1,       // accepts no positioning; skipped
    PositionMove = 2,       // a QWidget: one setGeometry(left, top, width, height)
    PositionLine = 3,       // a QObject with writable properties X1, Y1, X2, Y2 (end points)
    PositionProperties = 4, // a QObject with writable properties Left, Top, Width, Height
};

// One registered control.
struct AnchorInfo {
    float Left = 0;   // last applied left position
    float Top = 0;    // last applied top position
    float Width = 0;  // last applied width
    float Height = 0; // last applied height
    QPointer<QObject> Control;
    QPointer<QWidget> Container; // the control's container at registration
    std::int32_t Anchors = 0;
    std::int32_t LeftDistance = 0;
    std::int32_t RightDistance = 0;
    std::int32_t TopDistance = 0;
    std::int32_t BottomDistance = 0;
    std::int32_t PositionKind = zel::ui::PositionNone;
};

// Keeps controls glued to the edges of their container. The owner (a window or page) creates
// one Anchor, registers each control that must follow the container's edges with the edges
// it follows, and calls ReAnchor whenever it is resized. Everything is in the container's own
// units (pixels). Controls are usually QWidgets; the container is the control's parent widget.
//
// Errors (zel::Error, source "Anchor"):
//   AnchorErrCapacity  "Cannot set capacity less than the number of anchors."  (SetCapacity)
//   AnchorErrNoControl "Control cannot be Nothing."                            (Add)
//
// A control that has been deleted since registration is skipped by ReAnchor.
class Anchor {
public:
    static constexpr long ObjectErrorBase = -2147221504L; // 0x80040000
    static constexpr long AnchorErrCapacity = ObjectErrorBase + 1000;
    static constexpr long AnchorErrNoControl = ObjectErrorBase + 1001;
    static constexpr int InitialCapacity = 16;

    Anchor();

    // Registers a control with its edge flags (AnchorEdge bits); returns the zero-based index
    // of its record. The control keeps its present geometry.
    int Add(QObject* control, std::int32_t anchors);

    int Capacity() const { return static_cast<int>(mRecords.size()); }
    // Below 16 counts as 16; below Count raises AnchorErrCapacity and changes nothing.
    void SetCapacity(int capacity);
    int Count() const { return mCount; }

    // The record in slot `index` (0 .. Count - 1); raises error 9 outside that range.
    const AnchorInfo& Item(int index) const;

    // Repositions every registered control for its container's present size. Never raises:
    // a control that refuses its new geometry (a negative size) keeps its previous one.
    void ReAnchor();

    // Forgets every registered control; the capacity goes back to 16.
    void Clear();

private:
    std::vector<AnchorInfo> mRecords;
    int mCount = 0;
};

} // namespace zel::ui
