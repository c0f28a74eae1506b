#pragma once

#include <QDialog>
#include <QStyle>

class QLabel;
class QPushButton;

namespace zel::ui {

// The start-up question about the site database: an icon, the message (selectable text) and two
// buttons, the one that goes on (accepts) and Quit (rejects), which is the default and has the
// focus, so that Enter quits. Asked over a window (a site opened from the program), the rejecting
// button reads Cancel instead. The questions (a missing file, a file that cannot be written) derive
// from it with their texts and names.
class SiteQuestionDialog : public QDialog {
    Q_OBJECT
public:
    // `goOn` names the accepting button (objectName `goOnName`); the message label is at least
    // `messageWidth` pixels wide.
    SiteQuestionDialog(const QString& objectName, QStyle::StandardPixmap icon, const QString& message,
                       const QString& goOn, const QString& goOnName, int messageWidth, QWidget* parent);
};

} // namespace zel::ui
