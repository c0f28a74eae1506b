#include "editors/EditCommandBar.h"

#include "layout/Twips.h"

#include <QEvent>
#include <QPushButton>

namespace zel::ui {
namespace {

struct ButtonSpec {
    const char* name;
    const char* caption;
    int leftTwips;
};

constexpr ButtonSpec kButtons[] = {
    {"cmdAdd", "&Add", 120},    {"cmdRemove", "&Remove", 1320}, {"cmdEdit", "&Edit", 2520},
    {"cmdSave", "&Save", 3720}, {"cmdCancel", "&Cancel", 4920},
};

constexpr int kButtonTopTwips = 120;
constexpr int kButtonWidthTwips = 1095;
constexpr int kButtonHeightTwips = 375;

} // namespace

EditCommandBar::EditCommandBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EditCommandBar"));
    setFixedSize(TwipsToPixels(WidthTwips), TwipsToPixels(HeightTwips));
    for (std::size_t i = 0; i < mButtons.size(); ++i) {
        const auto& entry = kButtons[i];
        auto* button = new QPushButton(QString::fromLatin1(entry.caption), this);
        button->setObjectName(QString::fromLatin1(entry.name));
        button->setGeometry(TwipsToPixels(entry.leftTwips), TwipsToPixels(kButtonTopTwips),
                            TwipsToPixels(kButtonWidthTwips), TwipsToPixels(kButtonHeightTwips));
        const auto command = static_cast<std::int32_t>(i);
        connect(button, &QPushButton::clicked, this, [this, command] { OnButton(command); });
        mButtons[i] = button;
    }
    SetEditMode(EditModeNone);
}

void EditCommandBar::SetEditMode(std::int32_t mode)
{
    mEditMode = mode;
    ApplyButtonRule();
}

void EditCommandBar::SetEnabled(bool enabled)
{
    mEnabled = enabled;
    // While disabled the buttons must not take the focus either (their access keys are
    // refused in OnButton).
    for (auto* button : mButtons)
        button->setFocusPolicy(enabled ? Qt::StrongFocus : Qt::NoFocus);
    ApplyButtonRule();
}

void EditCommandBar::SetReadOnly(const QString& reason)
{
    mReadOnlyReason = reason;
    for (auto* button : mButtons)
        button->setToolTip(reason);
    ApplyButtonRule();
}

void EditCommandBar::ApplyButtonRule()
{
    const bool editing = mEditMode != EditModeNone;
    const bool writable = mReadOnlyReason.isEmpty();
    mButtons[EditCommandAdd]->setEnabled(!editing && writable);
    mButtons[EditCommandRemove]->setEnabled(!editing && mEnabled && writable);
    mButtons[EditCommandEdit]->setEnabled(!editing && mEnabled && writable);
    mButtons[EditCommandSave]->setEnabled(editing && mEnabled && writable);
    mButtons[EditCommandCancel]->setEnabled(editing && mEnabled);
}

void EditCommandBar::OnButton(std::int32_t command)
{
    if (!mEnabled || (IsReadOnly() && command != EditCommandCancel))
        return;
    emit Click(command);
}

void EditCommandBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QSize fixed(TwipsToPixels(WidthTwips), TwipsToPixels(HeightTwips));
    if (size() != fixed)
        resize(fixed);
}

void EditCommandBar::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    TakeHostBackground();
}

void EditCommandBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange)
        TakeHostBackground();
}

void EditCommandBar::TakeHostBackground()
{
    // The bar paints nothing of its own: it shows its host's background.
    setAutoFillBackground(false);
    if (auto* host = parentWidget())
        setBackgroundRole(host->backgroundRole());
}

} // namespace zel::ui
