#pragma once

#include <openssl/evp.h>

namespace qar::test
{

/// For its lifetime the process's cryptography library finds no digest at all, as under a configuration
/// that allows only approved algorithms (MD5 refused): a default property that no implementation has.
/// Connections made before keep working; make none while it lives.
class RefusedDigests
{
public:
    RefusedDigests() { EVP_set_default_properties(nullptr, "qar.refused=yes"); }
    ~RefusedDigests() { EVP_set_default_properties(nullptr, ""); }
    RefusedDigests(const RefusedDigests&) = delete;
    RefusedDigests& operator=(const RefusedDigests&) = delete;
};

} // namespace qar::test
