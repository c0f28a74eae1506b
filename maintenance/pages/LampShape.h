#pragma once

#include <QWidget>

namespace zel::ui {

// A filled shape used as a lamp: the connection status lamp and the finger lamps of the
// enrollment station. The fill colour is kept as a classic colour value (0x00BBGGRR: 255 red,
// 65280 green) so that it reads the same as the values the pages set.
class LampShape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int FillColor READ FillColor WRITE SetFillColor)
public:
    enum class Form { Circle, RoundedRectangle };

    explicit LampShape(QWidget* parent = nullptr, Form form = Form::Circle);

    int FillColor() const { return mFillColor; }
    void SetFillColor(int colorValue);

    // The colour value as a QColor.
    static QColor ToColor(int colorValue);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Form mForm;
    int mFillColor = 255;
};

} // namespace zel::ui
