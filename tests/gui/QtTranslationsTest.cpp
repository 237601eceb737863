#include "app/ui/QtTranslations.h"

#include "GuiTestSupport.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

using namespace qar;
using namespace qar::ui;

namespace
{

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

class QtTranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        SetUiLanguage(UiLanguage::English);
        installQtTranslations();
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

QTEST_MAIN(QtTranslationsTest)
#include "QtTranslationsTest.moc"
