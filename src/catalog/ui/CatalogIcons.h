#pragma once

#include <string>

class QLabel;
class QWidget;

namespace qar::ui
{

/// Draws the icon file at `path` at 32 x 32 in `picture`; an empty picture when there is none or it
/// cannot be drawn.
void ShowIconFile(QLabel* picture, const std::string& path);

/// "Set Icon": the file form opens in the icon library; a chosen file that is missing, too large or no
/// icon is refused with its message, otherwise it is copied over `target` at once. True when the icon
/// file changed.
bool ChooseIconFile(QWidget* parent, const std::string& target);

} // namespace qar::ui
