#pragma once

namespace qar::str
{

// Ids of the groups page, group editor, attributes and property files.

} // namespace qar::str
