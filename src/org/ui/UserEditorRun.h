#pragma once

#include "org/CUnitUserModel.h"

class QWidget;

namespace qar::ui
{

class PageHost;

/// "Add user" (`editMode` false) or "Edit" on a user node of the units-and-users page: opens the user
/// form on the selected node with the main window's settings and files, and writes what it returns.
/// The message to show comes back (an empty one: nothing to say).
OrgMessage RunUserEditor(CUnitUserModel& page, PageHost* window, QWidget* parent, bool editMode);

} // namespace qar::ui
