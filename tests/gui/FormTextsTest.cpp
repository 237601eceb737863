#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CCorpDlg.h"
#include "app/ui/CMainDlg.h"
#include "app/ui/UiText.h"
#include "catalog/ui/CAppPage.h"
#include "catalog/ui/CEnvParamPage.h"
#include "catalog/ui/CHelpViewerDlg.h"
#include "catalog/ui/CMsgTypePage.h"
#include "catalog/ui/CRolePage.h"
#include "catalog/ui/CWebsitePage.h"
#include "groups/ui/CGroupPage.h"
#include "org/ui/CSearchDlg.h"
#include "org/ui/CUnitAttrDlg.h"
#include "org/ui/CUnitEditDlg.h"
#include "org/ui/CUnitUserPage.h"
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

QSet<QString> tableTexts(UiLanguage language)
{
    QSet<QString> texts;
    for (const StringEntry& e : AllStrings()) {
        texts.insert(QString::fromUtf8(language == UiLanguage::English ? e.english : e.chinese));
    }
    return texts;
}

/// Every text a form puts on screen: labels, buttons, group boxes, list items, window titles.
QStringList shownTexts(QWidget* form)
{
    QStringList texts{form->windowTitle()};
    QList<QWidget*> widgets = form->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
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

struct UiText
{
    QString property; // "text", "title" or "windowTitle"
    QString value;
    int id = 0; // the textId or titleId beside it, 0 when missing
};

/// The texts a .ui file sets, each with the id property of the same widget.
QList<UiText> uiFileTexts(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QList<UiText> result;
    QList<QList<UiText>> stack; // per open <widget>
    QXmlStreamReader xml(&file);
    QString property;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("widget")) {
                stack.append(QList<UiText>());
            } else if (name == QLatin1String("property") && !stack.isEmpty()) {
                property = xml.attributes().value(QLatin1String("name")).toString();
            } else if (name == QLatin1String("string") && !stack.isEmpty() &&
                       (property == QLatin1String("text") || property == QLatin1String("title") ||
                        property == QLatin1String("windowTitle"))) {
                const QString value = xml.readElementText();
                if (!value.isEmpty()) {
                    stack.last().append(UiText{property, value, 0});
                }
            } else if (name == QLatin1String("number") && !stack.isEmpty() &&
                       (property == QLatin1String("textId") || property == QLatin1String("titleId"))) {
                const int id = xml.readElementText().toInt();
                const QString target = property == QLatin1String("titleId") ? QStringLiteral("windowTitle") : QString();
                for (UiText& t : stack.last()) {
                    if ((target.isEmpty() && t.property != QLatin1String("windowTitle")) || t.property == target) {
                        t.id = id;
                    }
                }
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("widget")) {
            result += stack.takeLast();
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
            for (const UiText& t : uiFileTexts(path)) {
                const QString where = path + QStringLiteral(": ") + t.value;
                QVERIFY2(t.id != 0, qPrintable(where + QStringLiteral(" has no textId/titleId")));
                QVERIFY2(QString::fromUtf8(StringUtf8(t.id, UiLanguage::English)) == t.value,
                         qPrintable(where + QStringLiteral(" differs from string ") + QString::number(t.id)));
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
        const QSet<QString> known = tableTexts(static_cast<UiLanguage>(language));

        test::TempDir dir;
        test::ScopedEnv programDir("QAR_PROGRAM_DIR", dir.path().c_str());
        test::HeadlessMessages messages;
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
        forms.push_back(std::make_unique<CEnvParamPage>());
        forms.push_back(std::make_unique<CHelpViewerDlg>());
        for (const auto& form : forms) {
            for (const QString& t : shownTexts(form.get())) {
                // The notice label is filled from a format with the entry's name.
                if (form->objectName() == QLatin1String("mainDialog") && t.contains(QLatin1Char('"'))) {
                    continue;
                }
                QVERIFY2(known.contains(t), qPrintable(form->objectName() + QStringLiteral(": ") + t));
            }
        }
    }
};

QTEST_MAIN(FormTextsTest)
#include "FormTextsTest.moc"
