#include "editors/ChnlDetailEditorBase.h"

#include "zel/workflows/ListRules.h"

#include <QComboBox>
#include <QLineEdit>

namespace zel::ui {
namespace {

std::int32_t ChosenData(const QComboBox* box)
{
    return box->currentIndex() < 0 ? -1 : box->currentData().toInt();
}

} // namespace

ChnlDetailEditorBase::ChnlDetailEditorBase(QWidget* parent)
    : BoundDetailUI(parent, QStringLiteral("Detail"), DesignWidth, DesignHeight)
{
}

void ChnlDetailEditorBase::AddNameField()
{
    mName = AddField(new QLineEdit(Frame()), QStringLiteral("txtName"), QStringLiteral("lblName"),
                     QStringLiteral("Name:"), 0);
}

void ChnlDetailEditorBase::AddSerialFields(int row)
{
    mComPort = AddField(new QComboBox(Frame()), QStringLiteral("cboComPort"), QStringLiteral("lblComPort"),
                        QStringLiteral("Com Port:"), row);
    for (int port = 1; port <= zel::workflows::MaxComPort; ++port)
        mComPort->addItem(QStringLiteral("Com %1").arg(port), port);
    mBitRate = AddField(new QComboBox(Frame()), QStringLiteral("cboBitRate"), QStringLiteral("lblBitRate"),
                        QStringLiteral("Bit Rate:"), row + 1);
    for (int rate : zel::workflows::BitRates)
        mBitRate->addItem(QString::number(rate), rate);
}

QString ChnlDetailEditorBase::Name() const
{
    return mName->text();
}

std::int32_t ChnlDetailEditorBase::BitRate() const
{
    return mBitRate ? ChosenData(mBitRate) : 0;
}

std::int32_t ChnlDetailEditorBase::ComPort() const
{
    return mComPort ? ChosenData(mComPort) : 0;
}

void ChnlDetailEditorBase::ShowName(const std::string& name)
{
    TryStep([&] { mName->setText(ToQ(name)); });
}

void ChnlDetailEditorBase::ShowSerial(std::int32_t comPort, std::int32_t bitRate)
{
    TryStep([&] {
        // A stored port outside the box leaves the box as it was.
        if (comPort >= 1 && comPort <= mComPort->count())
            mComPort->setCurrentIndex(comPort - 1);
    });
    TryStep([&] { mBitRate->setCurrentIndex(mBitRate->findData(bitRate)); }); // none chosen when not offered
}

void ChnlDetailEditorBase::ClearFields()
{
    for (auto* box : Frame()->findChildren<QLineEdit*>())
        box->clear();
    for (auto* box : Frame()->findChildren<QComboBox*>())
        box->setCurrentIndex(0);
}

} // namespace zel::ui
