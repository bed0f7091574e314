#pragma once

#include "registry/RegistryBackend.h"

// The real Windows registry through advapi32. Open keys are the system's own HKEY handles; only
// the two predefined roots are translated, since the system's values for them are sign-extended
// on 64-bit Windows.
class Win32Registry : public reg::Backend {
public:
  long openKey(reg::Handle parent, const std::string& subKey, std::uint32_t access,
               reg::Handle* result) override;
  long queryValue(reg::Handle key, const std::string& name, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* size) override;
  long setValue(reg::Handle key, const std::string& name, std::uint32_t type,
                const std::uint8_t* data, std::uint32_t size) override;
  long closeKey(reg::Handle key) override;
};
