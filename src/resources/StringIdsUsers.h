#pragma once

namespace qar::str
{

// Ids of the user editor, privileges, roles, virtual units and the small user forms.

} // namespace qar::str
