#pragma once

#include <string>

#include "store/registry_key.h"

namespace parvolind::testing {

/// The text of the RegistryError that `call` raises, or "(no error)".
template <typename Call>
std::string ErrorOf(Call call) {
  try {
    call();
  } catch (const RegistryError& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace parvolind::testing
