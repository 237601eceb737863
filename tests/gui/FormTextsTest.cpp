#include "GuiTestSupport.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CCorpDlg.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CAppEditDlg.h"
#include "catalog/ui/CAppPage.h"
#include "catalog/ui/CEnvParamPage.h"
#include "catalog/ui/CHelpViewerDlg.h"
#include "catalog/ui/CMsgTypeEditDlg.h"
#include "catalog/ui/CMsgTypePage.h"
#include "catalog/ui/CRoleEditDlg.h"
#include "catalog/ui/CRolePage.h"
#include "catalog/ui/CWebsiteEditDlg.h"
#include "catalog/ui/CWebsitePage.h"
#include "groups/ui/CGroupAttrDlg.h"
#include "groups/ui/CGroupEditDlg.h"
#include "groups/ui/CGroupFilesDlg.h"
#include "groups/ui/CGroupPage.h"
#include "groups/ui/CGroupPropDlg.h"
#include "intake/ui/CCheckDataDlg.h"
#include "intake/ui/CSheetIntakeDlg.h"
#include "org/ui/CIndepUserDlg.h"
#include "org/ui/CNetDiskDlg.h"
#include "org/ui/CPowerDlg.h"
#include "org/ui/CSearchDlg.h"
#include "org/ui/CSignDomainDlg.h"
#include "org/ui/CUnitAttrDlg.h"
#include "org/ui/CUnitEditDlg.h"
#include "org/ui/CUnitUserPage.h"
#include "org/ui/CUserEditDlg.h"
#include "org/ui/CUserShortDlg.h"
#include "org/ui/CVirtualUnitsDlg.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

#include <QAbstractButton>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

#include <functional>
#include <memory>

using namespace qar;
using namespace qar::ui;

namespace
{

/// Every text a form puts on screen: labels, buttons, group boxes, list items, window titles.
QStringList shownTexts(QWidget* form)
{
    QStringList texts{form->windowTitle()};
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(w)) {
            texts << label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            texts << button->text();
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            texts << box->title();
        } else if (auto* list = qobject_cast<QListWidget*>(w)) {
            for (int i = 0; i < list->count(); ++i) {
                texts << list->item(i)->text();
            }
        }
    }
    texts.removeAll(QString());
    return texts;
}

/// Each text a .ui file sets ("text", "title", "windowTitle"), with the id set on the same widget
/// ("textId" for the first two, "titleId" for the window title), 0 when missing.
QList<QPair<QString, int>> uiFileTexts(const QString& path)
{
    QFile file(path);
    QList<QPair<QString, int>> result;
    if (!file.open(QIODevice::ReadOnly)) {
        return result;
    }
    QList<QMap<QString, QPair<QString, int>>> stack; // per open <widget>, by property
    QXmlStreamReader xml(&file);
    QString property;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("widget")) {
            stack.append(QMap<QString, QPair<QString, int>>());
        } else if (xml.isStartElement() && xml.name() == QLatin1String("property")) {
            property = xml.attributes().value(QLatin1String("name")).toString();
        } else if (xml.isStartElement() && !stack.isEmpty() && xml.name() == QLatin1String("string")) {
            const QString value = xml.readElementText();
            if (!value.isEmpty() && (property == QLatin1String("text") || property == QLatin1String("title") ||
                                     property == QLatin1String("windowTitle"))) {
                stack.last()[property == QLatin1String("windowTitle") ? property : QStringLiteral("text")] = {value, 0};
            }
        } else if (xml.isStartElement() && !stack.isEmpty() && xml.name() == QLatin1String("number") &&
                   (property == QLatin1String("textId") || property == QLatin1String("titleId"))) {
            const QString target =
                property == QLatin1String("titleId") ? QStringLiteral("windowTitle") : QStringLiteral("text");
            stack.last()[target].second = xml.readElementText().toInt();
        } else if (xml.isEndElement() && xml.name() == QLatin1String("widget")) {
            for (const auto& text : stack.takeLast()) {
                if (!text.first.isEmpty()) {
                    result.append(text);
                }
            }
        }
    }
    return result;
}

} // namespace

class FormTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }
    void cleanup() { SetUiLanguage(UiLanguage::English); }

    // A text typed into a form without an id would show in English on a Chinese desktop.
    void everyFormTextHasTheIdOfTheSameEnglishText()
    {
        const QString root = qEnvironmentVariable("QAR_SOURCE_DIR") + QStringLiteral("/src");
        QDirIterator it(root, {QStringLiteral("*.ui")}, QDir::Files, QDirIterator::Subdirectories);
        int files = 0;
        while (it.hasNext()) {
            const QString path = it.next();
            ++files;
            for (const auto& [value, id] : uiFileTexts(path)) {
                QVERIFY2(QString::fromUtf8(StringUtf8(id, UiLanguage::English)) == value,
                         qPrintable(path + QStringLiteral(": ") + value + QStringLiteral(" has not the text of id ") +
                                    QString::number(id)));
            }
        }
        QVERIFY(files >= 9);
    }

    void coreTextCrossesInTheAnsiCodePage()
    {
        const std::string gbk = "\xCE\xDE\xB7\xA8 A"; // "无法 A"
        {
            test::ScopedLcid lcid(2052);
            QCOMPARE(fromAnsi(gbk), QStringLiteral("无法 A"));
            QCOMPARE(toAnsi(QStringLiteral("无法 A")), gbk);
        }
        {
            test::ScopedLcid lcid(1033);
            QCOMPARE(fromAnsi("caf\xC3\xA9"), QStringLiteral("café"));
        }
    }

    void formsShowOnlyTableTexts_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << static_cast<int>(UiLanguage::English);
        QTest::newRow("Simplified Chinese") << static_cast<int>(UiLanguage::SimplifiedChinese);
    }

    void formsShowOnlyTableTexts()
    {
        QFETCH(int, language);
        SetUiLanguage(static_cast<UiLanguage>(language));
        QSet<QString> known;
        for (const StringEntry& e : AllStrings()) {
            known.insert(QString::fromUtf8(language == static_cast<int>(UiLanguage::English) ? e.english : e.chinese));
        }

        test::ProgramSandbox box;
        test::FakeShellHost host;
        test::RecordingLauncher launcher;
        auto mainDlg = std::make_unique<CMainDlg>(StartOptions{}, host, launcher);
        mainDlg->initialise();

        std::vector<std::unique_ptr<QWidget>> forms;
        forms.push_back(std::move(mainDlg));
        forms.push_back(std::make_unique<CAboutDlg>());
        forms.push_back(std::make_unique<CCorpDlg>());
        forms.push_back(std::make_unique<CAppPage>());
        forms.push_back(std::make_unique<CRolePage>());
        forms.push_back(std::make_unique<CWebsitePage>());
        forms.push_back(std::make_unique<CMsgTypePage>());
        forms.push_back(std::make_unique<CUnitUserPage>());
        const std::int32_t groupIds[] = {1};
        const UnitFormModel unitForm(UnitFormSetup{}, {}, groupIds, "(0) (None)");
        forms.push_back(std::make_unique<CUnitEditDlg>(unitForm, unitForm.initialForm()));
        forms.push_back(std::make_unique<CUnitAttrDlg>(0x7f));
        forms.push_back(std::make_unique<CSearchDlg>());
        forms.push_back(std::make_unique<CGroupPage>());
        GroupEditorContext groupEditor;
        groupEditor.showDetails = true;
        static GroupEditSession groupSession; // the editor works on the page's session, which outlives it
        forms.push_back(std::make_unique<CGroupEditDlg>(groupSession, groupEditor));
        forms.push_back(std::make_unique<CGroupAttrDlg>(0));
        forms.push_back(std::make_unique<CGroupPropDlg>(nullptr, nullptr));
        forms.push_back(std::make_unique<CGroupFilesDlg>(5, launcher));
        forms.push_back(std::make_unique<CEnvParamPage>());
        forms.push_back(std::make_unique<CHelpViewerDlg>());
        const AppFormModel appForm(AppFormSetup{true, 0, {}, {{0, {}}}});
        forms.push_back(std::make_unique<CAppEditDlg>(appForm, AppEntry{}, true, launcher));
        const MsgTypeFormModel msgTypeForm({21}, true);
        forms.push_back(std::make_unique<CMsgTypeEditDlg>(msgTypeForm, MsgTypeEntry{}, launcher));
        const WebsiteFormModel websiteForm(true, {});
        forms.push_back(std::make_unique<CWebsiteEditDlg>(websiteForm, WebsiteEntry{}));
        CXDatabase closed;
        forms.push_back(
            std::make_unique<CSheetIntakeDlg>(SheetIntakeArgs{0, {}, {}, {1}, 1}, closed, CSheetIntakeDlg::Server{}));
        forms.push_back(std::make_unique<CCheckDataDlg>(closed, std::nullopt));
        // The user forms, on an empty organisation.
        OrgIndex lists;
        UserEditSession session{UserFormModel(UserFormSetup{}, {}, {}, lists), {}, {}, false, {}, OrgTree::kNone, {}};
        forms.push_back(std::make_unique<CUserEditDlg>(session, nullptr));
        forms.push_back(std::make_unique<CPowerDlg>(0, PowerNames{}));
        forms.push_back(std::make_unique<CUserShortDlg>(ShortUserForm{}, false, PowerNames{}));
        forms.push_back(std::make_unique<CIndepUserDlg>(nullptr, AccountListMode::IndependentUsers, text(str::kAddUser),
                                                        std::vector<std::string>{}, -1));
        forms.push_back(std::make_unique<CSignDomainDlg>(QString(), QString()));
        forms.push_back(std::make_unique<CNetDiskDlg>(0, 32));
        forms.push_back(std::make_unique<CVirtualUnitsDlg>(1, std::unordered_map<std::uint32_t, std::string>{},
                                                           box.dir.file("MUser.xml")));
        forms.push_back(std::make_unique<CAddVirtualUnitDlg>(std::vector<ComboEntry>{}));
        const RoleFormModel roleForm({1});
        forms.push_back(std::make_unique<CRoleEditDlg>(roleForm, roleForm.initialForm({})));
        for (const auto& form : forms) {
            for (const QString& t : shownTexts(form.get())) {
                // The notice label is filled from a format with the entry's name, the status line from one
                // with the data source's.
                const QString dataSource = text(str::kStatusDataSourceFormat).section(QLatin1Char('%'), 0, 0);
                if (form->objectName() == QLatin1String("mainDialog") &&
                    (t.contains(QLatin1Char('"')) || t.startsWith(dataSource))) {
                    continue;
                }
                // So is the user form's sign-domain line, with the domain.
                if (t == formatText(str::kSignDomainFormat, {QString()})) {
                    continue;
                }
                QVERIFY2(known.contains(t), qPrintable(form->objectName() + QStringLiteral(": ") + t));
            }
        }
    }
};

QTEST_MAIN(FormTextsTest)
#include "FormTextsTest.moc"
