#pragma once

namespace qar::str
{

// Ids of the applications, message types and websites catalogues.

} // namespace qar::str
