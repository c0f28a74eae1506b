#include "pages/frmAbout.h"

#include "MessageBox.h"
#include "ProgramResources.h"
#include "modMain.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include <sqlite3.h>

#include <exception>

namespace zel::ui {
namespace {

// Where the clock library is loaded from: ZEL_VENDOR_LIBRARY, else the program's folder.
QString VendorLibraryFile()
{
    const QString named = qEnvironmentVariable("ZEL_VENDOR_LIBRARY");
    const QString file =
        named.isEmpty() ? QApplication::applicationDirPath() + QStringLiteral("/libzeldll32.so") : named;
    return QFileInfo::exists(file) ? file : file + QStringLiteral(" (not found)");
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About MyApp"));

    mPicIcon = new QLabel(this);
    mPicIcon->setObjectName(QStringLiteral("picIcon"));
    mPicIcon->setPixmap(ProgramIcon().pixmap(48, 48));
    mPicIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    mLblTitle = new QLabel(this);
    mLblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = mLblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    mLblTitle->setFont(titleFont);

    mLblVersion = new QLabel(this);
    mLblVersion->setObjectName(QStringLiteral("lblVersion"));

    mLblDescription = new QLabel(this);
    mLblDescription->setObjectName(QStringLiteral("lblDescription"));
    mLblDescription->setWordWrap(true);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    mLblDisclaimer = new QLabel(QStringLiteral("Warning: this program changes the users, settings and clock time "
                                               "of the time clocks it reaches. Use it only on clocks you are "
                                               "responsible for, and keep a copy of the site database."),
                                this);
    mLblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    mLblDisclaimer->setWordWrap(true);

    mCmdOK = new QPushButton(QStringLiteral("OK"), this);
    mCmdOK->setObjectName(QStringLiteral("cmdOK"));
    mCmdOK->setDefault(true);
    mCmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    mCmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(mCmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(mCmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* texts = new QVBoxLayout;
    texts->addWidget(mLblTitle);
    texts->addWidget(mLblVersion);
    texts->addSpacing(8);
    texts->addWidget(mLblDescription);
    auto* top = new QHBoxLayout;
    top->addWidget(mPicIcon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(mCmdOK);
    buttons->addWidget(mCmdSysInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(mLblDisclaimer, 1);
    bottom->addSpacing(12);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(line);
    layout->addLayout(bottom);
    setFixedWidth(480);

    // Load: the design texts give way to the program's own.
    setWindowTitle(QStringLiteral("About ") + AppTitle());
    mLblTitle->setText(AppTitle());
    mLblVersion->setText(ProgramVersionLine());
    mLblDescription->setText(
        QStringLiteral("This application allows for remote administration of multiple ZEL Volarin units."));
}

QString frmAbout::VersionLine(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString frmAbout::ProgramVersionLine()
{
    return VersionLine(ZEL_VERSION_MAJOR, ZEL_VERSION_MINOR, ZEL_VERSION_PATCH);
}

QString frmAbout::SystemInfoText()
{
    const QString site = ShownSite();
    QStringList lines;
    lines
        << QStringLiteral("Program: %1 %2.%3.%4")
               .arg(QApplication::applicationFilePath())
               .arg(ZEL_VERSION_MAJOR)
               .arg(ZEL_VERSION_MINOR)
               .arg(ZEL_VERSION_PATCH)
        << QStringLiteral("Working folder: %1").arg(QDir::currentPath())
        << QStringLiteral("Site database: %1").arg(site.isEmpty() ? QStringLiteral("(none)") : site)
        << QStringLiteral("Site database engine: %1").arg(SiteEngineText())
        << QStringLiteral("Clock library file: %1").arg(VendorLibraryFile())
        << QStringLiteral("Qt: %1 (built with %2)").arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR))
        << QStringLiteral("SQLite: %1").arg(QString::fromLatin1(sqlite3_libversion()))
        << QStringLiteral("Display platform: %1").arg(QGuiApplication::platformName())
        << QStringLiteral("System: %1 (%2 %3)")
               .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion());
    return lines.join(QLatin1Char('\n'));
}

void frmAbout::StartSysInfo()
{
    QString text;
    try {
        text = SystemInfoText();
    } catch (const std::exception&) {
        text.clear();
    }
    if (text.isEmpty()) {
        ShowMessage(this, QStringLiteral("System Information Is Unavailable At This Time"), {}, MsgIcon::None,
                    MsgButtons::Ok);
        return;
    }

    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("frmSysInfo"));
    dialog.setWindowTitle(QStringLiteral("System Information"));
    auto* info = new QPlainTextEdit(text, &dialog);
    info->setObjectName(QStringLiteral("txtSysInfo"));
    info->setReadOnly(true);
    info->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* close = new QPushButton(QStringLiteral("OK"), &dialog);
    close->setObjectName(QStringLiteral("cmdOK"));
    connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(info);
    layout->addWidget(close, 0, Qt::AlignRight);
    dialog.resize(640, 260);
    dialog.exec();
}

} // namespace zel::ui
