#include "GuiTestSupport.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "app/ui/QtTranslations.h"
#include "app/ui/UiText.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

using namespace qar;
using namespace qar::ui;

namespace
{

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

QStringList contextMenuTexts()
{
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            texts << action->text();
        }
    }
    return texts;
}

} // namespace

// What the forms show in the interface language, their own texts and Qt's; a form shows only texts of the
// string table, which the accessibility walk checks in both languages.
class FormTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }
    void cleanup()
    {
        SetUiLanguage(UiLanguage::English);
        installQtTranslations();
    }

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

    // The file dialog and the edit fields' menu are Qt's own; in the Chinese interface they speak Chinese,
    // and back in English they speak English again (the old catalogue does not stay installed).
    void chineseInterfaceShowsQtsOwnTextsInChinese()
    {
        SetUiLanguage(UiLanguage::SimplifiedChinese);
        QVERIFY(installQtTranslations());
        QFileDialog dialog(nullptr, QStringLiteral("x"), QDir::tempPath());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        const QStringList menu = contextMenuTexts();
        const QStringList shown{
            test::child<QLabel>(dialog, "lookInLabel")->text(), test::child<QLabel>(dialog, "fileNameLabel")->text(),
            test::child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Open)->text(), menu.value(0),
            menu.value(menu.size() - 1)};
        const QRegularExpression chinese(QStringLiteral("^[\\x{4e00}-\\x{9fff}]"));
        for (const QString& text : shown) {
            QVERIFY2(text.contains(chinese), qPrintable(text)); // "查找范围:", "文件名称(&N):", ... "全选"
        }

        SetUiLanguage(UiLanguage::English);
        QVERIFY(!installQtTranslations());
        QCOMPARE(contextMenuTexts().value(0), QStringLiteral("&Undo\tCtrl+Z"));
    }

    // The box's Details button keeps the tool's words however often it is pressed, with Qt's catalogue
    // installed or not.
    void detailsButtonKeepsTheToolsTextAfterEachClick()
    {
        for (const UiLanguage language : {UiLanguage::SimplifiedChinese, UiLanguage::English}) {
            SetUiLanguage(language);
            installQtTranslations();
            QStringList seen;
            QTimer::singleShot(0, this, [&seen] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                auto* details = box ? test::child<QAbstractButton>(*box, "detailsButton") : nullptr;
                for (int i = 0; details != nullptr && i < 3; ++i) {
                    seen << details->text();
                    details->click();
                }
                if (box != nullptr) {
                    box->button(QMessageBox::Ok)->click();
                }
            });
            MessageService::instance().setHeadless(false);
            MessageService::instance().error(nullptr, str::kOperationFailed, QStringLiteral("[HY000] cause"));
            MessageService::instance().setHeadless(true);
            QCOMPARE(seen, QStringList({text(str::kShowDetails), text(str::kHideDetails), text(str::kShowDetails)}));
        }
    }
};

QTEST_MAIN(FormTextsTest)
#include "FormTextsTest.moc"
