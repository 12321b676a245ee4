// The Control, the state its objects share, leak accounting, and the
// raising of events.
#include "scripted/scripted_control.h"

#include <variant_values.h>
#include <wmpids.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <unordered_set>

#include "support/ole_text.h"
#include "scripted/internal.h"

namespace scripted {
namespace {

// Every live object of any Control, for liveObjects() and leakReport().
// A critical section: the one lock every build of the tests has.
struct Registry {
  Registry() { InitializeCriticalSection(&lock); }
  CRITICAL_SECTION lock;
  std::unordered_set<const Object *> objects;
};
Registry &registry() {
  static Registry *instance = new Registry; // outlives every static object
  return *instance;
}

struct RegistryHold {
  RegistryHold() { EnterCriticalSection(&registry().lock); }
  ~RegistryHold() { LeaveCriticalSection(&registry().lock); }
  RegistryHold(const RegistryHold &) = delete;
  RegistryHold &operator=(const RegistryHold &) = delete;
};

struct KnownIid {
  const IID *iid;
  const char *name;
};
const KnownIid kKnownIids[] = {
    {&IID_IWMPPlayer4, "IWMPPlayer4"},
    {&IID_IWMPCore3, "IWMPCore3"},
    {&IID_IWMPCore2, "IWMPCore2"},
    {&IID_IWMPCore, "IWMPCore"},
    {&IID_IWMPControls, "IWMPControls"},
    {&IID_IWMPSettings, "IWMPSettings"},
    {&IID_IWMPPlaylist, "IWMPPlaylist"},
    {&IID_IWMPMedia, "IWMPMedia"},
    {&IID_IWMPMediaCollection, "IWMPMediaCollection"},
    {&IID_IWMPPlaylistCollection, "IWMPPlaylistCollection"},
    {&IID_IWMPPlaylistArray, "IWMPPlaylistArray"},
    {&IID_IWMPCdromCollection, "IWMPCdromCollection"},
    {&IID_IWMPCdrom, "IWMPCdrom"},
    {&IID_IWMPEvents, "IWMPEvents"},
    {&IID__WMPOCXEvents, "_WMPOCXEvents"},
};

} // namespace

// ---- objects and leak accounting -------------------------------------------
Object::Object(std::shared_ptr<State> owner, const char *name, bool factory)
    : state(std::move(owner)), name_(name), factory_(factory) {
  RegistryHold hold;
  registry().objects.insert(this);
}

Object::~Object() {
  RegistryHold hold;
  registry().objects.erase(this);
}

std::optional<HRESULT> Object::queryFailure(REFIID riid) const {
  return state->scriptedFailure(std::string(name_) + ".QueryInterface." + iidName(riid));
}

std::size_t liveObjects() {
  RegistryHold hold;
  std::size_t live = 0;
  for (auto &entry : registry().objects)
    if (!entry->isFactory())
      ++live;
  return live;
}

long outstandingReferences() {
  RegistryHold hold;
  long total = 0;
  for (auto &entry : registry().objects)
    if (!entry->isFactory())
      total += entry->references();
  return total;
}

std::string leakReport() {
  std::map<std::string, std::pair<long, long>> byName; // objects, references
  {
    RegistryHold hold;
    for (auto &entry : registry().objects) {
      if (entry->isFactory())
        continue;
      auto &counts = byName[entry->name()];
      counts.first += 1;
      counts.second += entry->references();
    }
  }
  if (byName.empty())
    return "no live objects";
  std::string report;
  for (auto &[name, counts] : byName)
    report += name + ": " + std::to_string(counts.first) + " objects, " +
              std::to_string(counts.second) + " references\n";
  return report;
}

// ---- text ------------------------------------------------------------------
std::string utf8(const std::u16string &value) {
  const auto *units = reinterpret_cast<const OLECHAR *>(value.c_str());
  int size =
      WideCharToMultiByte(CP_UTF8, 0, units, int(value.size()), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, units, int(value.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// Read up to the NUL rather than by the BSTR length, so a caller's plain
// string still reads as what it says.
// OLECHAR is wchar_t on Windows and char16_t here: UTF-16 units either way.
static_assert(sizeof(OLECHAR) == sizeof(char16_t));

std::u16string text(const OLECHAR *value) {
  return test_support::U16(value);
}

BSTR bstr(const std::u16string &value) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR *>(value.data()), UINT(value.size()));
}

std::u16string lower(std::u16string value) {
  for (auto &c : value)
    if (c >= u'A' && c <= u'Z')
      c = char16_t(c - u'A' + u'a');
  return value;
}

std::string arg(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

std::string arg(const OLECHAR *value) {
  return utf8(text(value));
}

std::string iidName(REFIID riid) {
  if (riid == __uuidof(IUnknown))
    return "IUnknown";
  if (riid == __uuidof(IDispatch))
    return "IDispatch";
  if (riid == __uuidof(IConnectionPointContainer))
    return "IConnectionPointContainer";
  if (riid == __uuidof(IConnectionPoint))
    return "IConnectionPoint";
  if (riid == __uuidof(IClassFactory))
    return "IClassFactory";
  for (auto &known : kKnownIids)
    if (riid == *known.iid)
      return known.name;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                unsigned(riid.Data1), riid.Data2, riid.Data3, riid.Data4[0], riid.Data4[1],
                riid.Data4[2], riid.Data4[3], riid.Data4[4], riid.Data4[5], riid.Data4[6],
                riid.Data4[7]);
  return buffer;
}

HRESULT giveText(BSTR *out, const std::u16string &value) {
  if (!out)
    return E_POINTER;
  *out = bstr(value);
  return *out ? S_OK : E_OUTOFMEMORY;
}

Media mediaForUrl(Model &model, const std::u16string &url) {
  auto registered = model.mediaFiles.find(url);
  if (registered != model.mediaFiles.end())
    return std::make_shared<MediaItem>(registered->second);
  auto item = std::make_shared<MediaItem>();
  item->url = url;
  // The control names an item after its file, without the extension.
  std::size_t start = url.find_last_of(u"/\\");
  item->name = url.substr(start == std::u16string::npos ? 0 : start + 1);
  std::size_t dot = item->name.rfind(u'.');
  if (dot != std::u16string::npos && dot > 0)
    item->name.resize(dot);
  return item;
}

// ---- state -----------------------------------------------------------------
std::optional<HRESULT> State::enter(const std::string &method, Args args) {
  calls.push_back({method, std::move(args)});
  auto hook = hooks.find(method);
  if (hook != hooks.end()) {
    auto run = hook->second; // the hook may rescript this very method
    run();
  }
  if (auto failure = scriptedFailure(method))
    return failure;
  if (nulls.count(method))
    return S_OK;
  return std::nullopt;
}

std::optional<HRESULT> State::scriptedFailure(const std::string &name) const {
  auto failure = failures.find(name);
  if (failure == failures.end())
    return std::nullopt;
  return failure->second;
}

void State::dropConnections(const void *owner) {
  std::vector<IUnknown *> sinks;
  for (auto it = connections.begin(); it != connections.end();) {
    if (it->owner == owner) {
      sinks.push_back(it->sink);
      it = connections.erase(it);
    } else {
      ++it;
    }
  }
  for (auto *sink : sinks)
    sink->Release();
}

void State::raise(DISPID id, const std::function<void(IWMPEvents *)> &direct,
                  std::vector<VARIANT> args) {
  // A sink may disconnect, or raise again, from inside the event.
  std::vector<Connection> targets = connections;
  for (auto &target : targets)
    target.sink->AddRef();
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  for (auto &target : targets) {
    if (target.face == Face::Events) {
      direct(static_cast<IWMPEvents *>(target.sink));
    } else {
      DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                           UINT(reversed.size()), 0};
      VARIANT result;
      VariantInit(&result);
      static_cast<_WMPOCXEvents *>(target.sink)
          ->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                   nullptr);
      VariantClear(&result);
    }
  }
  for (auto &target : targets)
    target.sink->Release();
  for (auto &value : args) {
    if (value.vt == VT_BSTR)
      SysFreeString(value.bstrVal);
    if (value.vt == VT_DISPATCH && value.pdispVal)
      value.pdispVal->Release();
  }
}

// ---- the Control -----------------------------------------------------------
Control::Control() : state_(std::make_shared<State>()) {
  IClassFactory *factory = newClassFactory(state_);
  CoRegisterClassObject(CLSID_WindowsMediaPlayer, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                        &registration_);
  factory->Release(); // the registration holds it now
}

Control::~Control() {
  if (registration_)
    CoRevokeClassObject(registration_);
}

Model &Control::model() {
  return state_->model;
}

Media Control::makeMedia(std::u16string url, std::u16string name, double duration) {
  auto item = std::make_shared<MediaItem>();
  item->url = std::move(url);
  item->name = std::move(name);
  item->duration = duration;
  return item;
}

PlaylistRef Control::makePlaylist(std::u16string name, const std::vector<std::u16string> &urls) {
  auto playlist = std::make_shared<Playlist>();
  playlist->name = std::move(name);
  for (auto &url : urls)
    playlist->items.push_back(mediaForUrl(state_->model, url));
  return playlist;
}

PlaylistRef Control::savePlaylist(std::u16string name, const std::vector<std::u16string> &urls) {
  auto playlist = makePlaylist(std::move(name), urls);
  state_->model.savedPlaylists.push_back(playlist);
  return playlist;
}

PlaylistRef Control::setCurrentPlaylist(std::u16string name,
                                        const std::vector<std::u16string> &urls) {
  auto playlist = makePlaylist(std::move(name), urls);
  state_->model.currentPlaylist = playlist;
  state_->model.currentItem.reset();
  if (!playlist->items.empty())
    state_->model.currentItem = 0;
  return playlist;
}

void Control::fail(const std::string &method, HRESULT hr) {
  state_->failures[method] = hr;
}
void Control::giveNull(const std::string &method) {
  state_->nulls.insert(method);
}
void Control::onCall(const std::string &method, std::function<void()> hook) {
  state_->hooks[method] = std::move(hook);
}
void Control::clearScript() {
  state_->failures.clear();
  state_->nulls.clear();
  state_->hooks.clear();
}

const std::vector<Call> &Control::calls() const {
  return state_->calls;
}

std::vector<Call> Control::callsTo(const std::string &method) const {
  std::vector<Call> matching;
  for (auto &call : state_->calls)
    if (call.method == method)
      matching.push_back(call);
  return matching;
}

std::size_t Control::count(const std::string &method) const {
  std::size_t total = 0;
  for (auto &call : state_->calls)
    if (call.method == method)
      ++total;
  return total;
}

void Control::clearCalls() {
  state_->calls.clear();
}

std::string Control::callLog() const {
  std::string log;
  for (auto &call : state_->calls) {
    log += call.method + "(";
    for (std::size_t i = 0; i < call.args.size(); ++i)
      log += (i ? ", " : "") + call.args[i];
    log += ")\n";
  }
  return log;
}

std::size_t Control::instancesCreated() const {
  return state_->instancesCreated;
}

std::size_t Control::connectionCount() const {
  return state_->connections.size();
}

// ---- events ----------------------------------------------------------------

void Control::raiseOpenStateChange(long state) {
  state_->raise(DISPID_WMPCOREEVENT_OPENSTATECHANGE,
                [&](IWMPEvents *sink) { sink->OpenStateChange(state); }, {VariantI4(state)});
}

void Control::raisePlayStateChange(long state) {
  state_->raise(DISPID_WMPCOREEVENT_PLAYSTATECHANGE,
                [&](IWMPEvents *sink) { sink->PlayStateChange(state); }, {VariantI4(state)});
}

void Control::raiseError() {
  state_->raise(DISPID_WMPCOREEVENT_ERROR, [](IWMPEvents *sink) { sink->Error(); }, {});
}

void Control::raiseCurrentPlaylistChange(long change) {
  auto kind = WMPPlaylistChangeEventType(change);
  state_->raise(DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE,
                [&](IWMPEvents *sink) { sink->CurrentPlaylistChange(kind); }, {VariantI4(change)});
}

std::uintptr_t Control::raiseMediaError(IWMPMedia *media) {
  if (media)
    media->AddRef();
  state_->raise(DISPID_WMPCOREEVENT_MEDIAERROR, [&](IWMPEvents *sink) { sink->MediaError(media); },
                {VariantDispatch(media)});
  return reinterpret_cast<std::uintptr_t>(static_cast<IDispatch *>(media));
}

std::uintptr_t Control::raiseMediaError(const Media &item) {
  IWMPMedia *media = newMediaObject(state_, item);
  std::uintptr_t address = raiseMediaError(media);
  media->Release();
  return address;
}

std::uintptr_t Control::raiseMediaError(std::size_t currentPlaylistIndex) {
  return raiseMediaError(state_->model.currentPlaylist->items.at(currentPlaylistIndex));
}

void Control::raiseClick(short button, short shift, long x, long y) {
  state_->raise(DISPID_WMPOCXEVENT_CLICK,
                [&](IWMPEvents *sink) { sink->Click(button, shift, x, y); },
                {VariantI2(button), VariantI2(shift), VariantI4(x), VariantI4(y)});
}

} // namespace scripted
