#include "app/ui/CCorpDlg.h"

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/Corporation.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/MessageService.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace qar;
using namespace qar::ui;

namespace
{

const char kConfirm[] = "Your company name is:  Acme\n Your website is:  http://acme.example\n\nPlease click \"OK\" "
                        "to confirm.";

void type(CCorpDlg& dlg, const QString& name, const QString& website)
{
    dlg.findChild<QLineEdit*>(QStringLiteral("nameEdit"))->setText(name);
    dlg.findChild<QLineEdit*>(QStringLiteral("websiteEdit"))->setText(website);
}

void click(CCorpDlg& dlg, const char* button)
{
    QTest::mouseClick(dlg.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

} // namespace

class CCorpDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void init()
    {
        m_dir = std::make_unique<test::TempDir>();
        m_programDir = std::make_unique<test::ScopedEnv>("QAR_PROGRAM_DIR", m_dir->path().c_str());
        m_messages = std::make_unique<test::HeadlessMessages>();
        test::writeFile(m_dir->file("UserData/config/EnvInfo.dat"),
                        "[EnvInfo]\nm_sCorporationName=Old\nm_sCorporationHomepage=http://old\n");
    }

    void cleanup()
    {
        m_messages.reset();
        m_programDir.reset();
        m_dir.reset();
    }

    void editingShowsOkAndCancelAndSetUpOnlyTheCentredOk()
    {
        for (bool cancelAllowed : {true, false}) {
            CCorpDlg dlg;
            dlg.setCancelAllowed(cancelAllowed);
            dlg.show();
            QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("okButton"))->isVisible(), cancelAllowed);
            QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("cancelButton"))->isVisible(), cancelAllowed);
            QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("okCenterButton"))->isVisible(), !cancelAllowed);
            QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("websiteEdit"))->text(), QStringLiteral("http://"));
        }
    }

    void cancellingTheConfirmationKeepsTheFormOpen()
    {
        CCorpDlg dlg;
        dlg.setCancelAllowed(true);
        dlg.show();
        type(dlg, QStringLiteral("Acme"), QStringLiteral("http://acme.example"));
        MessageService::instance().setNextAnswer(Answer::Cancel);
        click(dlg, "okButton");
        QVERIFY(dlg.isVisible());
        QCOMPARE(MessageService::instance().lastText(), QString::fromLatin1(kConfirm));
        click(dlg, "okButton"); // confirmed with OK this time
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(dlg.corporation(), (CorporationInfo{"Acme", "http://acme.example"}));
    }

    void anEmptyFieldIsRefusedWhicheverWayTheSetUpFormIsLeft()
    {
        CCorpDlg dlg;
        dlg.show();
        type(dlg, QStringLiteral("Acme"), QString());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        dlg.close();
        QVERIFY(dlg.isVisible());
        QCOMPARE(MessageService::instance().shown().size(), 2);
        QCOMPARE(MessageService::instance().lastText(), QStringLiteral("Please input enterprise's name or website."));
    }

    void nameButtonWritesEnvInfoOnlyWhenAccepted()
    {
        test::FakeShellHost host;
        test::RecordingLauncher launcher;
        CMainDlg main(StartOptions{}, host, launcher);
        auto* name = main.findChild<QPushButton*>(QStringLiteral("nameButton"));

        test::whenModal<CCorpDlg>([](CCorpDlg& dlg) {
            QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("nameEdit"))->text(), QStringLiteral("Old"));
            type(dlg, QStringLiteral("Acme"), QStringLiteral("http://acme.example"));
            click(dlg, "cancelButton");
        });
        QTest::mouseClick(name, Qt::LeftButton);
        QCOMPARE(ReadCorporationInfo(), (CorporationInfo{"Old", "http://old"}));

        test::whenModal<CCorpDlg>([](CCorpDlg& dlg) {
            type(dlg, QStringLiteral("Acme"), QStringLiteral("http://acme.example"));
            click(dlg, "okButton");
        });
        QTest::mouseClick(name, Qt::LeftButton);
        QCOMPARE(ReadCorporationInfo(), (CorporationInfo{"Acme", "http://acme.example"}));
    }

    void setUpWithHandOffValuesAcceptsByItselfWithoutConfirmation()
    {
        QTimer::singleShot(5000, [] {
            if (QApplication::activeModalWidget()) {
                QApplication::activeModalWidget()->close();
            }
        });
        const CorporationInfo got = AskCorporationForSetup(nullptr, {"Acme", "http://acme.example"}, true);
        QCOMPARE(got, (CorporationInfo{"Acme", "http://acme.example"}));
        QVERIFY(MessageService::instance().shown().isEmpty());
    }

private:
    std::unique_ptr<test::TempDir> m_dir;
    std::unique_ptr<test::ScopedEnv> m_programDir;
    std::unique_ptr<test::HeadlessMessages> m_messages;
};

QTEST_MAIN(CCorpDlgTest)
#include "CCorpDlgTest.moc"
