#pragma once

#include "vexnet/CZNetData.h"

namespace qar
{

/// A message the tool originates, tagged with the kind of traffic it belongs to (the refresh
/// notification is kind kNetDataKindControl). The kind stays in the library; only the items travel.
class CXCntNetData : public CZNetData
{
public:
    explicit CXCntNetData(int kind, IVexLink* link = nullptr);
    ~CXCntNetData() override;

    int kind() const { return m_kind; }

private:
    int m_kind;
};

} // namespace qar
