#include "mproxyasyncmachabstract.h"

std::vector<MMachAbstract*> MProxyAsyncMachAbstract::get_submachines_with_axis(
    const std::string& axis, MProxyCombineFunction* combine) {
  if (!find_combine_function(axis, combine)) return {};
  std::vector<MMachAbstract*> sharing;
  sharing.reserve(submachines().size());
  for (size_t i = 0; i < submachines().size(); ++i) {
    MMachAbstract* submachine = submachines()[i];
    const MMachAxesSet axes{axis, append_number(axis, i + 1)};
    if (IsScandataPossibleWith(axes) == 1 && is_axis_usable(submachine, axis)) {
      sharing.push_back(submachine);
    }
  }
  return sharing;
}
