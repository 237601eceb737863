#pragma once

#include <functional>

class QWidget;

namespace qar::ui
{

/// Runs one user action or event handler (a button or menu command, a form's OK, a timer tick, a network
/// event) so that no failure it did not expect ends the tool: an exception that leaves `action` is written
/// to the diagnostic log with its cause and shown over `parent` as 253 with the cause under "Details".
/// False when the action ended so.
bool RunGuarded(QWidget* parent, const std::function<void()>& action) noexcept;

/// `action` as a slot that runs guarded (for connect()).
template <class Action> auto Guarded(QWidget* parent, Action action)
{
    return [parent, action = std::move(action)] { RunGuarded(parent, action); };
}

/// A member function of `self` as a slot that runs guarded, with `self` as the message's parent.
template <class Object, class Base> auto Guarded(Object* self, void (Base::*member)())
{
    return [self, member] { RunGuarded(self, [self, member] { (self->*member)(); }); };
}

} // namespace qar::ui
