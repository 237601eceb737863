#include "app/ui/UiText.h"

#include "db/WriteFailure.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "xml/Encoding.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
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

void applyTextIds(QWidget* form)
{
    QList<QWidget*> widgets = form->findChildren<QWidget*>();
    widgets.prepend(form);
    for (QWidget* w : widgets) {
        const QVariant titleId = w->property("titleId");
        if (titleId.isValid()) {
            w->setWindowTitle(text(titleId.toInt()));
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
