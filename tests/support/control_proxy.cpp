// How the proxy wraps an interface: its tables (com_tables.h) hold one
// generic thunk per method, which records the call, answers as scripted or
// forwards it to the engine's object with the proxy's objects among its
// arguments unwrapped, and wraps the objects it hands back.
#include "support/control_proxy.h"
#include "support/com_tables.h"
#include "support/ole_text.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace control_proxy {

namespace {

std::atomic<long> liveObjects{0};

struct Script {
  std::size_t occurrence;
  control_proxy::Answer answer;
  std::size_t seen = 0;
};

} // namespace

struct State {
  std::vector<std::string> calls;
  std::multimap<std::string, Script> answers;
  std::map<std::string, std::function<void()>> hooks;
  std::map<std::pair<const void *, DWORD>, IUnknown *> sinks; // by connection point and cookie
  IClassFactory *engine = nullptr;
  const void *player = nullptr; // the proxy's object over the latest control

  // Records the call, runs its hook, and gives its scripted answer if any.
  std::optional<control_proxy::Answer> Enter(const std::string &method, const std::string &args,
                                             bool record = true) {
    const std::string call = method + "(" + args + ")";
    if (record)
      calls.push_back(call);
    if (auto hook = hooks.find(method); hook != hooks.end()) {
      std::function<void()> run = hook->second; // the hook may change the hooks
      run();
    }
    std::optional<control_proxy::Answer> given;
    for (const std::string &key : {method, call}) {
      auto [first, last] = answers.equal_range(key);
      for (auto at = first; at != last; ++at) {
        ++at->second.seen;
        if (at->second.occurrence == 0 || at->second.occurrence == at->second.seen)
          given = at->second.answer;
      }
    }
    return given;
  }
};

namespace {

using com_tables::Table;
struct Object;

// A wrapped interface pointer: what the player holds. Two pointers, so the
// table comes first as COM requires.
struct Face {
  const void *const *slots;
  Object *object;
};

// One object of the engine as the proxy shows it: one face per interface
// asked for, all sharing one reference count and one identity.
struct Object {
  std::shared_ptr<State> state;
  bool counted; // the registered factory, which lives with the proxy, is not
  std::atomic<long> references{1};
  struct Held {
    Face face;
    const Table *table;
    IUnknown *inner; // the engine's interface pointer, one reference held
  };
  std::vector<std::unique_ptr<Held>> faces; // the first is the identity
};

std::mutex facesLock;
std::set<const void *> &AllFaces() {
  static auto *faces = new std::set<const void *>;
  return *faces;
}

Object::Held *HeldOf(const void *pointer) {
  std::lock_guard<std::mutex> lock(facesLock);
  if (!AllFaces().count(pointer))
    return nullptr;
  const Face *face = static_cast<const Face *>(pointer);
  for (auto &held : face->object->faces)
    if (&held->face == face)
      return held.get();
  return nullptr;
}

Object::Held *AddFace(Object *object, const Table *table, IUnknown *inner) {
  auto held = std::make_unique<Object::Held>(Object::Held{{table->slots(), object}, table, inner});
  Object::Held *added = held.get();
  object->faces.push_back(std::move(held));
  std::lock_guard<std::mutex> lock(facesLock);
  AllFaces().insert(&added->face);
  return added;
}

// Takes over the caller's reference to `inner`.
IUnknown *NewObject(std::shared_ptr<State> state, const Table *table, IUnknown *inner,
                    bool counted = true) {
  auto *object = new Object{std::move(state), counted, {1}, {}};
  liveObjects += counted;
  return reinterpret_cast<IUnknown *>(&AddFace(object, table, inner)->face);
}

Object::Held &Self(void *face) {
  return *HeldOf(face);
}

// ---- the IUnknown slots ----------------------------------------------------
const Table *TableFor(REFIID iid);
std::string IidName(REFIID iid);

ULONG STDMETHODCALLTYPE AddRefFace(void *face) {
  return ULONG(++Self(face).face.object->references);
}

ULONG STDMETHODCALLTYPE ReleaseFace(void *face) {
  Object *object = Self(face).face.object;
  long left = --object->references;
  if (left == 0) {
    {
      std::lock_guard<std::mutex> lock(facesLock);
      for (auto &held : object->faces)
        AllFaces().erase(&held->face);
    }
    for (auto &held : object->faces)
      held->inner->Release();
    if (object->state->player == object)
      object->state->player = nullptr;
    liveObjects -= object->counted;
    delete object;
  }
  return ULONG(left);
}

// The identity's face for IUnknown, a face of ours for the interfaces the
// proxy wraps, and the engine's own pointer for any other.
HRESULT WrapQueried(Object *object, REFIID iid, void **out) {
  if (iid == __uuidof(IUnknown)) {
    *out = &object->faces.front()->face;
    ++object->references;
    return S_OK;
  }
  const Table *table = TableFor(iid);
  for (auto &held : object->faces)
    if (table != nullptr && held->table == table) {
      *out = &held->face;
      ++object->references;
      return S_OK;
    }
  IUnknown *inner = nullptr;
  HRESULT status =
      object->faces.front()->inner->QueryInterface(iid, reinterpret_cast<void **>(&inner));
  if (FAILED(status) || inner == nullptr) {
    *out = nullptr;
    return FAILED(status) ? status : E_NOINTERFACE;
  }
  if (table == nullptr) {
    *out = inner;
    return status;
  }
  *out = &AddFace(object, table, inner)->face;
  ++object->references;
  return status;
}

HRESULT STDMETHODCALLTYPE QueryFace(void *face, REFIID iid, void **out) {
  if (out == nullptr)
    return E_POINTER;
  *out = nullptr;
  Object::Held &self = Self(face);
  const std::string method =
      std::string(self.table->name) + ".QueryInterface(" + IidName(iid) + ")";
  if (auto answer = self.face.object->state->Enter(method, "", false))
    return answer->status;
  return WrapQueried(self.face.object, iid, out);
}

// ---- arguments --------------------------------------------------------------
template <class T> constexpr bool kIsInterface = false;
template <class T>
requires std::is_class_v<T> && requires {
  sizeof(T);
} && std::is_base_of_v<IUnknown, T>
constexpr bool kIsInterface<T *> = true;

std::string Utf8(const OLECHAR *text) {
  return test_support::Utf8(test_support::U16(text));
}

// A path by its file name, which is what the tests name; nothing as "".
std::string Shown(const OLECHAR *text) {
  std::string utf8 = Utf8(text);
  if (utf8.empty())
    return "\"\"";
  std::size_t slash = utf8.find_last_of('/');
  return utf8[0] != '/' || slash + 1 == utf8.size() ? utf8 : utf8.substr(slash + 1);
}

IUnknown *Inner(IUnknown *pointer) {
  Object::Held *held = HeldOf(pointer);
  return held ? held->inner : pointer;
}

std::string ObjectText(IUnknown *pointer) {
  if (pointer == nullptr)
    return "null";
  IUnknown *inner = Inner(pointer);
  BSTR text = nullptr;
  IWMPMedia *media = nullptr;
  IWMPPlaylist *playlist = nullptr;
  std::string shown = "object";
  if (SUCCEEDED(inner->QueryInterface(__uuidof(IWMPMedia), reinterpret_cast<void **>(&media))) &&
      media) {
    if (SUCCEEDED(media->get_sourceURL(&text)))
      shown = Shown(text);
    media->Release();
  } else if (SUCCEEDED(inner->QueryInterface(__uuidof(IWMPPlaylist),
                                             reinterpret_cast<void **>(&playlist))) &&
             playlist) {
    if (SUCCEEDED(playlist->get_name(&text)))
      shown = Shown(text);
    playlist->Release();
  } else {
    for (const IID *face : {&__uuidof(IWMPEvents), &IID__WMPOCXEvents}) {
      IUnknown *sink = nullptr;
      if (SUCCEEDED(inner->QueryInterface(*face, reinterpret_cast<void **>(&sink))) && sink) {
        sink->Release();
        shown = IidName(*face);
        break;
      }
    }
  }
  SysFreeString(text);
  return shown;
}

// An in parameter as text; none for an out parameter.
template <class T> std::optional<std::string> Text(const T &value) {
  if constexpr (std::is_same_v<T, BSTR> || std::is_same_v<T, const OLECHAR *>)
    return Shown(value);
  else if constexpr (kIsInterface<T>)
    return ObjectText(value);
  else if constexpr (std::is_pointer_v<T>)
    return std::nullopt;
  else if constexpr (std::is_same_v<T, GUID>)
    return IidName(value);
  else if constexpr (std::is_floating_point_v<T>) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
  } else
    return std::to_string(static_cast<long long>(value));
}

template <class... A> std::string ArgumentsText(const A &...args) {
  std::string text;
  bool first = true;
  [[maybe_unused]] auto add = [&](const std::optional<std::string> &one) {
    if (one) {
      text += (first ? "" : ", ") + *one;
      first = false;
    }
  };
  (add(Text(args)), ...);
  return text;
}

template <class T> T Unwrapped(T value) {
  if constexpr (kIsInterface<T>)
    return value ? static_cast<T>(Inner(value)) : value;
  else
    return value;
}

// Clears an out parameter; sets the first number to `*value` and the first
// string to `*text`, once.
template <class T>
void Cleared(T out, std::optional<double> &value, std::optional<std::u16string> &text) {
  if constexpr (std::is_pointer_v<T>) {
    using Target = std::remove_pointer_t<T>;
    if (out == nullptr || std::is_const_v<Target>)
      return;
    if constexpr (std::is_same_v<Target, OLECHAR> || std::is_const_v<Target>) {
      // a string in: not an out parameter
    } else if constexpr (std::is_floating_point_v<Target>) {
      *out = value ? Target(*value) : Target{};
      value.reset();
    } else if constexpr (std::is_arithmetic_v<Target> || std::is_enum_v<Target>) {
      *out = value ? static_cast<Target>(static_cast<long long>(*value)) : Target{};
      value.reset();
    } else if constexpr (std::is_same_v<Target, BSTR>) {
      *out = text ? SysAllocString(text->c_str()) : nullptr;
      text.reset();
    } else if constexpr (std::is_pointer_v<Target>) {
      *out = nullptr;
    }
  }
}

template <class T> const Table *TableOf();

// An object handed back through an out parameter of a wrapped interface
// type comes wrapped, holding the reference the engine gave.
template <class T> void Wrapped(const std::shared_ptr<State> &owner, T out) {
  if constexpr (std::is_pointer_v<T> && kIsInterface<std::remove_pointer_t<T>>) {
    using Interface = std::remove_pointer_t<std::remove_pointer_t<T>>;
    if (out != nullptr && *out != nullptr && !std::is_same_v<Interface, IUnknown>) {
      if (const Table *table = TableOf<Interface>())
        *out = reinterpret_cast<std::remove_pointer_t<T>>(NewObject(owner, table, *out));
    }
  }
}

// ---- the generic thunk -----------------------------------------------------
template <auto Method> struct Thunk;
template <class I, class... A, HRESULT (STDMETHODCALLTYPE I::*Method)(A...)> struct Thunk<Method> {
  static inline const char *name = nullptr;

  static HRESULT STDMETHODCALLTYPE Call(void *face, A... args) {
    Object::Held &self = Self(face);
    std::shared_ptr<State> state = self.face.object->state; // the call may release the face
    const std::string method = std::string(self.table->name) + "." + name;
    if (auto answer = state->Enter(method, ArgumentsText(args...))) {
      [[maybe_unused]] std::optional<double> value = answer->value;
      [[maybe_unused]] std::optional<std::u16string> text = answer->text;
      (Cleared(args, value, text), ...);
      return answer->null || answer->value || answer->text ? S_OK : answer->status;
    }
    HRESULT status = (static_cast<I *>(self.inner)->*Method)(Unwrapped(args)...);
    if (SUCCEEDED(status))
      (Wrapped(state, args), ...);
    return status;
  }
};

const void *const kUnknownSlots[3] = {reinterpret_cast<const void *>(&QueryFace),
                                      reinterpret_cast<const void *>(&AddRefFace),
                                      reinterpret_cast<const void *>(&ReleaseFace)};

COM_INTERFACES(COM_TABLE)

template <class T> const Table *TableOf() {
  return nullptr;
}

#define COM_LISTED(I) TableOf<I>(),
const Table *const kTables[] = {COM_INTERFACES(COM_LISTED)};
#undef COM_LISTED

const Table *TableFor(REFIID iid) {
  for (const Table *table : kTables)
    if (table->iid == iid)
      return table;
  return nullptr;
}

std::string IidName(REFIID iid) {
  if (const Table *table = TableFor(iid))
    return table->name;
  const std::pair<const IID *, const char *> others[] = {
      {&__uuidof(IUnknown), "IUnknown"},     {&__uuidof(IDispatch), "IDispatch"},
      {&__uuidof(IWMPEvents), "IWMPEvents"}, {&IID__WMPOCXEvents, "_WMPOCXEvents"},
      {&__uuidof(IWMPCore), "IWMPCore"},
  };
  for (const auto &[known, name] : others)
    if (*known == iid)
      return name;
  return "IID";
}

// The factory's CreateInstance and the connection point's Advise and
// Unadvise, which hand out or take what the generic thunk cannot see.
HRESULT STDMETHODCALLTYPE CreateWrapped(void *face, IUnknown *outer, REFIID iid, void **out) {
  Object::Held &self = Self(face);
  std::shared_ptr<State> state = self.face.object->state;
  HRESULT status = Thunk<&IClassFactory::CreateInstance>::Call(face, outer, iid, out);
  if (FAILED(status) || out == nullptr || *out == nullptr || state->engine == nullptr)
    return status;
  // The player object, whatever interface was asked for first.
  auto *created = static_cast<IUnknown *>(*out);
  IUnknown *player = nullptr;
  if (FAILED(created->QueryInterface(__uuidof(IWMPPlayer4), reinterpret_cast<void **>(&player))))
    return status;
  created->Release();
  IUnknown *wrapped = NewObject(state, TableOf<IWMPPlayer4>(), player);
  state->player = HeldOf(wrapped)->face.object;
  status = WrapQueried(HeldOf(wrapped)->face.object, iid, out);
  wrapped->Release();
  return status;
}

HRESULT STDMETHODCALLTYPE AdviseKept(void *face, IUnknown *sink, DWORD *cookie) {
  std::shared_ptr<State> state = Self(face).face.object->state;
  HRESULT status = Thunk<&IConnectionPoint::Advise>::Call(face, sink, cookie);
  // A scripted success connects nothing and gives no cookie.
  if (SUCCEEDED(status) && cookie != nullptr && *cookie != 0)
    state->sinks[{face, *cookie}] = sink;
  return status;
}

HRESULT STDMETHODCALLTYPE UnadviseKept(void *face, DWORD cookie) {
  std::shared_ptr<State> state = Self(face).face.object->state;
  HRESULT status = Thunk<&IConnectionPoint::Unadvise>::Call(face, cookie);
  if (SUCCEEDED(status))
    state->sinks.erase({face, cookie});
  return status;
}

// The three slots go to the wrappers above, once.
void TakeSpecialSlots() {
  static const bool taken = [] {
    auto replace = [](const Table *table, std::size_t index, const void *function) {
      const_cast<Table *>(table)->slot(index) = function;
    };
    replace(TableOf<IClassFactory>(), com_tables::SlotIndex<&IClassFactory::CreateInstance>(),
            reinterpret_cast<const void *>(&CreateWrapped));
    replace(TableOf<IConnectionPoint>(), com_tables::SlotIndex<&IConnectionPoint::Advise>(),
            reinterpret_cast<const void *>(&AdviseKept));
    replace(TableOf<IConnectionPoint>(), com_tables::SlotIndex<&IConnectionPoint::Unadvise>(),
            reinterpret_cast<const void *>(&UnadviseKept));
    return true;
  }();
  (void)taken;
}

} // namespace

std::string Answer::Shown() const {
  if (null)
    return "S_OK with no object";
  char buffer[32];
  if (text)
    return "S_OK with a text";
  if (value)
    std::snprintf(buffer, sizeof buffer, "S_OK with %g", *value);
  else
    std::snprintf(buffer, sizeof buffer, "0x%08X", unsigned(status));
  return buffer;
}

ControlProxy::ControlProxy() : state_(std::make_shared<State>()) {
  TakeSpecialSlots();
  if (FAILED(CoGetClassObject(CLSID_WindowsMediaPlayer, CLSCTX_INPROC_SERVER, nullptr,
                              __uuidof(IClassFactory), reinterpret_cast<void **>(&state_->engine))))
    return;
  state_->engine->AddRef(); // the face below takes one reference, the state keeps the other
  IUnknown *factory = NewObject(state_, TableOf<IClassFactory>(), state_->engine, false);
  CoRegisterClassObject(CLSID_WindowsMediaPlayer, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                        &registration_);
  factory->Release();
}

ControlProxy::~ControlProxy() {
  if (registration_ != 0)
    CoRevokeClassObject(registration_);
  if (state_->engine)
    state_->engine->Release();
}

void ControlProxy::Answer(const std::string &method, std::size_t occurrence,
                          control_proxy::Answer answer) {
  state_->answers.emplace(method, Script{occurrence, std::move(answer)});
}

void ControlProxy::OnCall(const std::string &method, std::function<void()> hook) {
  state_->hooks[method] = std::move(hook);
}

void ControlProxy::Forget() {
  state_->answers.clear();
  state_->hooks.clear();
}

const std::vector<std::string> &ControlProxy::Calls() const {
  return state_->calls;
}

std::vector<std::string> ControlProxy::Methods() const {
  std::vector<std::string> methods;
  for (const std::string &call : state_->calls)
    methods.push_back(call.substr(0, call.find('(')));
  return methods;
}

std::size_t ControlProxy::Count(const std::string &method) const {
  std::vector<std::string> methods = Methods();
  return std::size_t(std::count(methods.begin(), methods.end(), method));
}

std::vector<std::string> ControlProxy::CallsTo(const std::string &method) const {
  std::vector<std::string> calls;
  for (const std::string &call : state_->calls)
    if (call.compare(0, call.find('('), method) == 0)
      calls.push_back(call);
  return calls;
}

void ControlProxy::ClearCalls() {
  state_->calls.clear();
}

std::string ControlProxy::Log() const {
  std::string log;
  for (const std::string &call : state_->calls)
    log += "  " + call + "\n";
  return log.empty() ? "  (no calls)\n" : log;
}

std::vector<IUnknown *> ControlProxy::Sinks() const {
  std::vector<IUnknown *> sinks;
  for (const auto &[cookie, sink] : state_->sinks)
    sinks.push_back(sink);
  return sinks;
}

IWMPPlayer4 *ControlProxy::Engine() const {
  auto *object = static_cast<const Object *>(state_->player);
  if (object == nullptr)
    return nullptr;
  IUnknown *inner = object->faces.front()->inner;
  inner->AddRef();
  return static_cast<IWMPPlayer4 *>(inner);
}

long LiveProxies() {
  return liveObjects;
}

} // namespace control_proxy
