// What the objects of the scripted control share: the state behind a
// Control, the base of every COM object (reference count, leak accounting,
// recording and scripting), and the constructors of each object, whose
// structs stay private to their own files.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "scripted/scripted_control.h"
#include "scripted/unused_methods.h"

namespace scripted {

using Args = std::vector<std::string>;

// Which event interface a sink was connected on.
enum class Face { Events, Dispatch };

// One sink connected through a connection point of a player object.
struct Connection {
  DWORD cookie;
  Face face;
  IUnknown *sink;    // the sink's IWMPEvents or _WMPOCXEvents, one reference held
  const void *owner; // the player object whose connection point made it
};

struct State {
  Model model;
  std::vector<Call> calls;
  std::map<std::string, HRESULT> failures;
  std::set<std::string> nulls;
  std::map<std::string, std::function<void()>> hooks;
  std::vector<Connection> connections;
  DWORD nextCookie = 1;
  std::size_t instancesCreated = 0;

  // Records `method`, runs its hook, then gives the scripted answer:
  // nothing to carry on, or the status to return at once.
  std::optional<HRESULT> enter(const std::string &method, Args args);
  // Only the scripted failure of a QueryInterface, never recorded.
  std::optional<HRESULT> scriptedFailure(const std::string &name) const;

  // Releases the sinks a player object still holds when it goes, as the
  // real control does.
  void dropConnections(const void *owner);
  // Sends an event to every sink; `direct` for the IWMPEvents face, `args`
  // in declaration order for the dispatch face. `args` are freed afterwards.
  void raise(DISPID id, const std::function<void(IWMPEvents *)> &direct, std::vector<VARIANT> args);
};

// ---- text and arguments ----------------------------------------------------
std::u16string text(const OLECHAR *value); // a null BSTR is empty
BSTR bstr(const std::u16string &value);
std::u16string lower(std::u16string value); // ASCII letters only
template <class T>
requires std::is_integral_v<T> || std::is_enum_v<T> std::string arg(T value) {
  return std::to_string(static_cast<long long>(value));
}
std::string arg(double value);
std::string arg(const OLECHAR *value);
std::string iidName(REFIID riid);
// Writes a new BSTR to `out`; E_POINTER for a null `out`.
HRESULT giveText(BSTR *out, const std::u16string &value);

// The base of every COM object of the control.
class Object {
public:
  Object(std::shared_ptr<State> state, const char *name, bool factory = false);
  virtual ~Object();
  Object(const Object &) = delete;
  Object &operator=(const Object &) = delete;

  ULONG addRef() { return ULONG(++refs_); }
  ULONG release() {
    long left = --refs_;
    if (left == 0)
      delete this;
    return ULONG(left);
  }
  long references() const { return refs_; }
  const char *name() const { return name_; }
  bool isFactory() const { return factory_; }

  // Records "<name>.<method>" and answers as scripted (see State::enter).
  std::optional<HRESULT> enter(const char *method, Args args = {}) {
    return state->enter(std::string(name_) + "." + method, std::move(args));
  }
  // The same for a method with an out parameter, cleared on a scripted answer.
  template <class T> std::optional<HRESULT> enter(const char *method, Args args, T *out) {
    auto answer = enter(method, std::move(args));
    if (answer && out)
      *out = T{};
    return answer;
  }
  // A method the player never calls: recorded and scripted, else E_NOTIMPL.
  HRESULT unused(const char *method) { return enter(method).value_or(E_NOTIMPL); }
  // A setting the model does not keep: recorded and scripted, else S_OK.
  HRESULT accept(const char *method, Args args) {
    return enter(method, std::move(args)).value_or(S_OK);
  }
  // A getter of a model value (a bool given as VARIANT_BOOL) and its setter.
  template <class Out, class Value>
  HRESULT give(const char *method, Out *out, const Value &value, Args args = {}) {
    if (auto answer = enter(method, std::move(args), out))
      return *answer;
    if (!out)
      return E_POINTER;
    if constexpr (std::is_same_v<Value, bool>)
      *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    else
      *out = Out(value);
    return S_OK;
  }
  // A getter of a new object that `make` builds once the call goes ahead.
  template <class T, class Make>
  HRESULT giveObject(const char *method, Args args, T **out, Make make) {
    if (auto answer = enter(method, std::move(args), out))
      return *answer;
    if (!out)
      return E_POINTER;
    *out = make();
    return S_OK;
  }
  template <class In, class Value> HRESULT take(const char *method, In in, Value &value) {
    if (auto answer = enter(method, {arg(in)}))
      return *answer;
    if constexpr (std::is_same_v<Value, bool>)
      value = in != VARIANT_FALSE;
    else
      value = Value(in);
    return S_OK;
  }
  // A scripted failure of QueryInterface for `riid`.
  std::optional<HRESULT> queryFailure(REFIID riid) const;

  Model &model() { return state->model; }

  std::shared_ptr<State> state;

private:
  std::atomic<long> refs_{1};
  const char *name_;
  bool factory_;
};

// The four IDispatch methods, which no object of the control supports
// beyond recording them: callers use the vtable.
template <class I> struct DispatchObject : I, Object {
  using Object::Object;

  // QueryInterface for an object whose interfaces are IUnknown, IDispatch
  // and I alone.
  HRESULT queryOwn(REFIID riid, void **object) {
    if (!object)
      return E_POINTER;
    *object = nullptr;
    if (auto failure = queryFailure(riid))
      return *failure;
    if (riid != __uuidof(IUnknown) && riid != __uuidof(IDispatch) && riid != __uuidof(I))
      return E_NOINTERFACE;
    *object = static_cast<I *>(this);
    addRef();
    return S_OK;
  }
  STDMETHOD(GetTypeInfoCount)(UINT *count) override {
    if (auto answer = enter("GetTypeInfoCount", {}, count))
      return *answer;
    if (!count)
      return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT index, LCID locale, ITypeInfo **info) override {
    if (auto answer = enter("GetTypeInfo", {std::to_string(index)}, info))
      return *answer;
    if (info)
      *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(GetIDsOfNames)
  (REFIID riid, LPOLESTR *names, UINT count, LCID locale, DISPID *ids) override {
    if (auto answer = enter("GetIDsOfNames", {std::to_string(count)}))
      return *answer;
    return E_NOTIMPL;
  }
  STDMETHOD(Invoke)
  (DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS *params, VARIANT *result,
   EXCEPINFO *exception, UINT *argumentError) override {
    if (auto answer = enter("Invoke", {std::to_string(member)}))
      return *answer;
    return E_NOTIMPL;
  }
};

// ---- the objects -----------------------------------------------------------
// Each returns a new object with one reference owned by the caller.
IClassFactory *newClassFactory(std::shared_ptr<State> state);
IWMPPlayer4 *newPlayer(std::shared_ptr<State> state);
IWMPControls *newControls(std::shared_ptr<State> state);
IWMPSettings *newSettings(std::shared_ptr<State> state);
IWMPMedia *newMediaObject(std::shared_ptr<State> state, Media item);
IWMPPlaylist *newPlaylistObject(std::shared_ptr<State> state, PlaylistRef playlist);
IWMPMediaCollection *newMediaCollection(std::shared_ptr<State> state);
IWMPPlaylistCollection *newPlaylistCollection(std::shared_ptr<State> state);
IWMPPlaylistArray *newPlaylistArray(std::shared_ptr<State> state,
                                    std::vector<PlaylistRef> playlists);
IWMPCdromCollection *newCdromCollection(std::shared_ptr<State> state);
IWMPCdrom *newCdrom(std::shared_ptr<State> state, std::size_t drive);
// A connection point of `container` (a player object) for one event face.
IConnectionPoint *newConnectionPoint(std::shared_ptr<State> state,
                                     IConnectionPointContainer *container, Face face);
// The player object's FindConnectionPoint, kept beside the connection point.
HRESULT findConnectionPoint(Object &player, IConnectionPointContainer *container, REFIID riid,
                            IConnectionPoint **point);

// The record behind an object of this control; null for a null or foreign
// object.
Media mediaRecord(IWMPMedia *media);
PlaylistRef playlistRecord(IWMPPlaylist *playlist);
// How a recorded argument shows an object: URL / name, "null" or "foreign".
std::string arg(IWMPMedia *media);
std::string arg(IWMPPlaylist *playlist);

// A new item for `url`: a copy of the registered file's item, or a bare one
// named after the file.
Media mediaForUrl(Model &model, const std::u16string &url);

} // namespace scripted
