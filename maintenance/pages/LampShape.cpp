#include "pages/LampShape.h"

#include <QPainter>

namespace zel::ui {

LampShape::LampShape(QWidget* parent, Form form) : QWidget(parent), mForm(form)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void LampShape::SetFillColor(int colorValue)
{
    if (colorValue == mFillColor)
        return;
    mFillColor = colorValue;
    update();
}

QColor LampShape::ToColor(int colorValue)
{
    return QColor(colorValue & 0xFF, (colorValue >> 8) & 0xFF, (colorValue >> 16) & 0xFF);
}

void LampShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(ToColor(mFillColor));
    QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (mForm == Form::Circle) {
        qreal side = qMin(area.width(), area.height());
        area = QRectF(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
        painter.drawEllipse(area);
    } else {
        painter.drawRoundedRect(area, 4, 4);
    }
}

} // namespace zel::ui
