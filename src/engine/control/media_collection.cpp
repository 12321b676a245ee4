// The media collection (IWMPMediaCollection): the media library. Adding a
// file that is already there gives the library's item; removing an item
// forgets it and never deletes the user's file.
#include "engine/control/com_object.h"
#include "engine/text/com_text.h"
#include "engine/engine.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

class MediaCollectionObject : public DispatchObject<IWMPMediaCollection> {
public:
  explicit MediaCollectionObject(std::shared_ptr<Engine> engine) : engine_(std::move(engine)) {}

  STDMETHOD(add)(BSTR url, IWMPMedia **media) override {
    if (media == nullptr)
      return E_POINTER;
    *media = nullptr;
    std::shared_ptr<MediaItem> item;
    bool entered = false;
    HRESULT status = Library().Add(TextOf(url), &item, &entered);
    if (FAILED(status))
      return status;
    if (entered)
      engine_->Raise({.id = DISPID_WMPCOREEVENT_MEDIACOLLECTIONCHANGE});
    return GiveObject(media, NewMediaObject(item));
  }
  STDMETHOD(getAll)(IWMPPlaylist **items) override {
    std::vector<std::shared_ptr<MediaItem>> all;
    const HRESULT listed = Library().All(&all);
    return Give(items, u"All Music", listed, std::move(all));
  }
  STDMETHOD(getByName)(BSTR name, IWMPPlaylist **items) override {
    return ByAttribute(u"Title", name, items);
  }
  STDMETHOD(getByGenre)(BSTR genre, IWMPPlaylist **items) override {
    return ByAttribute(u"WM/Genre", genre, items);
  }
  STDMETHOD(getByAuthor)(BSTR author, IWMPPlaylist **items) override {
    return ByAttribute(u"Author", author, items);
  }
  STDMETHOD(getByAlbum)(BSTR album, IWMPPlaylist **items) override {
    return ByAttribute(u"Album", album, items);
  }
  STDMETHOD(getByAttribute)(BSTR attribute, BSTR value, IWMPPlaylist **items) override {
    return ByAttribute(TextOf(attribute), value, items);
  }
  // The file stays where it is whatever `deleteFile` says: the library
  // only forgets it.
  STDMETHOD(remove)(IWMPMedia *media, VARIANT_BOOL /*deleteFile*/) override {
    auto item = MediaRecordOf(media);
    if (!item || !item->libraryId)
      return E_INVALIDARG;
    if (HRESULT status = Library().Remove(*item); FAILED(status))
      return status;
    engine_->Raise({.id = DISPID_WMPCOREEVENT_MEDIACOLLECTIONCHANGE});
    return S_OK;
  }
  STDMETHOD(getAttributeStringCollection)(BSTR, BSTR, IWMPStringCollection **strings) override {
    return NotOffered(strings);
  }
  STDMETHOD(getMediaAtom)(BSTR, long *atom) override {
    if (atom != nullptr)
      *atom = -1;
    return E_NOTIMPL;
  }
  STDMETHOD(setDeleted)(IWMPMedia *, VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHOD(isDeleted)(IWMPMedia *, VARIANT_BOOL *deleted) override {
    if (deleted != nullptr)
      *deleted = VARIANT_FALSE;
    return E_NOTIMPL;
  }

private:
  MediaLibrary &Library() { return *engine_->Library(); }

  HRESULT ByAttribute(const std::u16string &attribute, BSTR value, IWMPPlaylist **items) {
    std::u16string text = TextOf(value);
    std::vector<std::shared_ptr<MediaItem>> found;
    const HRESULT listed = Library().ByAttribute(attribute, text, &found);
    return Give(items, text, listed, std::move(found));
  }

  // The items as a playlist of their own, not saved; the library's status
  // when it could not list them.
  static HRESULT Give(IWMPPlaylist **out, const std::u16string &name, HRESULT listed,
                      std::vector<std::shared_ptr<MediaItem>> items) {
    if (out == nullptr)
      return E_POINTER;
    *out = nullptr;
    if (FAILED(listed))
      return listed;
    auto playlist = PlaylistData::Named(name);
    playlist->items = std::move(items);
    return GiveObject(out, NewPlaylistObject(playlist));
  }

  std::shared_ptr<Engine> engine_;
};

} // namespace

IWMPMediaCollection *NewMediaCollectionObject(std::shared_ptr<Engine> engine) {
  return new (std::nothrow) MediaCollectionObject(std::move(engine));
}

} // namespace engine
