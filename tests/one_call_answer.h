// Scripting one call of a scripted control's method, chosen by its place
// among the calls of that method, where Control::fail and giveNull script
// every call of it.
#pragma once

#include "scripted/scripted_control.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace test_support {

// A status no control call answers by itself.
constexpr HRESULT kRefused = HRESULT(0x8007001F);

// What the chosen call answers instead of doing its work.
struct Answer {
  HRESULT status = S_OK; // returned as it is, the out parameters cleared
  bool null = false;     // S_OK without the object the call hands back

  std::string text() const {
    if (null)
      return "S_OK with no object";
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", unsigned(status));
    return buffer;
  }
};

// The `occurrence`-th call (counted from 1) of `method` gives `answer`; the
// calls before and after it answer as usual. Replaces the whole script.
inline void AnswerOneCall(scripted::Control &control, const std::string &method,
                          std::size_t occurrence, Answer answer) {
  control.clearScript();
  auto seen = std::make_shared<std::size_t>(0);
  control.onCall(method, [&control, method, occurrence, answer, seen] {
    ++*seen;
    if (*seen == occurrence) {
      if (answer.null)
        control.giveNull(method);
      else
        control.fail(method, answer.status);
    } else if (*seen == occurrence + 1) {
      control.clearScript(); // this hook included: the later calls are plain
    }
  });
}

} // namespace test_support
