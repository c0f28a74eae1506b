#pragma once

#include <QObject>
#include <QString>

#include <initializer_list>
#include <string>

class QCheckBox;
class QDateEdit;
class QTimer;
class QWidget;

namespace zel::ui {

// The single-shot timer (tmrFilter, owned by `owner`) after which a filter bar's changes are
// applied: typing a user ID reads the table once, not once a key.
QTimer* MakeFilterDelay(QObject* owner);

// A caption and its field side by side (no margins), as one item of a filter bar; named `name`.
QWidget* FilterGroup(QWidget* parent, const char* name, std::initializer_list<QWidget*> parts);

// The From and To dates of a filter bar (the Events page, the Activity window): each date counts
// only while its box is ticked (chkSince with dtpSince, chkUntil with dtpUntil); From starts a week
// before today, To at today, both shown whole beside their drop-down calendars.
//
// Holds only its controls, made as children of the parent given and placed by the owner through
// SinceGroup and UntilGroup (fraSince, fraUntil). Changed is told on every change a filter follows.
class DateRangeFilter : public QObject {
    Q_OBJECT
public:
    DateRangeFilter(QWidget* parent, const QString& sinceCaption);

    QWidget* SinceGroup() const { return mSinceGroup; }
    QWidget* UntilGroup() const { return mUntilGroup; }
    // "YYYY-MM-DD", or empty while the box is not ticked.
    std::string Since() const;
    std::string Until() const;
    // Unticks both boxes without telling Changed.
    void Clear();

signals:
    void Changed();

private:
    QCheckBox* mSinceOn;
    QDateEdit* mSince;
    QCheckBox* mUntilOn;
    QDateEdit* mUntil;
    QWidget* mSinceGroup;
    QWidget* mUntilGroup;
};

} // namespace zel::ui
