// Failing one particular call of a scripted control's method, chosen by its
// first recorded argument (an attribute name, an index, ...), where
// Control::fail would fail every call of it.
#pragma once

#include "scripted/scripted_control.h"

#include <string>

namespace test_support {

// From the first call of `method` whose first argument is `argument` on,
// every call of `method` returns `hr`; the calls before it answer as usual.
// The hook stays installed for the control's life.
inline void FailFromCall(scripted::Control &control, const std::string &method,
                         const std::string &argument, HRESULT hr) {
  control.onCall(method, [&control, method, argument, hr] {
    const scripted::Call &call = control.calls().back();
    if (!call.args.empty() && call.args[0] == argument)
      control.fail(method, hr);
  });
}

} // namespace test_support
