#include "mproxyguard.h"

#include <cstring>

#include "errlog.h"
#include "mmachabstract.h"

namespace mproxy_guard {

namespace {

// The name for the report itself: asked without a guard of its own, so that a name that throws
// adds no second entry.
const char* quiet_name_of(MMachAbstract* submachine) noexcept {
  if (submachine == nullptr) return "?";
  try {
    return or_unknown(submachine->GetMachineName());
  } catch (...) {
    return "?";
  }
}

}  // namespace

void report(MMachAbstract* submachine, const char* operation, const char* what) noexcept {
  const char* const name = quiet_name_of(submachine);
  if (what != nullptr) {
    MERRLOG("%s() of submachine '%s' threw: %s", operation, name, what);
  } else {
    MERRLOG("%s() of submachine '%s' threw an exception of unknown type", operation, name);
  }
}

const char* name_of(MMachAbstract* submachine) noexcept {
  return or_unknown(MPROXY_CALL(submachine, GetMachineName));
}

const char* description_of(MMachAbstract* submachine) noexcept {
  return or_unknown(MPROXY_CALL(submachine, GetMachineDescription));
}

const char* unqualified(const char* function) noexcept {
  const char* const colon = std::strrchr(function, ':');
  return colon != nullptr ? colon + 1 : function;
}

}  // namespace mproxy_guard
