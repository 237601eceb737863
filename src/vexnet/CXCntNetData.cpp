#include "vexnet/CXCntNetData.h"

namespace qar
{

CXCntNetData::CXCntNetData(int kind, IVexLink* link) : CZNetData(link), m_kind(kind) {}

CXCntNetData::~CXCntNetData() = default;

} // namespace qar
