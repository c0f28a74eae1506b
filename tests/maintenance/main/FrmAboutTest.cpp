#include "TestRegistry.h"
#include "TestSite.h"

#include "MessageRecorder.h"
#include "pages/frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace zel::ui::test {

class FrmAboutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { OpenTestSiteDatabase(); }

    void VersionLineHasNoLeadingZeros()
    {
        QCOMPARE(frmAbout::VersionLine(0, 9, 19), QStringLiteral("Version 0.9.19"));
        QCOMPARE(frmAbout::VersionLine(0, 0, 0), QStringLiteral("Version 0.0.0"));
        QCOMPARE(frmAbout::VersionLine(10, 0, 100), QStringLiteral("Version 10.0.100"));
        QCOMPARE(
            frmAbout::ProgramVersionLine(),
            QStringLiteral("Version %1.%2.%3").arg(ZEL_VERSION_MAJOR).arg(ZEL_VERSION_MINOR).arg(ZEL_VERSION_PATCH));
    }

    void LoadSetsTheTexts()
    {
        frmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About ZelMaintenance"));
        auto text = [&](const char* name) { return about.findChild<QLabel*>(QString::fromLatin1(name))->text(); };
        QCOMPARE(text("lblTitle"), QStringLiteral("ZelMaintenance"));
        QCOMPARE(text("lblVersion"), frmAbout::ProgramVersionLine());
        QCOMPARE(text("lblDescription"),
                 QStringLiteral("This application allows for remote administration of multiple ZEL Volarin units."));
        QVERIFY(text("lblDisclaimer").startsWith(QStringLiteral("Warning: ")));
        QVERIFY(!about.findChild<QLabel*>(QStringLiteral("picIcon"))->pixmap().isNull());
        QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->text(),
                 QStringLiteral("&System Info..."));
    }

    void OkClosesTheBox()
    {
        frmAbout about;
        about.open();
        QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void SystemInfoNamesVersionsAndFiles()
    {
        const QString text = frmAbout::SystemInfoText();
        for (const char* part : {"Program: ", "Qt: ", "SQLite: 3.", "Clock library file: ", "libzeldll32.so",
                                 "Site database: ", "Site database engine: SQLite file (SQLite 3."})
            QVERIFY2(text.contains(QString::fromLatin1(part)), part);
        const QString database = OpenTestSiteDatabase();
        QVERIFY(!database.isEmpty());
        QVERIFY(text.contains(QStringLiteral("Site database: ") + database));
    }

    void SystemInfoButtonShowsTheInformation()
    {
        frmAbout about;
        QString shown;
        QTimer::singleShot(0, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal->objectName() == QStringLiteral("frmSysInfo")) {
                shown = modal->findChild<QPlainTextEdit*>(QStringLiteral("txtSysInfo"))->toPlainText();
                modal->close();
            }
        });
        MessageRecorder messages;
        QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
        QCOMPARE(shown, frmAbout::SystemInfoText());
        QCOMPARE(messages.Count(), 0);
    }
};

ZEL_REGISTER_TEST(FrmAboutTest);

} // namespace zel::ui::test

#include "FrmAboutTest.moc"
