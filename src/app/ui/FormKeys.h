#pragma once

class QDialog;
class QWidget;

namespace qar::ui
{

/// What Escape does to a form's typed values.
enum class TypedValues
{
    AskBeforeDiscarding, ///< a form that edits something: Escape asks before it throws changes away
    Discard,             ///< a tool or a chooser: Escape closes it at once
};

/// The keyboard of a form, the same on every form: F1 presses its Help button (the one named
/// "helpButton"), Tab passes over read-only fields, and in a form that edits something Escape asks
/// before it throws away what was typed since the form was shown (Cancel still closes at once). Every
/// form calls it once at the end of its constructor, after its fields are filled.
void SetUpFormKeys(QDialog* form, TypedValues typed = TypedValues::AskBeforeDiscarding);

/// Changes what Escape does to the typed values of a form set up already (a form that is a chooser in
/// one use and an editor in another).
void SetTypedValues(QDialog* form, TypedValues typed);

/// Whether the fields of `form` hold other values than when it was shown (or set up, before it was).
bool HasTypedChanges(const QWidget* form);

} // namespace qar::ui
