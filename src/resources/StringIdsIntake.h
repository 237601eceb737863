#pragma once

namespace qar::str
{

// Ids of bulk import, export and the data check.

} // namespace qar::str
