#include "app/ui/QtTranslations.h"

#include "resources/StringTable.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace qar::ui
{

bool installQtTranslations()
{
    // One translator at a time: a language switch (tests) must not leave the old one answering first.
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (CurrentUiLanguage() != UiLanguage::SimplifiedChinese) {
        return false;
    }
    // The tool's language comes from its own rule (QAR_LANG, then the locale variables), not from
    // QLocale::system(), so the catalogue is named rather than looked up by locale. "qt_zh_CN" gathers
    // qtbase's texts with those of the other installed modules.
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qt_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}

} // namespace qar::ui
