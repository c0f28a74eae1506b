#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace zel::ui {

// A small window that tells what a long command is doing, optionally with a Cancel button.
// Shown without blocking (show()); the caller sets the caption with setWindowTitle and the text
// with SetText, and deletes the window when the command ends. The window cannot be closed by the
// administrator while it is up: the close box counts as Cancel when Cancel is offered, and does
// nothing otherwise.
class frmMessage : public QWidget {
    Q_OBJECT
public:
    explicit frmMessage(QWidget* owner = nullptr);

    QString Text() const;
    // Sets the text and repaints the label at once (the caller may be blocked in a clock command).
    void SetText(const QString& text);

    bool ShowCancel() const { return mShowCancel; }
    // Shows or hides cmdCancel; the window height follows, so that the button is visible exactly
    // when it is offered.
    void SetShowCancel(bool show);
    // Greys Cancel out (after it has been clicked once) or enables it again.
    void SetCancelEnabled(bool enabled);

signals:
    void CancelClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FitHeight();

    QLabel* mText;
    QPushButton* mCancel;
    bool mShowCancel = true;
};

} // namespace zel::ui
