#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;

namespace zel::ui {

// The body of the two progress windows that work on one clock ("Exporting Users", "Removing
// Users"): a status label and a bar from 0 to the number of users. While it is up the window
// blocks input to its owner's window, so no other command can start inside the running one;
// each step repaints and lets the message pump run.
class UserProgressWindow : public QWidget {
    Q_OBJECT
public:
    UserProgressWindow(QWidget* owner, const QString& caption, const QString& objectName);

    QString Status() const;
    int Value() const;
    int Maximum() const;

signals:
    // After every step: the new bar value (tests follow the work through it).
    void Advanced(int value);

protected:
    // Shows the window owned by `owner` (caption kept when `caption` is empty), runs step(0) ..
    // step(count - 1), advancing the bar after each, and closes the window, also when a step
    // raises; the error then travels on.
    void Run(QWidget* owner, const QString& caption, int count, const std::function<void(int)>& step);
    // Shows `status` at once (before the clock command of the step).
    void ShowStatus(const QString& status);

    void closeEvent(QCloseEvent* event) override;

private:
    void Begin(QWidget* owner, const QString& caption, int maximum);
    void Advance();
    void End();

    QLabel* mStatus;
    QProgressBar* mProgress;
    bool mWorking = false;
};

} // namespace zel::ui
