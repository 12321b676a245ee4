// stand-in-control.dll: the least of the media player control that lets the
// Windows test hosts create a player, play a file and hear it, and read and
// write what it plays, where Wine's own control refuses creation. While it
// is started, CoCreateInstance of the control in the process builds a
// stand-in over one playlist: play raises "media open" and "playing", stop
// raises "stopped", each item keeps the attributes written to it and lasts
// 12.5 s. A boolean setting is taken, a number nothing else answers is 0,
// and every other method not answered below answers E_NOTIMPL.
// Defines the control's class id here, where the SDK only declares it.
#include <initguid.h>

#include "support/com_tables.h"

#include <olectl.h>

#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using com_tables::Table;

struct Item {
  std::wstring url;
  std::map<std::wstring, std::wstring> attributes;
};

struct Model {
  std::vector<std::shared_ptr<Item>> playlist;
  std::map<DWORD, IWMPEvents *> sinks; // one reference each
  DWORD nextCookie = 1;
};

struct Object;
struct Face {
  const void *const *slots;
  Object *object;
};

// One COM object: one interface over the model, or one item.
struct Object {
  Face face;
  LONG references;
  const Table *table;
  std::shared_ptr<Model> model;
  std::shared_ptr<Item> item;
};

Object &Self(void *face) {
  return *static_cast<Face *>(face)->object;
}

// What the player reaches of the control, but CD drives and saved playlists.
// clang-format off
#define STAND_IN_INTERFACES(X)                                                                     \
  X(IWMPPlayer4)                                                                                   \
  X(IConnectionPointContainer) X(IConnectionPoint) X(IWMPControls) X(IWMPSettings) X(IWMPMedia)    \
      X(IWMPPlaylist) X(IWMPMediaCollection) X(IWMPPlaylistCollection) X(IWMPCdromCollection)      \
          X(IClassFactory)
// clang-format on

template <class T> const Table *TableOf();
#define DECLARE_TABLE(I) template <> const Table *TableOf<I>();
STAND_IN_INTERFACES(DECLARE_TABLE)
#undef DECLARE_TABLE

template <class I> I *New(const std::shared_ptr<Model> &model, std::shared_ptr<Item> item = {}) {
  auto *object = new Object{{TableOf<I>()->slots(), nullptr}, 1, TableOf<I>(), model, item};
  object->face.object = object;
  return reinterpret_cast<I *>(&object->face);
}
template <class I> HRESULT Give(I **out, I *object) {
  if (out == nullptr) {
    object->Release();
    return E_POINTER;
  }
  *out = object;
  return S_OK;
}
HRESULT GiveText(BSTR *out, const std::wstring &text) {
  if (out == nullptr)
    return E_POINTER;
  *out = SysAllocString(text.c_str());
  return S_OK;
}
std::shared_ptr<Item> ItemOf(IWMPMedia *media) {
  return media ? Self(media).item : nullptr;
}

ULONG STDMETHODCALLTYPE AddRefObject(void *face) {
  return ULONG(++Self(face).references);
}
ULONG STDMETHODCALLTYPE ReleaseObject(void *face) {
  Object *object = &Self(face);
  LONG left = --object->references;
  if (left == 0)
    delete object;
  return ULONG(left);
}
// The player object also answers for its connection points, through an
// object of their own.
HRESULT STDMETHODCALLTYPE QueryObject(void *face, REFIID iid, void **out) {
  if (out == nullptr)
    return E_POINTER;
  Object &self = Self(face);
  if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == self.table->iid ||
      (self.table == TableOf<IWMPPlayer4>() && iid == __uuidof(IWMPCore))) {
    AddRefObject(face);
    *out = face;
    return S_OK;
  }
  if (self.table == TableOf<IWMPPlayer4>() && iid == __uuidof(IConnectionPointContainer)) {
    *out = New<IConnectionPointContainer>(self.model);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

void Raise(Model &model, void (STDMETHODCALLTYPE IWMPEvents::*event)(long), long value) {
  const std::map<DWORD, IWMPEvents *> sinks = model.sinks; // a sink may go meanwhile
  for (const auto &[cookie, sink] : sinks)
    (sink->*event)(value);
}

// ---- what the stand-in answers ---------------------------------------------
template <auto Method> struct Tag {};
template <auto Method, class... A> HRESULT Answer(Tag<Method>, Object &, A...) {
  return E_NOTIMPL;
}
// A number no answer below gives (an item's picture size, say) is 0.
template <auto Method> HRESULT Answer(Tag<Method>, Object &, long *number) {
  *number = 0;
  return S_OK;
}

HRESULT Answer(Tag<&IClassFactory::CreateInstance>, Object &, IUnknown *, REFIID iid, void **out) {
  IWMPPlayer4 *player = New<IWMPPlayer4>(std::make_shared<Model>());
  HRESULT status = player->QueryInterface(iid, out);
  player->Release();
  return status;
}
HRESULT Answer(Tag<&IClassFactory::LockServer>, Object &, BOOL) {
  return S_OK;
}

// Every boolean setting (those the player makes among them) is taken, and
// nothing follows from it.
template <auto Method> HRESULT Answer(Tag<Method>, Object &, VARIANT_BOOL) {
  return S_OK;
}
HRESULT Answer(Tag<&IWMPCore::close>, Object &) {
  return S_OK;
}

// Each of the model's objects, asked for by a getter of it alone, comes as
// a new face over the model.
template <class I>
concept ModelObject = std::is_same_v<I, IWMPControls> || std::is_same_v<I, IWMPSettings> ||
    std::is_same_v<I, IWMPMediaCollection> || std::is_same_v<I, IWMPPlaylistCollection> ||
    std::is_same_v<I, IWMPCdromCollection> || std::is_same_v<I, IWMPPlaylist>;
template <auto Method, ModelObject I> HRESULT Answer(Tag<Method>, Object &self, I **out) {
  return Give(out, New<I>(self.model));
}
HRESULT Answer(Tag<&IWMPCore::put_currentPlaylist>, Object &, IWMPPlaylist *) {
  return S_OK; // there is one playlist
}
HRESULT Answer(Tag<&IWMPCore3::newMedia>, Object &self, BSTR url, IWMPMedia **out) {
  return Give(out, New<IWMPMedia>(self.model, std::make_shared<Item>(Item{url ? url : L"", {}})));
}
HRESULT Answer(Tag<&IWMPMediaCollection::add>, Object &self, BSTR url, IWMPMedia **out) {
  return Answer(Tag<&IWMPCore3::newMedia>{}, self, url, out);
}

HRESULT Answer(Tag<&IConnectionPointContainer::FindConnectionPoint>, Object &self, REFIID iid,
               IConnectionPoint **out) {
  if (iid != __uuidof(IWMPEvents))
    return CONNECT_E_NOCONNECTION;
  return Give(out, New<IConnectionPoint>(self.model));
}
HRESULT Answer(Tag<&IConnectionPoint::Advise>, Object &self, IUnknown *sink, DWORD *cookie) {
  IWMPEvents *events = nullptr;
  if (sink == nullptr || cookie == nullptr ||
      FAILED(sink->QueryInterface(__uuidof(IWMPEvents), reinterpret_cast<void **>(&events))))
    return CONNECT_E_CANNOTCONNECT;
  *cookie = self.model->nextCookie++;
  self.model->sinks[*cookie] = events;
  return S_OK;
}
HRESULT Answer(Tag<&IConnectionPoint::Unadvise>, Object &self, DWORD cookie) {
  auto found = self.model->sinks.find(cookie);
  if (found == self.model->sinks.end())
    return CONNECT_E_NOCONNECTION;
  IWMPEvents *sink = found->second;
  self.model->sinks.erase(found);
  sink->Release();
  return S_OK;
}

HRESULT Answer(Tag<&IWMPControls::play>, Object &self) {
  Raise(*self.model, &IWMPEvents::OpenStateChange, wmposMediaOpen);
  Raise(*self.model, &IWMPEvents::PlayStateChange, wmppsPlaying);
  return S_OK;
}
HRESULT Answer(Tag<&IWMPControls::stop>, Object &self) {
  Raise(*self.model, &IWMPEvents::PlayStateChange, wmppsStopped);
  return S_OK;
}
HRESULT Answer(Tag<&IWMPControls::currentItem>, Object &self, IWMPMedia **out) {
  if (self.model->playlist.empty())
    return E_FAIL;
  return Give(out, New<IWMPMedia>(self.model, self.model->playlist.front()));
}

HRESULT Answer(Tag<&IWMPPlaylist::get_count>, Object &self, long *count) {
  *count = long(self.model->playlist.size());
  return S_OK;
}
HRESULT Answer(Tag<&IWMPPlaylist::get_Item>, Object &self, long index, IWMPMedia **out) {
  if (index < 0 || std::size_t(index) >= self.model->playlist.size())
    return E_INVALIDARG;
  return Give(out, New<IWMPMedia>(self.model, self.model->playlist[std::size_t(index)]));
}
HRESULT Answer(Tag<&IWMPPlaylist::clear>, Object &self) {
  self.model->playlist.clear();
  return S_OK;
}
HRESULT Answer(Tag<&IWMPPlaylist::appendItem>, Object &self, IWMPMedia *media) {
  if (media == nullptr)
    return E_POINTER;
  self.model->playlist.push_back(ItemOf(media));
  return S_OK;
}
HRESULT Answer(Tag<&IWMPPlaylist::get_name>, Object &, BSTR *name) {
  return GiveText(name, L"Now playing");
}

HRESULT Answer(Tag<&IWMPMedia::get_isIdentical>, Object &self, IWMPMedia *other,
               VARIANT_BOOL *same) {
  *same = other && ItemOf(other) == self.item ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}
HRESULT Answer(Tag<&IWMPMedia::get_sourceURL>, Object &self, BSTR *url) {
  return GiveText(url, self.item->url);
}
HRESULT Answer(Tag<&IWMPMedia::getItemInfo>, Object &self, BSTR name, BSTR *value) {
  return GiveText(value, self.item->attributes[name ? name : L""]);
}
HRESULT Answer(Tag<&IWMPMedia::setItemInfo>, Object &self, BSTR name, BSTR value) {
  self.item->attributes[name ? name : L""] = value ? value : L"";
  return S_OK;
}
HRESULT Answer(Tag<&IWMPMedia::get_duration>, Object &, double *seconds) {
  *seconds = 12.5;
  return S_OK;
}

template <auto Method> struct Thunk;
template <class I, class... A, HRESULT (STDMETHODCALLTYPE I::*Method)(A...)> struct Thunk<Method> {
  static inline const char *name = nullptr;
  static HRESULT STDMETHODCALLTYPE Call(void *face, A... args) {
    return Answer(Tag<Method>{}, Self(face), args...);
  }
};

const void *const kUnknownSlots[3] = {reinterpret_cast<const void *>(&QueryObject),
                                      reinterpret_cast<const void *>(&AddRefObject),
                                      reinterpret_cast<const void *>(&ReleaseObject)};

STAND_IN_INTERFACES(COM_TABLE)

} // namespace

extern "C" {

// Registers the stand-in; the result is for StandInControlStop.
__declspec(dllexport) DWORD StandInControlStart() {
  static std::shared_ptr<Model> none = std::make_shared<Model>();
  IClassFactory *factory = New<IClassFactory>(none);
  DWORD registration = 0;
  CoRegisterClassObject(CLSID_WindowsMediaPlayer, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                        &registration);
  factory->Release();
  return registration;
}

__declspec(dllexport) void StandInControlStop(DWORD registration) {
  CoRevokeClassObject(registration);
}

} // extern "C"
