// How the proxy wraps an interface without a method body each: a wrapped
// object's table of function pointers is built from the interface's own
// member pointers, whose slot the C++ ABI (Itanium) encodes, and each slot
// holds one instance of a generic thunk typed by that member. The thunk
// records the call, answers as scripted or forwards it to the engine's
// object with the proxy's objects among its arguments unwrapped, and wraps
// the objects it hands back.
#include "support/control_proxy.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

struct Table;
struct Object;

// A wrapped interface pointer: what the player holds. Two pointers, so the
// table comes first as COM requires.
struct Face {
  const void *const *slots;
  Object *object;
};

// Laid out as the compiler lays out a table, with the offset to the top
// and the type's identity before the slots, which the sanitizer reads.
struct Table {
  const char *name;
  IID iid;
  std::vector<const void *> prefixed;
  const void *const *slots() const { return prefixed.data() + 2; }
  const void *&slot(std::size_t index) { return prefixed[index + 2]; }
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
  std::string out;
  for (; text && *text; ++text) {
    char32_t unit = *text;
    if (unit < 0x80) {
      out += char(unit);
    } else if (unit < 0x800) {
      out += char(0xC0 | (unit >> 6));
      out += char(0x80 | (unit & 0x3F));
    } else {
      out += char(0xE0 | (unit >> 12));
      out += char(0x80 | ((unit >> 6) & 0x3F));
      out += char(0x80 | (unit & 0x3F));
    }
  }
  return out;
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
template <class T> void Wrapped(State &state, const std::shared_ptr<State> &owner, T out) {
  if constexpr (std::is_pointer_v<T> && kIsInterface<std::remove_pointer_t<T>>) {
    using Interface = std::remove_pointer_t<std::remove_pointer_t<T>>;
    if (out != nullptr && *out != nullptr && !std::is_same_v<Interface, IUnknown>) {
      if (const Table *table = TableOf<Interface>())
        *out = reinterpret_cast<std::remove_pointer_t<T>>(NewObject(owner, table, *out));
    }
  }
  (void)state;
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
      (Wrapped(*state, state, args), ...);
    return status;
  }
};

struct Slot {
  std::size_t index;
  const void *function;
};

// The table slot a virtual member's pointer names (Itanium C++ ABI: the
// slot's byte offset plus one).
template <auto Method> Slot SlotOf(const char *name) {
  struct {
    std::ptrdiff_t pointer, adjustment;
  } bits;
  static_assert(sizeof bits == sizeof Method);
  auto method = Method;
  std::memcpy(&bits, &method, sizeof bits);
  Thunk<Method>::name = name;
  return {std::size_t(bits.pointer - 1) / sizeof(void *),
          reinterpret_cast<const void *>(&Thunk<Method>::Call)};
}

Table MakeTable(const char *name, const IID &iid, const std::type_info &type,
                std::vector<Slot> slots) {
  Table table{name, iid, std::vector<const void *>(2 + 3 + slots.size(), nullptr)};
  table.prefixed[1] = &type;
  table.slot(0) = reinterpret_cast<const void *>(&QueryFace);
  table.slot(1) = reinterpret_cast<const void *>(&AddRefFace);
  table.slot(2) = reinterpret_cast<const void *>(&ReleaseFace);
  for (const Slot &slot : slots) {
    if (slot.index >= 3 + slots.size() || table.slot(slot.index) != nullptr)
      std::abort(); // a method listed twice, or one missing before it
    table.slot(slot.index) = slot.function;
  }
  return table;
}

#define M(method) SlotOf<&Interface::method>(#method)
#define DISPATCH M(GetTypeInfoCount), M(GetTypeInfo), M(GetIDsOfNames), M(Invoke)
#define TABLE(I, ...)                                                                              \
  template <> const Table *TableOf<I>() {                                                          \
    using Interface = I;                                                                           \
    static const Table table = MakeTable(#I, __uuidof(I), typeid(I), {__VA_ARGS__});               \
    return &table;                                                                                 \
  }

TABLE(IClassFactory, M(CreateInstance), M(LockServer))
TABLE(IConnectionPointContainer, M(EnumConnectionPoints), M(FindConnectionPoint))
TABLE(IConnectionPoint, M(GetConnectionInterface), M(GetConnectionPointContainer), M(Advise),
      M(Unadvise), M(EnumConnections))
TABLE(IWMPMedia, DISPATCH, M(get_isIdentical), M(get_sourceURL), M(get_name), M(put_name),
      M(get_imageSourceWidth), M(get_imageSourceHeight), M(get_markerCount), M(getMarkerTime),
      M(getMarkerName), M(get_duration), M(get_durationString), M(get_attributeCount),
      M(getAttributeName), M(getItemInfo), M(setItemInfo), M(getItemInfoByAtom), M(isMemberOf),
      M(isReadOnlyItem))
TABLE(IWMPPlaylist, DISPATCH, M(get_count), M(get_name), M(put_name), M(get_attributeCount),
      M(get_attributeName), M(get_Item), M(getItemInfo), M(setItemInfo), M(get_isIdentical),
      M(clear), M(insertItem), M(appendItem), M(removeItem), M(moveItem))
TABLE(IWMPControls, DISPATCH, M(get_isAvailable), M(play), M(stop), M(pause), M(fastForward),
      M(fastReverse), M(get_currentPosition), M(put_currentPosition), M(get_currentPositionString),
      M(next), M(previous), M(currentItem), M(put_currentItem), M(get_currentMarker),
      M(put_currentMarker), M(playItem))
TABLE(IWMPSettings, DISPATCH, M(get_isAvailable), M(get_autoStart), M(put_autoStart),
      M(get_baseURL), M(put_baseURL), M(get_defaultFrame), M(put_defaultFrame), M(get_invokeURLs),
      M(put_invokeURLs), M(get_mute), M(put_mute), M(get_playCount), M(put_playCount), M(get_rate),
      M(put_rate), M(get_balance), M(put_balance), M(get_volume), M(put_volume), M(getMode),
      M(setMode), M(get_enableErrorDialogs), M(put_enableErrorDialogs))
TABLE(IWMPMediaCollection, DISPATCH, M(add), M(getAll), M(getByName), M(getByGenre), M(getByAuthor),
      M(getByAlbum), M(getByAttribute), M(remove), M(getAttributeStringCollection), M(getMediaAtom),
      M(setDeleted), M(isDeleted))
TABLE(IWMPPlaylistArray, DISPATCH, M(get_count), M(Item))
TABLE(IWMPPlaylistCollection, DISPATCH, M(newPlaylist), M(getAll), M(getByName), M(remove),
      M(setDeleted), M(isDeleted), M(importPlaylist))
TABLE(IWMPCdrom, DISPATCH, M(get_driveSpecifier), M(get_Playlist), M(eject))
TABLE(IWMPCdromCollection, DISPATCH, M(get_count), M(Item), M(getByDriveSpecifier))
TABLE(IWMPPlayer4, DISPATCH, M(close), M(get_URL), M(put_URL), M(get_openState), M(get_playState),
      M(get_controls), M(get_settings), M(get_currentMedia), M(put_currentMedia),
      M(get_mediaCollection), M(get_playlistCollection), M(get_versionInfo), M(launchURL),
      M(get_network), M(get_currentPlaylist), M(put_currentPlaylist), M(get_cdromCollection),
      M(get_closedCaption), M(get_isOnline), M(get_Error), M(get_status), M(get_dvd),
      M(newPlaylist), M(newMedia), M(get_enabled), M(put_enabled), M(get_fullScreen),
      M(put_fullScreen), M(get_enableContextMenu), M(put_enableContextMenu), M(put_uiMode),
      M(get_uiMode), M(get_stretchToFit), M(put_stretchToFit), M(get_windowlessVideo),
      M(put_windowlessVideo), M(get_isRemote), M(get_playerApplication), M(openPlayer))

#undef TABLE
#undef DISPATCH
#undef M

template <class T> const Table *TableOf() {
  return nullptr;
}

const Table *const kTables[] = {
    TableOf<IWMPPlayer4>(),       TableOf<IConnectionPointContainer>(),
    TableOf<IConnectionPoint>(),  TableOf<IWMPControls>(),
    TableOf<IWMPSettings>(),      TableOf<IWMPMedia>(),
    TableOf<IWMPPlaylist>(),      TableOf<IWMPMediaCollection>(),
    TableOf<IWMPPlaylistArray>(), TableOf<IWMPPlaylistCollection>(),
    TableOf<IWMPCdrom>(),         TableOf<IWMPCdromCollection>(),
    TableOf<IClassFactory>(),
};

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
    auto replace = [](const Table *table, auto method, const void *function) {
      Slot slot = method;
      const_cast<Table *>(table)->slot(slot.index) = function;
    };
    replace(TableOf<IClassFactory>(), SlotOf<&IClassFactory::CreateInstance>("CreateInstance"),
            reinterpret_cast<const void *>(&CreateWrapped));
    replace(TableOf<IConnectionPoint>(), SlotOf<&IConnectionPoint::Advise>("Advise"),
            reinterpret_cast<const void *>(&AdviseKept));
    replace(TableOf<IConnectionPoint>(), SlotOf<&IConnectionPoint::Unadvise>("Unadvise"),
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
