#include "pages/ReaderMenuFile.h"

#include "MessageBox.h"
#include "layout/Anchor.h"
#include "pages/ClockAudit.h"
#include "pages/modHelpers.h"

#include "zel/Error.h"
#include "zel/support/IReader.h"
#include "zel/workflows/MenuProgram.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <vector>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 560;
constexpr int DesignHeight = 86;
constexpr int ButtonWidth = 90;
constexpr int RowHeight = 24;
const char* const SendTitle = "Send Menu Program";

QString ChooseWithDialog(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Load Menu File"));
    dialog.setObjectName(QStringLiteral("dlgMenuFile"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    // File names are case-sensitive here: the menu files may end in .BIN or .bin.
    dialog.setNameFilters({QStringLiteral("Menu Files (*.BIN *.bin)"), QStringLiteral("All Files (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

} // namespace

ReaderMenuFile::ReaderMenuFile(QWidget* parent) : ReaderPanel(parent), mChooser(&ChooseWithDialog)
{
    setObjectName(QStringLiteral("ReaderMenuFile"));
    resize(DesignWidth, DesignHeight);

    mFrame = new QGroupBox(QStringLiteral("Clock Menu Program"), this);
    mFrame->setObjectName(QStringLiteral("framMenuFile"));
    mFrame->setGeometry(0, 0, DesignWidth, DesignHeight);

    mFileLabel = new QLabel(QStringLiteral("Menu File:"), mFrame);
    mFileLabel->setObjectName(QStringLiteral("lblMenuFile"));
    mFileLabel->setGeometry(12, 24, 90, RowHeight);
    mFileName = new QLineEdit(mFrame);
    mFileName->setObjectName(QStringLiteral("txtMenuFile"));
    mFileName->setGeometry(104, 24, DesignWidth - 104 - 12 - 32 - 6, RowHeight);
    mBrowse = new QPushButton(QStringLiteral("..."), mFrame);
    mBrowse->setObjectName(QStringLiteral("cmdMenuFileBrowse"));
    mBrowse->setToolTip(QStringLiteral("Browse for a menu file"));
    mBrowse->setGeometry(DesignWidth - 12 - 32, 24, 32, RowHeight);

    mStatusLabel = new QLabel(QStringLiteral("Status:"), mFrame);
    mStatusLabel->setObjectName(QStringLiteral("lblMenuFileStatusCaption"));
    mStatusLabel->setGeometry(12, 54, 90, RowHeight);
    mStatus = new QLabel(mFrame);
    mStatus->setObjectName(QStringLiteral("lblMenuFileUploadStatus"));
    mStatus->setGeometry(104, 54, 200, RowHeight);

    mSend = new QPushButton(QStringLiteral("Send"), mFrame);
    mSend->setObjectName(QStringLiteral("cmdSendMenuFile"));
    mSend->setGeometry(DesignWidth - ButtonWidth - 12, 54, ButtonWidth, 26);

    Anchors().Add(mFrame, AnchorLeft | AnchorRight);
    Anchors().Add(mFileName, AnchorLeft | AnchorRight);
    Anchors().Add(mBrowse, AnchorRight);
    Anchors().Add(mSend, AnchorRight);

    connect(mBrowse, &QPushButton::clicked, this, &ReaderMenuFile::cmdMenuFileBrowse_Click);
    connect(mSend, &QPushButton::clicked, this, &ReaderMenuFile::cmdSendMenuFile_Click);
    mSend->setEnabled(false);
}

void ReaderMenuFile::SetFileChooser(FileChooser chooser)
{
    mChooser = chooser ? std::move(chooser) : FileChooser(&ChooseWithDialog);
}

bool ReaderMenuFile::ReadMenuProgram(const QString& fileName, QByteArray& program, QString& problem)
{
    // The rule zelctl menu send follows too: 1 to 4096 bytes, padded; empty or longer refused.
    try {
        const auto data = zel::workflows::MenuProgram::Read(QFile::encodeName(fileName).toStdString());
        program = QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
        return true;
    } catch (const zel::Error& error) {
        problem = QString::fromStdString(error.Description());
        return false;
    }
}

void ReaderMenuFile::ReaderConnected()
{
    mSend->setEnabled(true);
}

void ReaderMenuFile::ReaderDisconnected()
{
    mSend->setEnabled(false);
}

void ReaderMenuFile::cmdMenuFileBrowse_Click()
{
    const QString chosen = mChooser(this);
    if (!chosen.isEmpty())
        mFileName->setText(chosen);
}

void ReaderMenuFile::cmdSendMenuFile_Click()
{
    QByteArray program;
    QString problem;
    if (!ReadMenuProgram(mFileName->text(), program, problem)) {
        ShowMessage(this, problem, QString::fromLatin1(SendTitle), MsgIcon::Exclamation);
        return;
    }
    SetStatus(QStringLiteral("Sending..."));
    const bool sent = RunAudited(
        this, Connection(), "menu",
        [&] {
            auto& reader = RequireReader("ReaderMenuFile");
            const std::vector<std::uint8_t> bytes(program.begin(), program.end());
            RunWithWaitWindow(QString::fromLatin1(SendTitle), QStringLiteral("Sending Menu Program..."),
                              [&] { reader.SendFunctionKeyData(bytes); });
        },
        "menu program of " + mFileName->text().toStdString() + " sent");
    SetStatus(sent ? QStringLiteral("Finished") : QStringLiteral("Failed"));
}

void ReaderMenuFile::SetStatus(const QString& text)
{
    mStatus->setText(text);
    if (mStatus->isVisible())
        mStatus->repaint();
}

} // namespace zel::ui
