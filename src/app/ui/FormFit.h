#pragma once

class QWidget;

namespace qar::ui
{

/// Keeps a form within the width of the screen it is shown on, whatever the texts it holds (a unit name
/// of 200 characters in a drop-down list): drop-down lists take a bounded width and elide what does not
/// fit, and a text cut short in a drop-down, a list or a field shows whole in its tooltip. Every form
/// calls it once at the end of its constructor, after its lists are filled; a list filled later keeps
/// the same bounds.
void FitFormToScreen(QWidget* form);

/// Characters a drop-down list is at most wide enough for; longer entries are elided.
inline constexpr int kFittedComboChars = 40;

} // namespace qar::ui
