// IWMPMediaCollection over the model's media library. Queries answer
// transient playlists of the library's items, leaving out deleted ones.
#include <algorithm>

#include "scripted/internal.h"

namespace scripted {
namespace {

struct MediaCollection final : DispatchObject<IWMPMediaCollection> {
  explicit MediaCollection(std::shared_ptr<State> owner)
      : DispatchObject(std::move(owner), "IWMPMediaCollection") {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }

  std::vector<Media> &library() { return model().mediaLibrary; }

  HRESULT query(IWMPPlaylist **items, const std::function<bool(const MediaItem &)> &match) {
    if (!items)
      return E_POINTER;
    auto result = std::make_shared<Playlist>();
    for (auto &item : library())
      if (!item->deleted && match(*item))
        result->items.push_back(item);
    *items = newPlaylistObject(state, result);
    return S_OK;
  }
  HRESULT queryAttribute(IWMPPlaylist **items, const std::u16string &attribute,
                         const std::u16string &value) {
    return query(items, [&](const MediaItem &item) {
      auto found = item.attributes.find(attribute);
      return found != item.attributes.end() && found->second == value;
    });
  }
  std::vector<Media>::iterator find(IWMPMedia *media) {
    return std::find(library().begin(), library().end(), mediaRecord(media));
  }

  STDMETHOD(add)(BSTR url, IWMPMedia **media) override {
    if (auto answer = enter("add", {arg(url)}, media))
      return *answer;
    if (!media)
      return E_POINTER;
    std::u16string target = text(url);
    for (auto &item : library()) {
      if (item->url == target) {
        *media = newMediaObject(state, item);
        return S_OK;
      }
    }
    library().push_back(mediaForUrl(model(), target));
    *media = newMediaObject(state, library().back());
    return S_OK;
  }
  STDMETHOD(getAll)(IWMPPlaylist **items) override {
    if (auto answer = enter("getAll", {}, items))
      return *answer;
    return query(items, [](const MediaItem &) { return true; });
  }
  STDMETHOD(getByName)(BSTR name, IWMPPlaylist **items) override {
    if (auto answer = enter("getByName", {arg(name)}, items))
      return *answer;
    return query(items, [&](const MediaItem &item) { return item.name == text(name); });
  }
  STDMETHOD(getByGenre)(BSTR genre, IWMPPlaylist **items) override {
    if (auto answer = enter("getByGenre", {arg(genre)}, items))
      return *answer;
    return queryAttribute(items, u"WM/Genre", text(genre));
  }
  STDMETHOD(getByAuthor)(BSTR author, IWMPPlaylist **items) override {
    if (auto answer = enter("getByAuthor", {arg(author)}, items))
      return *answer;
    return queryAttribute(items, u"Author", text(author));
  }
  STDMETHOD(getByAlbum)(BSTR album, IWMPPlaylist **items) override {
    if (auto answer = enter("getByAlbum", {arg(album)}, items))
      return *answer;
    return queryAttribute(items, u"WM/AlbumTitle", text(album));
  }
  STDMETHOD(getByAttribute)(BSTR attribute, BSTR value, IWMPPlaylist **items) override {
    if (auto answer = enter("getByAttribute", {arg(attribute), arg(value)}, items))
      return *answer;
    return queryAttribute(items, text(attribute), text(value));
  }
  STDMETHOD(remove)(IWMPMedia *media, VARIANT_BOOL deleteFile) override {
    if (auto answer = enter("remove", {arg(media), arg(deleteFile)}))
      return *answer;
    if (!media)
      return E_POINTER;
    auto found = find(media);
    if (found == library().end())
      return E_INVALIDARG;
    library().erase(found);
    return S_OK;
  }
  // The distinct values of `attribute` across the library, in library order.
  STDMETHOD(getAttributeStringCollection)
  (BSTR attribute, BSTR mediaType, IWMPStringCollection **strings) override {
    if (auto answer =
            enter("getAttributeStringCollection", {arg(attribute), arg(mediaType)}, strings))
      return *answer;
    if (!strings)
      return E_POINTER;
    std::vector<std::u16string> values;
    for (auto &item : library()) {
      auto found = item->attributes.find(text(attribute));
      if (found != item->attributes.end() &&
          std::find(values.begin(), values.end(), found->second) == values.end())
        values.push_back(found->second);
    }
    *strings = newStringCollection(state, std::move(values));
    return S_OK;
  }
  STDMETHOD(getMediaAtom)(BSTR name, long *atom) override {
    if (auto answer = enter("getMediaAtom", {arg(name)}, atom))
      return *answer;
    if (!atom)
      return E_POINTER;
    auto &atoms = state->atoms;
    auto found = std::find(atoms.begin(), atoms.end(), text(name));
    if (found == atoms.end())
      found = atoms.insert(atoms.end(), text(name));
    *atom = long(found - atoms.begin());
    return S_OK;
  }
  STDMETHOD(setDeleted)(IWMPMedia *media, VARIANT_BOOL deleted) override {
    if (auto answer = enter("setDeleted", {arg(media), arg(deleted)}))
      return *answer;
    if (!media)
      return E_POINTER;
    auto found = find(media);
    if (found == library().end())
      return E_INVALIDARG;
    (*found)->deleted = deleted != VARIANT_FALSE;
    return S_OK;
  }
  STDMETHOD(isDeleted)(IWMPMedia *media, VARIANT_BOOL *deleted) override {
    if (auto answer = enter("isDeleted", {arg(media)}, deleted))
      return *answer;
    if (!media || !deleted)
      return E_POINTER;
    auto found = find(media);
    if (found == library().end())
      return E_INVALIDARG;
    *deleted = (*found)->deleted ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
};

} // namespace

IWMPMediaCollection *newMediaCollection(std::shared_ptr<State> state) {
  return new MediaCollection(std::move(state));
}

} // namespace scripted
