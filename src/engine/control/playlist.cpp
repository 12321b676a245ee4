// The playlist object (IWMPPlaylist): one view of a playlist record. Items
// are reached by position in constant time; edits go to the record, which
// stores a saved playlist's edit row by row and tells the engine whose
// current playlist it is.
#include <iterator>

#include "engine/control/com_object.h"
#include "engine/text/com_text.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

const IID kPlaylistRecordIid = {
    0x8e3f6a2b, 0x71c4, 0x4d09, {0xb2, 0x5e, 0x13, 0x9a, 0x04, 0xc8, 0x6f, 0x27}};

class PlaylistObject : public DispatchObject<IWMPPlaylist> {
public:
  explicit PlaylistObject(std::shared_ptr<PlaylistData> playlist)
      : playlist_(std::move(playlist)) {}
  const std::shared_ptr<PlaylistData> &Record() const { return playlist_; }

  STDMETHOD(get_count)(long *count) override { return GiveNumber(count, long(playlist_->Count())); }
  STDMETHOD(get_name)(BSTR *name) override { return GiveText(name, playlist_->name); }
  STDMETHOD(put_name)(BSTR name) override { return playlist_->Rename(TextOf(name)); }
  STDMETHOD(get_attributeCount)(long *count) override {
    return GiveNumber(count, long(playlist_->attributes.size() + 1));
  }
  STDMETHOD(get_attributeName)(long index, BSTR *name) override {
    if (index < 0 || index > long(playlist_->attributes.size()))
      return E_INVALIDARG;
    if (index == 0)
      return GiveText(name, u"Name");
    auto at = playlist_->attributes.begin();
    std::advance(at, index - 1);
    return GiveText(name, at->first);
  }
  STDMETHOD(get_Item)(long index, IWMPMedia **media) override {
    if (media == nullptr)
      return E_POINTER;
    *media = nullptr;
    const auto &items = playlist_->Items();
    if (index < 0 || index >= long(items.size()))
      return E_INVALIDARG;
    return GiveObject(media, NewMediaObject(items[index]));
  }
  STDMETHOD(getItemInfo)(BSTR name, BSTR *value) override {
    return GiveText(value, playlist_->Attribute(TextOf(name)).value_or(u""));
  }
  STDMETHOD(setItemInfo)(BSTR name, BSTR value) override {
    std::u16string attribute = TextOf(name);
    if (attribute.empty())
      return E_INVALIDARG;
    return playlist_->SetAttribute(attribute, TextOf(value));
  }
  STDMETHOD(get_isIdentical)(IWMPPlaylist *other, VARIANT_BOOL *identical) override {
    return GiveFlag(identical, PlaylistRecordOf(other) == playlist_);
  }
  STDMETHOD(clear)() override { return playlist_->Clear(); }
  STDMETHOD(insertItem)(long index, IWMPMedia *media) override {
    auto item = MediaRecordOf(media);
    if (!item)
      return E_INVALIDARG;
    if (index < 0 || index > long(playlist_->Count()))
      return E_INVALIDARG;
    return playlist_->Insert(std::size_t(index), item);
  }
  STDMETHOD(appendItem)(IWMPMedia *media) override {
    auto item = MediaRecordOf(media);
    if (!item)
      return E_INVALIDARG;
    return playlist_->Append(item);
  }
  // Removes the first position that holds the item.
  STDMETHOD(removeItem)(IWMPMedia *media) override {
    auto item = MediaRecordOf(media);
    long index = item ? playlist_->IndexOf(item.get()) : -1;
    if (index < 0)
      return E_INVALIDARG;
    return playlist_->RemoveAt(std::size_t(index));
  }
  STDMETHOD(moveItem)(long oldIndex, long newIndex) override {
    long count = long(playlist_->Count());
    if (oldIndex < 0 || oldIndex >= count || newIndex < 0 || newIndex >= count)
      return E_INVALIDARG;
    return playlist_->Move(std::size_t(oldIndex), std::size_t(newIndex));
  }

protected:
  HRESULT QueryOther(REFIID iid, void **out) override {
    return iid == kPlaylistRecordIid ? Give(this, out) : E_NOINTERFACE;
  }

private:
  std::shared_ptr<PlaylistData> playlist_;
};

} // namespace

IWMPPlaylist *NewPlaylistObject(std::shared_ptr<PlaylistData> playlist) {
  return new (std::nothrow) PlaylistObject(std::move(playlist));
}

std::shared_ptr<PlaylistData> PlaylistRecordOf(IWMPPlaylist *playlist) {
  void *found = nullptr;
  if (playlist == nullptr || FAILED(playlist->QueryInterface(kPlaylistRecordIid, &found)) || !found)
    return nullptr;
  auto *object = static_cast<PlaylistObject *>(found);
  std::shared_ptr<PlaylistData> record = object->Record();
  object->Release();
  return record;
}

} // namespace engine
