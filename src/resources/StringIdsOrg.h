#pragma once

namespace qar::str
{

// Ids of the units-and-users page and the unit editor.

} // namespace qar::str
