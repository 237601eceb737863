#include "MainWindowOnDatabase.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/UiText.h"
#include "db/CXDatabase.h"
#include "groups/ui/CGroupPage.h"
#include "intake/ui/CSheetIntakeDlg.h"
#include "org/ui/CUnitUserPage.h"
#include "resources/StringTable.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStyle>
#include <QTreeWidget>

#include <functional>
#include <vector>

using namespace qar;
using namespace qar::ui;

namespace
{

/// Opens the next window from the one in front (a click on one of its buttons, a key, a command).
using Step = std::function<void(QWidget& front)>;

Step press(const char* button)
{
    return [button](QWidget& front) {
        for (auto* b : front.findChildren<QAbstractButton*>(QString::fromLatin1(button))) {
            if (b->isVisible() && b->window() == &front) {
                QVERIFY2(b->isEnabled(), button);
                b->click();
                return;
            }
        }
        QFAIL(button);
    };
}

/// One window a new administrator meets: a page of the main window (made ready by `prepare`), or a form
/// reached from it by `steps`.
struct Walk
{
    const char* name;
    int sideBarRow;
    Step prepare;
    std::vector<Step> steps;
    bool chineseOnly = false; ///< a form only the Chinese interface offers
};

CUnitUserPage& unitsPage(QWidget& window)
{
    return *static_cast<CUnitUserPage*>(static_cast<CMainDlg&>(window).page(PageKind::UnitsAndUsers));
}

std::vector<Walk> walks()
{
    const Step none = [](QWidget&) {};
    const Step unitSelected = [](QWidget& w) {
        CUnitUserPage& page = unitsPage(w);
        page.selectNode(page.model().index().unitNodes.at(101));
    };
    const Step groupSelected = [](QWidget& w) {
        static_cast<CGroupPage*>(static_cast<CMainDlg&>(w).page(PageKind::Groups))->selectGroup(2);
    };
    const Step edit = press("editButton");
    return {
        {"groups page", 0, none, {}},
        {"roles page", 1, none, {}},
        {"units page", 2, none, {}},
        {"units page, find bar open", 2, [](QWidget& w) { unitsPage(w).openFindBar(); }, {}},
        {"applications page", 3, none, {}},
        {"websites page", 4, none, {}},
        {"message types page", 5, none, {}},
        {"corporation", 2, none, {press("nameButton")}},
        {"about (F1)", 2, none, {[](QWidget& w) { QTest::keyClick(&w, Qt::Key_F1); }}},
        {"group editor", 0, groupSelected, {edit}},
        {"group attributes", 0, groupSelected, {edit, press("setAttributesButton")}},
        {"group properties", 0, groupSelected, {edit, press("propSetupButton")}},
        {"group files", 0, groupSelected, {edit, press("fileSetupButton")}},
        {"independent users", 0, groupSelected, {edit, press("indepUserButton")}},
        {"short user form", 0, groupSelected, {edit, press("indepUserButton"), press("addButton")}},
        {"role editor", 1, none, {press("addButton")}},
        {"privileges", 1, none, {press("addButton"), press("setButton")}},
        {"help viewer", 1, none, {press("addButton"), press("setButton"), press("helpButton")}},
        {"unit editor", 2, none, {press("addUnitButton")}},
        {"unit attributes", 2, none, {press("addUnitButton"), press("setAttributesButton")}},
        {"user editor", 2, unitSelected, {press("addUserButton")}},
        {"sign domain", 2, unitSelected, {press("addUserButton"), press("domainSettingButton")}},
        {"net disk", 2, unitSelected, {press("addUserButton"), press("setSizeButton")}},
        {"virtual units", 2, unitSelected, {press("addUserButton"), press("virtualUnitsButton")}, true},
        {"add virtual unit",
         2,
         unitSelected,
         {press("addUserButton"), press("virtualUnitsButton"), press("addButton")},
         true},
        {"search", 2, none, {[](QWidget& w) { unitsPage(w).search(); }}},
        {"check data", 2, none, {press("checkDataButton")}},
        {"application editor", 3, none, {press("addButton")}},
        {"website editor", 4, none, {press("addButton")}},
        {"message type editor", 5, none, {press("addButton")}},
        // The import tool is a program of its own: its form is opened as that program opens it.
        {"sheet intake", 2, none, {[](QWidget&) {
             CXDatabase closed;
             CSheetIntakeDlg form(SheetIntakeArgs{0, {}, {}, {1}, 1}, closed, CSheetIntakeDlg::Server{});
             form.exec();
         }}},
    };
}

/// Whether the window shows `w` itself (not a hidden page's, nor a popup's).
bool shownIn(const QWidget* w, const QWidget& window)
{
    return w->window() == &window && w->isVisibleTo(&window);
}

QString describe(const QWidget* w)
{
    return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
}

/// The name a screen reader says for `w`. On Linux a drop-down list's name is its current entry, so it
/// is named for the reader by its label (a label whose buddy it is) or a name of its own.
QString accessibleName(QWidget* w)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    if (face == nullptr) {
        return {};
    }
    if (auto* box = qobject_cast<QComboBox*>(w); box != nullptr && !box->isEditable()) {
        const auto labels = face->relations(QAccessible::Label);
        return !labels.isEmpty() ? labels.first().first->text(QAccessible::Name) : w->accessibleName();
    }
    return face->text(QAccessible::Name).trimmed();
}

/// Focusable controls without a name, buttons showing only an icon without a name or a tooltip, and
/// read-only fields that Tab stops at.
QStringList unnamed(QWidget& window)
{
    QStringList problems;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!shownIn(w, window) || w->focusPolicy() == Qt::NoFocus || w->focusProxy() != nullptr) {
            continue;
        }
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit != nullptr && edit->isReadOnly()) {
            problems << QStringLiteral("read-only field takes the focus: ") + describe(w);
        }
        if (accessibleName(w).isEmpty()) {
            problems << QStringLiteral("no accessible name: ") + describe(w);
        }
        const auto* button = qobject_cast<QAbstractButton*>(w);
        if (button != nullptr && button->text().isEmpty() && button->toolTip().isEmpty()) {
            problems << QStringLiteral("icon without tooltip: ") + describe(w);
        }
    }
    return problems;
}

/// Two controls of one window under the same Alt key; a label whose key leads nowhere; a label of a
/// field the administrator types in that has no key.
QStringList mnemonicProblems(QWidget& window)
{
    QStringList problems;
    QMap<int, QString> taken;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!shownIn(w, window)) {
            continue;
        }
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            shown = label->text();
            const QWidget* buddy = label->buddy();
            const bool hasKey = !QKeySequence::mnemonic(shown).isEmpty();
            if (hasKey && (buddy == nullptr || buddy->focusPolicy() == Qt::NoFocus)) {
                problems << QStringLiteral("key leads nowhere: ") + describe(w);
            }
            if (!hasKey && buddy != nullptr && buddy->focusPolicy() != Qt::NoFocus && buddy->isEnabled()) {
                problems << QStringLiteral("no key for the field of ") + describe(w);
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            shown = button->text();
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            shown = box->title();
        }
        const QKeySequence key = QKeySequence::mnemonic(shown);
        if (key.isEmpty()) {
            continue;
        }
        const int code = key[0].toCombined();
        if (taken.contains(code)) {
            problems << QStringLiteral("%1 and %2 share %3").arg(taken[code], describe(w), key.toString());
        }
        taken.insert(code, describe(w));
    }
    return problems;
}

/// Texts cut short by their control.
QStringList cutTexts(QWidget& window)
{
    QStringList problems;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!shownIn(w, window)) {
            continue;
        }
        int needed = 0;
        int room = 0;
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            shown = label->text();
            if (shown.isEmpty() || label->textFormat() == Qt::RichText || Qt::mightBeRichText(shown)) {
                continue;
            }
            if (label->wordWrap()) {
                needed = label->heightForWidth(label->contentsRect().width());
                room = label->contentsRect().height();
            } else {
                needed = label->fontMetrics().size(Qt::TextShowMnemonic, shown).width();
                room = label->contentsRect().width();
            }
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            shown = button->text();
            const QStyle* style = button->style();
            needed = button->fontMetrics().size(Qt::TextShowMnemonic, shown).width() +
                     style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                     2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
            room = button->width();
        } else if (auto* other = qobject_cast<QAbstractButton*>(w)) {
            shown = other->text();
            needed = other->sizeHint().width();
            room = other->width();
        } else if (auto* list = qobject_cast<QListWidget*>(w);
                   list != nullptr && list->viewMode() == QListView::IconMode) {
            // An entry's text wraps below its icon; a word wider than the entry, or more lines than it
            // has room for, is cut.
            for (int i = 0; i < list->count(); ++i) {
                const QRect cell = list->visualItemRect(list->item(i));
                const QRect wrapped = list->fontMetrics().boundingRect(QRect(0, 0, cell.width(), 1000),
                                                                       Qt::TextWordWrap, list->item(i)->text());
                if (wrapped.width() > cell.width() || wrapped.height() > cell.height() - list->iconSize().height()) {
                    problems << QStringLiteral("cut short: ") + describe(w) + QStringLiteral(" \"") +
                                    list->item(i)->text() + QLatin1Char('"');
                }
            }
            continue;
        }
        if (!shown.isEmpty() && needed > room) {
            problems
                << QStringLiteral("cut short (%1 of %2 px): %3 \"%4\"").arg(room).arg(needed).arg(describe(w), shown);
        }
    }
    return problems;
}

/// Texts of the window, hidden ones too, that the string table lacks in the language shown: a text set in
/// code would show in English on a Chinese desktop. A table text may lose its Alt key or be filled in with
/// data ("%s", "%d").
QStringList foreignTexts(QWidget& window)
{
    QSet<QString> known;
    QList<QRegularExpression> formats;
    for (const StringEntry& e : AllStrings()) {
        const QString t = QString::fromUtf8(CurrentUiLanguage() == UiLanguage::English ? e.english : e.chinese);
        known << t << withoutMnemonic(t);
        QStringList pieces = t.split(QRegularExpression(QStringLiteral("%[sd]")));
        if (pieces.size() > 1 && pieces.join(QString()).trimmed().size() >= 3) {
            for (QString& piece : pieces) {
                piece = QRegularExpression::escape(piece);
            }
            formats << QRegularExpression(pieces.join(QStringLiteral(".*")));
        }
    }
    QStringList texts{window.windowTitle()};
    for (QWidget* w : window.findChildren<QWidget*>()) {
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
    QStringList problems;
    for (const QString& shown : texts) {
        QString rest = shown;
        for (const QRegularExpression& format : formats) {
            rest.remove(format);
        }
        if (!known.contains(shown) && !rest.trimmed().isEmpty() && !known.contains(rest.trimmed())) {
            problems << QStringLiteral("not a table text: \"") + shown + QLatin1Char('"');
        }
    }
    return problems;
}

/// Shrinks the window as far as it goes and collects what a new administrator would stumble on.
QStringList inspect(QWidget& window)
{
    window.resize(window.minimumSize().expandedTo(QSize(1, 1)));
    QCoreApplication::processEvents();
    QStringList problems = unnamed(window) + mnemonicProblems(window) + cutTexts(window) + foreignTexts(window);
    for (QString& p : problems) {
        p.prepend(window.objectName() + QStringLiteral(": "));
    }
    return problems;
}

/// Takes the steps one window after another; the last window reached is inspected. Each window is
/// closed again on the way back, so a failing step cannot leave one open.
void walkThrough(QWidget& front, const std::vector<Step>& steps, std::size_t at, QStringList& problems)
{
    if (at == steps.size()) {
        problems += inspect(front);
        return;
    }
    bool reached = false;
    QTimer::singleShot(0, [&] {
        QWidget* next = QApplication::activeModalWidget();
        if (next == nullptr || next == &front) {
            return;
        }
        reached = true;
        walkThrough(*next, steps, at + 1, problems);
        if (auto* form = qobject_cast<QDialog*>(next); form != nullptr && form->isVisible()) {
            form->done(QDialog::Rejected);
        }
    });
    steps[at](front);
    QCoreApplication::processEvents();
    if (!reached) {
        problems << QStringLiteral("step %1 opened no form").arg(at + 1);
    }
}

} // namespace

// Every page and form as a new administrator meets it, in both languages, at its smallest: each control
// the keyboard reaches has a name a screen reader can say, Alt keys do not clash, and no text is cut short.
class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }
    void cleanup() { SetUiLanguage(UiLanguage::English); }

    void everyWindowIsNamedKeyedAndReadable_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("walk");
        const std::vector<Walk> all = walks();
        for (const auto& [language, code] :
             {std::pair{UiLanguage::English, "en"}, std::pair{UiLanguage::SimplifiedChinese, "zh_CN"}}) {
            for (std::size_t i = 0; i < all.size(); ++i) {
                if (all[i].chineseOnly && language == UiLanguage::English) {
                    continue;
                }
                QTest::addRow("%s: %s", code, all[i].name) << static_cast<int>(language) << static_cast<int>(i);
            }
        }
    }

    void everyWindowIsNamedKeyedAndReadable()
    {
        QFETCH(int, language);
        QFETCH(int, walk);
        SetUiLanguage(static_cast<UiLanguage>(language));
        const std::vector<Walk> all = walks();
        const Walk& chosen = all[static_cast<std::size_t>(walk)];

        test::MainWindowOnDatabase main;
        // A server beside the program (groups can be added), the group details shown, the extended data.
        test::writeFile(main.dir().file("RXServer.exe"), "");
        test::writeFile(main.dir().file("UserData/setting/SvrFlag.dat"), "[SvrFlag]\r\nSP=1\r\n");
        test::writeFile(main.dir().file("UserData/data/Userx.xml"), "<QAR_USERX><DOMAIN/></QAR_USERX>");
        for (const char* row : {"(0, 'Default')", "(2, 'Sales')", "(10, 'Research')"}) {
            main.db().exec(std::string("INSERT INTO [GroupTable] ([GROUP_ID], [GROUP_NAME]) VALUES ") + row);
        }
        test::addUnit(main.db(), 101, 0, 1, 2);
        CMainDlg& window = main.open();
        QApplication::setActiveWindow(&window);
        window.findChild<QListWidget*>(QStringLiteral("sideBarList"))->setCurrentRow(chosen.sideBarRow);

        chosen.prepare(window);
        QStringList problems;
        if (chosen.steps.empty()) {
            problems = inspect(window);
        } else {
            walkThrough(window, chosen.steps, 0, problems);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
