#include "app/ui/UiText.h"

#include "db/WriteFailure.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "xml/Encoding.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QVariant>
#include <QWidget>

namespace qar::ui
{

QString text(int id)
{
    const std::string_view utf8 = StringUtf8(id);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString formatText(int id, std::initializer_list<QString> args)
{
    const QString format = text(id);
    QString out;
    auto next = args.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'%' && i + 1 < format.size() && (format.at(i + 1) == u's' || format.at(i + 1) == u'd') &&
            next != args.end()) {
            out += *next++;
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

QString fromAnsi(std::string_view bytes)
{
    return QString::fromStdU16String(ToUtf16(bytes));
}

std::string toAnsi(const QString& text)
{
    return FromUtf16(text.toStdU16String());
}

QString withoutMnemonic(const QString& shown)
{
    // "名称(&N):" as the Chinese texts mark it, "&Name:" as the English do; "&&" is an ampersand.
    static const QRegularExpression bracketed(QStringLiteral("\\(&[^&]\\)"));
    QString plain = shown;
    plain.remove(bracketed);
    QString out;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (plain.at(i) == u'&' && i + 1 < plain.size()) {
            ++i;
        }
        out += plain.at(i);
    }
    return out;
}

void applyTextIds(QWidget* form)
{
    QList<QWidget*> widgets = form->findChildren<QWidget*>();
    widgets.prepend(form);
    for (QWidget* w : widgets) {
        const QVariant titleId = w->property("titleId");
        if (titleId.isValid()) {
            w->setWindowTitle(text(titleId.toInt()));
        }
        const QVariant nameId = w->property("accessibleNameId");
        if (nameId.isValid()) {
            w->setAccessibleName(withoutMnemonic(text(nameId.toInt())));
        }
        const QVariant tipId = w->property("toolTipId");
        if (tipId.isValid()) {
            w->setToolTip(text(tipId.toInt()));
        }
        const QVariant textId = w->property("textId");
        if (!textId.isValid()) {
            continue;
        }
        const QString t = text(textId.toInt());
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            button->setText(t);
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setText(t);
            // A screen reader names a field after the label whose buddy it is, but a list only by a name
            // of its own: the label's text becomes it.
            auto* list = qobject_cast<QAbstractItemView*>(label->buddy());
            if (list != nullptr && list->property("accessibleNameId").isNull()) {
                list->setAccessibleName(withoutMnemonic(t));
            }
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            box->setTitle(t);
        }
    }
}

QString writeFailureDetails(const WriteFailure& failure)
{
    QString details = fromAnsi(failure.cause);
    if (failure.conflict) {
        details = text(str::kClusterConflictCause) + QStringLiteral("\n\n") + details;
    } else if (failure.noAnswerSeconds > 0) {
        details = formatText(str::kDatabaseNoAnswer, {QString::number(failure.noAnswerSeconds)}) +
                  QStringLiteral("\n\n") + details;
    }
    return details;
}

} // namespace qar::ui
