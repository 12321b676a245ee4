// The media object (IWMPMedia): one view of a media record. Identity is
// the record's, so any two views of one item are identical.
#include <cstddef>
#include <new>

#include "engine/control/com_object.h"
#include "engine/text/com_text.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

// Answered by the engine's media objects only: gives the object itself.
const IID kMediaRecordIid = {
    0x5d0c1c61, 0x2f0e, 0x4b7e, {0x9a, 0x43, 0x6e, 0x1b, 0x52, 0x0d, 0x7c, 0x11}};

// A walk over a playlist (a host's search for an item's index) makes and
// drops one media object per step: the memory of dropped objects is kept
// for the thread that dropped them, so that a step allocates nothing.
class SpareBlocks {
public:
  ~SpareBlocks() {
    closed_ = true; // a block dropped later, as the thread ends, is freed at once
    for (std::size_t i = 0; i < count_; ++i)
      ::operator delete(blocks_[i]);
    count_ = 0;
  }
  void *Take(std::size_t size) {
    return count_ > 0 ? blocks_[--count_] : ::operator new(size, std::nothrow);
  }
  void Keep(void *block) {
    if (!closed_ && count_ < kKept && !kSanitized)
      blocks_[count_++] = block;
    else
      ::operator delete(block);
  }

private:
  static constexpr std::size_t kKept = 64;
  // AddressSanitizer sees each object's own memory, so that a use after
  // the last Release is caught.
#if defined(__SANITIZE_ADDRESS__)
  static constexpr bool kSanitized = true;
#else
  static constexpr bool kSanitized = false;
#endif
  void *blocks_[kKept] = {};
  std::size_t count_ = 0;
  bool closed_ = false;
};

thread_local SpareBlocks spareMediaObjects;

class MediaObject final : public DispatchObject<IWMPMedia> {
public:
  explicit MediaObject(std::shared_ptr<MediaItem> item) : item_(std::move(item)) {}
  static void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    return spareMediaObjects.Take(size);
  }
  static void operator delete(void *block) noexcept { spareMediaObjects.Keep(block); }
  const std::shared_ptr<MediaItem> &Record() const { return item_; }
  // The engine's object behind `media` (null for a foreign one), valid
  // while the caller holds `media`.
  static MediaObject *Of(IWMPMedia *media) {
    void *found = nullptr;
    if (media == nullptr || FAILED(media->QueryInterface(kMediaRecordIid, &found)) || !found)
      return nullptr;
    auto *object = static_cast<MediaObject *>(found);
    object->Release();
    return object;
  }

  STDMETHOD(get_isIdentical)(IWMPMedia *other, VARIANT_BOOL *identical) override {
    const MediaObject *that = Of(other);
    return GiveFlag(identical, that != nullptr && that->item_ == item_);
  }
  STDMETHOD(get_sourceURL)(BSTR *url) override { return GiveText(url, item_->url); }
  STDMETHOD(get_name)(BSTR *name) override { return GiveText(name, item_->Name()); }
  STDMETHOD(put_name)(BSTR name) override { return item_->SetAttribute(u"Title", TextOf(name)); }
  STDMETHOD(get_imageSourceWidth)(long *width) override {
    item_->EnsureAttributes();
    return GiveNumber(width, item_->width);
  }
  STDMETHOD(get_imageSourceHeight)(long *height) override {
    item_->EnsureAttributes();
    return GiveNumber(height, item_->height);
  }
  STDMETHOD(get_markerCount)(long *count) override { return GiveNumber(count, 0); }
  STDMETHOD(getMarkerTime)(long, double *) override { return E_INVALIDARG; }
  STDMETHOD(getMarkerName)(long, BSTR *) override { return E_INVALIDARG; }
  STDMETHOD(get_duration)(double *seconds) override {
    if (seconds == nullptr)
      return E_POINTER;
    item_->EnsureAttributes();
    *seconds = item_->duration;
    return S_OK;
  }
  STDMETHOD(get_durationString)(BSTR *text) override {
    item_->EnsureAttributes();
    return GiveText(text, ClockText(item_->duration));
  }
  STDMETHOD(get_attributeCount)(long *count) override {
    return GiveNumber(count, long(item_->AttributeNames().size()));
  }
  STDMETHOD(getAttributeName)(long index, BSTR *name) override {
    auto names = item_->AttributeNames();
    if (index < 0 || index >= long(names.size()))
      return E_INVALIDARG;
    return GiveText(name, names[index]);
  }
  // An attribute the item lacks reads as the empty string.
  STDMETHOD(getItemInfo)(BSTR name, BSTR *value) override {
    return GiveText(value, item_->Attribute(TextOf(name)).value_or(u""));
  }
  STDMETHOD(setItemInfo)(BSTR name, BSTR value) override {
    std::u16string attribute = TextOf(name);
    if (attribute.empty())
      return E_INVALIDARG;
    return item_->SetAttribute(attribute, TextOf(value));
  }
  STDMETHOD(getItemInfoByAtom)(long, BSTR *value) override {
    if (value != nullptr)
      *value = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(isMemberOf)(IWMPPlaylist *playlist, VARIANT_BOOL *member) override {
    auto record = PlaylistRecordOf(playlist);
    if (!record)
      return E_INVALIDARG;
    return GiveFlag(member, record->IndexOf(item_.get()) >= 0);
  }
  STDMETHOD(isReadOnlyItem)(BSTR name, VARIANT_BOOL *readOnly) override {
    return GiveFlag(readOnly, MediaItem::IsReadOnly(TextOf(name)));
  }

protected:
  HRESULT QueryOther(REFIID iid, void **out) override {
    return iid == kMediaRecordIid ? Give(this, out) : E_NOINTERFACE;
  }

private:
  std::shared_ptr<MediaItem> item_;
};

} // namespace

IWMPMedia *NewMediaObject(std::shared_ptr<MediaItem> item) {
  return new (std::nothrow) MediaObject(std::move(item));
}

std::shared_ptr<MediaItem> MediaRecordOf(IWMPMedia *media) {
  const MediaObject *object = MediaObject::Of(media);
  return object ? object->Record() : nullptr;
}

} // namespace engine
