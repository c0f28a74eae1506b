#include "pages/ReaderSetup.h"

#include "layout/Anchor.h"
#include "pages/ReaderClockCheck.h"
#include "pages/ReaderMenuFile.h"
#include "pages/ReaderSettings.h"
#include "pages/ReaderTime.h"

namespace zel::ui {
namespace {

constexpr int Margin = 8;
constexpr int Gap = 6;

} // namespace

ReaderSetup::ReaderSetup(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ReaderSetup"));

    mCheck = new ReaderClockCheck(this);
    mCheck->setObjectName(QStringLiteral("ReaderClockCheck1"));
    mTime = new ReaderTime(this);
    mTime->setObjectName(QStringLiteral("ReaderTime1"));
    mSettings = new ReaderSettings(this);
    mSettings->setObjectName(QStringLiteral("ReaderSettings1"));
    mMenuFile = new ReaderMenuFile(this);
    mMenuFile->setObjectName(QStringLiteral("ReaderMenuFile1"));

    const int width = mTime->width();
    int top = Margin;
    for (QWidget* panel : std::initializer_list<QWidget*>{mCheck, mTime, mSettings, mMenuFile}) {
        panel->move(Margin, top);
        top += panel->height() + Gap;
    }
    resize(width + 2 * Margin, top - Gap + Margin);
    setMinimumSize(size()); // smaller, the panels' buttons would slide over their fields

    mAnchor = std::make_unique<Anchor>();
    mAnchor->Add(mCheck, AnchorLeft | AnchorRight);
    mAnchor->Add(mTime, AnchorLeft | AnchorRight);
    mAnchor->Add(mSettings, AnchorLeft | AnchorRight);
    mAnchor->Add(mMenuFile, AnchorLeft | AnchorRight);

    connect(mCheck, &ReaderClockCheck::Mended, mTime, &ReaderTime::ReadAgain);
    connect(mCheck, &ReaderClockCheck::Mended, mSettings, &ReaderSettings::ReadAgain);
}

ReaderSetup::~ReaderSetup() = default;

void ReaderSetup::Initialize(ConnectionCenter* cc)
{
    mCheck->Initialize(cc);
    mTime->Initialize(cc);
    mSettings->Initialize(cc);
    mMenuFile->Initialize(cc);
}

void ReaderSetup::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor->ReAnchor();
}

} // namespace zel::ui
