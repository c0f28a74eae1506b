#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

class QPushButton;

namespace zel::ui {

// The command codes a list editor handles.
enum EditCommand : std::int32_t {
    EditCommandAdd = 0,
    EditCommandRemove = 1,
    EditCommandEdit = 2,
    EditCommandSave = 3,
    EditCommandCancel = 4,
};

// The editing state shown by the bar.
enum EditModeValue : std::int32_t {
    EditModeNone = 0,
    EditModeAdd = 1,
    EditModeEdit = 2,
};

// The Add / Remove / Edit / Save / Cancel bar shared by the list editors. Fixed size
// (6150 x 630 twips). The bar's own Enabled flag is separate from QWidget's: while it is false
// no button reacts, and the buttons show the state of the button rule (so Add still looks
// available while not editing).
class EditCommandBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int WidthTwips = 6150;
    static constexpr int HeightTwips = 630;

    explicit EditCommandBar(QWidget* parent = nullptr);

    // 0 none, 1 adding, 2 editing; any value other than 0 counts as editing.
    std::int32_t EditMode() const { return mEditMode; }
    void SetEditMode(std::int32_t mode);

    bool Enabled() const { return mEnabled; }
    void SetEnabled(bool enabled);

    // A list of a site opened read-only: no button is usable (not even Add), and each says why in
    // its tooltip. An empty reason lifts it.
    void SetReadOnly(const QString& reason);
    bool IsReadOnly() const { return !mReadOnlyReason.isEmpty(); }

signals:
    // Raised with the command code of the button pressed.
    void Click(std::int32_t command);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ApplyButtonRule();
    void TakeHostBackground();
    void OnButton(std::int32_t command);

    std::array<QPushButton*, 5> mButtons{};
    std::int32_t mEditMode = EditModeNone;
    bool mEnabled = true;
    QString mReadOnlyReason;
};

} // namespace zel::ui
