#pragma once

namespace qar::ui
{

/// Gives Qt's own texts (file dialogs, the edit fields' context menu, standard buttons) the language of
/// the tool's interface, from the translations the system's Qt installation ships. Replaces what an
/// earlier call installed; returns false when that language's catalogue is not installed, and for
/// English, which Qt speaks by itself. Call after the QApplication exists.
bool installQtTranslations();

} // namespace qar::ui
