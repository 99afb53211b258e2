#pragma once
// A registry store of the test's own, in a temporary folder, never the user's.

#include "support/TempFolder.h"
#include "win32/Registry.h"

namespace testsupport {

class RegistryFile {
public:
    RegistryFile() { win32::testing::CloseRegistryStore(); }
    ~RegistryFile() { win32::testing::CloseRegistryStore(); }
    RegistryFile(const RegistryFile&) = delete;
    RegistryFile& operator=(const RegistryFile&) = delete;

    TempFolder dir;
    std::filesystem::path path = dir / "registre.sqlite";

private:
    ScopedEnv env_{"QUORVEL_REGISTRY", path.string()};
};

} // namespace testsupport
