// ControlProxy: stands between the player and the embedded engine, as the
// control the player creates. While one exists, CoCreateInstance of the
// media player control in this process builds the engine's control wrapped
// in the proxy (the latest registration wins; destroying the proxy revokes
// it). Every interface the engine hands out through the proxy is wrapped
// too, so each call the player makes is recorded, forwarded, and can be
// made to answer otherwise.
//
// Recording: each call but QueryInterface, AddRef and Release, as
// "IWMPPlaylist.insertItem(1, new.wav)": the object's interface (IWMPCore
// methods under IWMPPlayer4) and the in parameters as text: integers in
// decimal (VARIANT_BOOL as -1/0), doubles as printf's %g, strings as UTF-8
// with a path shown by its file name, a media item by its file name, a
// playlist by its name, an event sink by its face, an IID by its name.
//
// Answers: the chosen call does not reach the engine; it returns `status`
// (any status, successes too) with its out parameters cleared, or S_OK with
// no object, or S_OK with `value` written to its number or `text` to its
// string. A method's name alone chooses every call of it; with its
// arguments as recorded ("IWMPMedia.getItemInfo(Album)") only those calls.
#pragma once

#include <windows.h>
#include <wmp.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace control_proxy {

struct Answer {
  Answer(HRESULT status = S_OK, bool null = false) : status(status), null(null) {}
  static Answer Number(double value) {
    Answer answer;
    answer.value = value;
    return answer;
  }
  static Answer Text(std::u16string text) {
    Answer answer;
    answer.text = std::move(text);
    return answer;
  }
  HRESULT status;
  bool null;                          // S_OK without the object the call hands back
  std::optional<double> value;        // S_OK with this number in the out parameter
  std::optional<std::u16string> text; // S_OK with this string in the out parameter
  std::string Shown() const;
};

struct State;

class ControlProxy {
public:
  ControlProxy();
  ~ControlProxy();
  ControlProxy(const ControlProxy &) = delete;
  ControlProxy &operator=(const ControlProxy &) = delete;

  // The `occurrence`-th call (counted from 1; 0 for every call) of
  // `method` ("IWMPControls.play"; "IWMPPlayer4.QueryInterface(IWMPPlayer4)"
  // for an interface query) answers `answer`; the others go through.
  void Answer(const std::string &method, std::size_t occurrence, control_proxy::Answer answer);
  // Runs `hook` when `method` is called, before it is answered.
  void OnCall(const std::string &method, std::function<void()> hook);
  void Forget(); // every answer and hook

  // The calls recorded since the last ClearCalls, as described above, and
  // their method names alone.
  const std::vector<std::string> &Calls() const;
  std::vector<std::string> Methods() const;
  std::size_t Count(const std::string &method) const;
  std::vector<std::string> CallsTo(const std::string &method) const;
  void ClearCalls();
  std::string Log() const; // one call a line, for failure messages

  // The sinks connected through the proxy's connection points, to raise
  // events on as the control does: each is an IWMPEvents or _WMPOCXEvents.
  std::vector<IUnknown *> Sinks() const;
  // The engine's player object behind the control made last, for calling
  // it as a second client would, unrecorded; null once it is gone.
  IWMPPlayer4 *Engine() const; // one reference, the caller's

private:
  std::shared_ptr<State> state_;
  DWORD registration_ = 0;
};

// Objects of the proxy alive now, whoever made them; 0 once everything it
// handed out was released.
long LiveProxies();

} // namespace control_proxy
