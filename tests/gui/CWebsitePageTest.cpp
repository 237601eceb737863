#include "catalog/ui/CWebsitePage.h"

#include "CatalogGuiSupport.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CWebsiteEditDlg.h"
#include "resources/StringIds.h"

#include <QLabel>

#include <filesystem>

using namespace qar;
using namespace qar::ui;
using test::child;
using test::click;
using test::setField;

// The page and its form: the proposal, the checks as prompts, an icon copied at once and kept when the
// site goes.
class CWebsitePageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void addsEditsAndDeletesThroughTheForm()
    {
        test::ProgramSandbox box;
        const std::string file = box.dir.file("UserData/config/xmldata/weburl.xml");
        test::writeFile(file,
                        "<QAR_URLS><URL ID=\"7\" N=\"Seven\" U=\"http://7\"/><URL ID=\"3\" N=\"Three\"/></QAR_URLS>");
        std::filesystem::create_directories(box.dir.file("UserData/config/icodata"));
        const QString icon = QString::fromUtf8(test::writeFile(box.dir.file("Iconlib/w.ico"), test::iconBytes(8000)));
        CWebsitePage page;
        auto* list = child<QTreeView>(page, "websitesTreeView");

        test::whenModal<CWebsiteEditDlg>([&](CWebsiteEditDlg& form) {
            QCOMPARE(child<QLineEdit>(form, "idLineEdit")->text(), QStringLiteral("8"));
            MessageService::instance().setNextFileName(icon);
            click(form, "setIconButton");
            QVERIFY(std::filesystem::exists(box.dir.file("UserData/config/icodata/w_8.ico")));
            for (const char* id : {"7", "65536", "0"}) {
                setField(form, "idLineEdit", QString::fromLatin1(id));
                click(form, "okButton");
            }
            QCOMPARE(MessageService::instance().shown().at(0).text, text(str::kIdMustBeUnique));
            QCOMPARE(MessageService::instance().shown().at(1).text,
                     formatText(str::kEnterIntegerRange, {QStringLiteral("1"), QStringLiteral("65535")}));
            setField(form, "idLineEdit", QStringLiteral("8"));
            setField(form, "nameLineEdit", QStringLiteral("Eight"));
            click(form, "okButton");
            QCOMPARE(MessageService::instance().lastText(), text(str::kInputCantBeNull)); // no address
            setField(form, "urlLineEdit", QStringLiteral("http://8"));
            click(form, "okButton");
        });
        click(page, "addButton");
        QCOMPARE(test::listedRows(*list, 3),
                 (QStringList{QStringLiteral("3|Three|"), QStringLiteral("7|Seven|http://7"),
                              QStringLiteral("8|Eight|http://8")}));

        page.selectRow(0);
        test::whenModal<CWebsiteEditDlg>([](CWebsiteEditDlg& form) {
            QVERIFY(child<QLineEdit>(form, "idLineEdit")->isReadOnly());
            setField(form, "urlLineEdit", QStringLiteral("http://3"));
            click(form, "okButton");
        });
        click(page, "editButton");
        QCOMPARE(test::readFile(file), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\r\n"
                                       "<QAR_URLS>\r\r\n<URL ID=\"3\" N=\"Three\" U=\"http://3\"/>\r\r\n"
                                       "<URL ID=\"7\" N=\"Seven\" U=\"http://7\"/>\r\r\n"
                                       "<URL ID=\"8\" N=\"Eight\" U=\"http://8\"/>\r\r\n</QAR_URLS>\r\r\n");

        // Site 8 goes, its icon stays and greets the next site 8.
        page.selectRow(2);
        MessageService::instance().setNextAnswer(Answer::Ok);
        click(page, "deleteButton");
        QCOMPARE(list->model()->rowCount(), 2);
        test::whenModal<CWebsiteEditDlg>([](CWebsiteEditDlg& form) {
            QCOMPARE(child<QLineEdit>(form, "idLineEdit")->text(), QStringLiteral("8"));
            QVERIFY(!child<QLabel>(form, "iconPictureLabel")->pixmap().isNull());
        });
        click(page, "addButton");
    }
};

QTEST_MAIN(CWebsitePageTest)
#include "CWebsitePageTest.moc"
