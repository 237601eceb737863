#include "app/ui/CCorpDlg.h"

#include "GuiTestSupport.h"
#include "app/Corporation.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "org/NetDisk.h"
#include "org/ui/CNetDiskDlg.h"
#include "resources/StringIds.h"

#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;

namespace
{

void type(CCorpDlg& dlg, const char* name, const char* website)
{
    child<QLineEdit>(dlg, "nameEdit")->setText(QString::fromLatin1(name));
    child<QLineEdit>(dlg, "websiteEdit")->setText(QString::fromLatin1(website));
}

} // namespace

class CCorpDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_box = std::make_unique<test::ProgramSandbox>();
        test::writeFile(m_box->dir.file("UserData/config/EnvInfo.dat"),
                        "[EnvInfo]\nm_sCorporationName=Old\nm_sCorporationHomepage=http://old\n");
    }

    void cleanup() { m_box.reset(); }

    // Editing shows OK and Cancel, the set-up only the centred OK. Enter in a field accepts as OK does: the
    // confirmation, which answered Cancel keeps the form open, then the form closes.
    void okAsksForConfirmationInBothModes()
    {
        for (bool cancelAllowed : {true, false}) {
            CCorpDlg dlg;
            dlg.setCancelAllowed(cancelAllowed);
            dlg.show();
            QCOMPARE(child<QPushButton>(dlg, "okButton")->isVisible(), cancelAllowed);
            QCOMPARE(child<QPushButton>(dlg, "cancelButton")->isVisible(), cancelAllowed);
            QCOMPARE(child<QPushButton>(dlg, "okCenterButton")->isVisible(), !cancelAllowed);
            auto* website = child<QLineEdit>(dlg, "websiteEdit");
            QCOMPARE(website->text(), QStringLiteral("http://"));
            type(dlg, "Acme", "http://acme.example");
            MessageService::instance().setNextAnswer(Answer::Cancel);
            QTest::keyClick(website, Qt::Key_Return);
            QVERIFY(dlg.isVisible());
            QCOMPARE(MessageService::instance().lastText(),
                     QStringLiteral("Your company name is:  Acme\n Your website is:  http://acme.example\n\nPlease "
                                    "click \"OK\" to confirm."));
            QTest::keyClick(website, Qt::Key_Return); // confirmed with OK this time
            QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
            QCOMPARE(dlg.corporation(), (CorporationInfo{"Acme", "http://acme.example"}));
        }
    }

    void anEmptyFieldIsRefusedWhicheverWayTheSetUpFormIsLeft()
    {
        CCorpDlg dlg;
        dlg.show();
        type(dlg, "Acme", "");
        QTest::keyClick(&dlg, Qt::Key_Escape);
        dlg.close();
        QVERIFY(dlg.isVisible());
        QCOMPARE(MessageService::instance().shown().size(), 2);
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Please input enterprise's name or website."));
    }

    // Editing the corporation later may be cancelled: there Escape asks before it throws the typing away.
    void escapeAsksOnlyWhereTheEditCanBeCancelled()
    {
        CCorpDlg dlg;
        dlg.setCancelAllowed(true);
        dlg.show();
        type(dlg, "Acme", "http://acme.example");
        MessageService::instance().setNextAnswer(Answer::No);
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Discard the changes you typed?"));
    }

    // The name button writes EnvInfo.dat on OK only. One that cannot be written is said, with the file and
    // the cause, and the form stays open with what was typed: the corporation form and the net-disk form alike.
    void envInfoIsWrittenOnOkAndAFailureKeepsTheFormOpen()
    {
        const std::string path = m_box->dir.file("UserData/config/EnvInfo.dat");
        const auto block = [&path](bool blocked) {
            std::filesystem::remove_all(path);
            if (blocked) {
                std::filesystem::create_directory(path); // a folder where the file goes
            }
        };
        const QString said =
            formatText(str::kFileNotSaved, {QString::fromStdString(path), text(str::kFileCauseNotWritable)});
        test::FakeShellHost host;
        test::RecordingLauncher launcher;
        CMainDlg main(StartOptions{}, host, launcher);
        test::whenModal<CCorpDlg>([](CCorpDlg& dlg) {
            QCOMPARE(child<QLineEdit>(dlg, "nameEdit")->text(), QStringLiteral("Old"));
            type(dlg, "Acme", "http://acme.example");
            click(dlg, "cancelButton");
        });
        QTest::mouseClick(child<QPushButton>(main, "nameButton"), Qt::LeftButton);
        QCOMPARE(ReadCorporationInfo(), (CorporationInfo{"Old", "http://old"}));

        block(true);
        test::whenModal<CCorpDlg>([&](CCorpDlg& dlg) {
            type(dlg, "Acme", "http://acme.example");
            click(dlg, "okButton");
            QVERIFY(dlg.isVisible());
            QCOMPARE(MessageService::instance().lastText(), said);
            block(false);
            click(dlg, "okButton");
            QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
        });
        QTest::mouseClick(child<QPushButton>(main, "nameButton"), Qt::LeftButton);
        QCOMPARE(ReadCorporationInfo(), (CorporationInfo{"Acme", "http://acme.example"}));

        block(true);
        CNetDiskDlg disk(0, 32);
        disk.show();
        child<QLineEdit>(disk, "systemDefaultLineEdit")->setText(QStringLiteral("128"));
        click(disk, "okButton");
        QVERIFY(disk.isVisible());
        QCOMPARE(MessageService::instance().lastText(), said);
        block(false);
        click(disk, "okButton");
        QCOMPARE(ReadDefaultNetDiskMb(), 128);
    }

private:
    std::unique_ptr<test::ProgramSandbox> m_box;
};

QTEST_MAIN(CCorpDlgTest)
#include "CCorpDlgTest.moc"
