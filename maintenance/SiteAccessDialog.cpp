#include "SiteAccessDialog.h"

#include "MessageBox.h"

#include "zel/data/SiteErrors.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zel::ui {

SiteAccessDialog::SiteAccessDialog(const zel::data::SiteWriteAccessError& reason, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSiteAccess"));
    setWindowTitle(AppTitle());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    mLblMessage = new QLabel(MessageText(reason), this);
    mLblMessage->setObjectName(QStringLiteral("lblMessage"));
    mLblMessage->setWordWrap(true);
    mLblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mLblMessage->setMinimumWidth(420);

    mCmdReadOnly = new QPushButton(tr("Open &Read-Only"), this);
    mCmdReadOnly->setObjectName(QStringLiteral("cmdReadOnly"));
    mCmdQuit = new QPushButton(tr("&Quit"), this);
    mCmdQuit->setObjectName(QStringLiteral("cmdQuit"));
    mCmdQuit->setDefault(true);
    // Enter presses the focused button: the focus starts on the default, Quit.
    mCmdQuit->setFocus();
    connect(mCmdReadOnly, &QPushButton::clicked, this, &QDialog::accept);
    connect(mCmdQuit, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(mLblMessage, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(mCmdReadOnly);
    buttons->addWidget(mCmdQuit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

QString SiteAccessDialog::MessageText(const zel::data::SiteWriteAccessError& reason)
{
    using Reason = zel::data::SiteWriteAccessError::Reason;
    const QString file = QDir::toNativeSeparators(QString::fromStdString(reason.FileName()));
    QString text;
    if (reason.Why() == Reason::InUse) {
        const auto& writer = reason.Writer();
        text = tr("The site database \"%1\" is open for writing in another program:\n\n").arg(file);
        if (writer.Pid == 0) {
            text += tr("    (the program did not say which)\n");
        } else {
            text += tr("    Program: %1\n    Process ID: %2\n    Host: %3\n    Since: %4\n")
                        .arg(QString::fromStdString(writer.Program.empty() ? std::string("?") : writer.Program))
                        .arg(writer.Pid)
                        .arg(QString::fromStdString(writer.Host), QString::fromStdString(writer.Since));
        }
        text += tr("\nOnly one program at a time may change the site database.");
    } else {
        text = tr("The site database \"%1\" cannot be opened for writing: %2.")
                   .arg(file, QString::fromStdString(reason.Detail()));
    }
    text += tr("\n\nOpen it read-only? The lists can be looked at, but no change can be saved. "
               "Or quit.");
    return text;
}

bool SiteAccessDialog::Ask(const zel::data::SiteWriteAccessError& reason, QWidget* parent)
{
    SiteAccessDialog dialog(reason, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace zel::ui
