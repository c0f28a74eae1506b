#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <map>
#include <vector>

namespace zel::workflows {
struct ChannelStep;
}

class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;

namespace zel::ui {

// A small window that tells what a long command is doing, optionally with a Cancel button.
// Shown without blocking (show()); the caller sets the caption with setWindowTitle and the text
// with SetText, and deletes the window when the command ends. The window cannot be closed by the
// administrator while it is up: the close box counts as Cancel when Cancel is offered, and does
// nothing otherwise.
//
// A command that works on several channels at once gives each channel a line below the text
// (SetChannelLine): the channel's name with what it is doing (lblChannel1, lblChannel2, ...) and a
// bar (picProgress1, ...). Lines appear in the order their channels are first told; the window
// grows to show up to ten of them and scrolls beyond (scrChannels), so 500 channels at work keep
// it on the screen.
class frmMessage : public QWidget {
    Q_OBJECT
public:
    explicit frmMessage(QWidget* owner = nullptr);

    QString Text() const;
    // Sets the text and repaints the label at once (the caller may be blocked in a clock command).
    void SetText(const QString& text);

    // Sets the line of channel `channelID` (added below the others the first time): "name: status"
    // and a bar at done of total (no bar value when total is 0).
    void SetChannelLine(std::int32_t channelID, const QString& name, const QString& status, int done, int total);
    // The line of a channel group's step: the channel's name (from the site's channel list), then
    // "Clock - what it does (3 of 10)". Returns the line's text.
    QString ShowChannelStep(const zel::workflows::ChannelStep& step);
    int ChannelLineCount() const { return static_cast<int>(mLines.size()); }
    // The whole text of line `line` (0-based), or an empty string.
    QString ChannelLineText(int line) const;

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

    struct ChannelLine {
        std::int32_t ChannelID = 0;
        QLabel* Text = nullptr;
        QProgressBar* Bar = nullptr;
    };

    QLabel* mText;
    QPushButton* mCancel;
    QScrollArea* mLinesArea = nullptr; // made with the first line
    QWidget* mLinesBox = nullptr;
    std::vector<ChannelLine> mLines;
    std::map<std::int32_t, std::size_t> mLineOf;   // channel -> its line
    std::map<std::int32_t, QString> mChannelNames; // looked up once per channel
    bool mShowCancel = true;
};

} // namespace zel::ui
