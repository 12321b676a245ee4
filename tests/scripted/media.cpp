// IWMPMedia over an item record of the model.
#include <algorithm>

#include "scripted/internal.h"

namespace scripted {
namespace {

struct MediaObject final : DispatchObject<IWMPMedia> {
  MediaObject(std::shared_ptr<State> owner, Media record)
      : DispatchObject(std::move(owner), "IWMPMedia"), record(std::move(record)) {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }
  SCRIPTED_UNUSED_IWMPMedia

  STDMETHOD(get_isIdentical)(IWMPMedia *other, VARIANT_BOOL *identical) override {
    if (auto answer = enter("get_isIdentical", {arg(other)}, identical))
      return *answer;
    if (!identical)
      return E_POINTER;
    *identical = mediaRecord(other) == record ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHOD(get_sourceURL)(BSTR *url) override {
    if (auto answer = enter("get_sourceURL", {}, url))
      return *answer;
    return giveText(url, record->url);
  }
  STDMETHOD(get_imageSourceWidth)(long *width) override {
    return give("get_imageSourceWidth", width, record->imageWidth);
  }
  STDMETHOD(get_imageSourceHeight)(long *height) override {
    return give("get_imageSourceHeight", height, record->imageHeight);
  }
  STDMETHOD(get_duration)(double *seconds) override {
    return give("get_duration", seconds, record->duration);
  }
  // An attribute the item lacks reads as empty, as with the real control.
  STDMETHOD(getItemInfo)(BSTR name, BSTR *value) override {
    if (auto answer = enter("getItemInfo", {arg(name)}, value))
      return *answer;
    auto found = record->attributes.find(text(name));
    return giveText(value, found == record->attributes.end() ? u"" : found->second);
  }
  STDMETHOD(setItemInfo)(BSTR name, BSTR value) override {
    if (auto answer = enter("setItemInfo", {arg(name), arg(value)}))
      return *answer;
    if (record->readOnly.count(text(name)))
      return E_ACCESSDENIED;
    record->attributes[text(name)] = text(value);
    return S_OK;
  }
  STDMETHOD(isReadOnlyItem)(BSTR name, VARIANT_BOOL *readOnly) override {
    return give("isReadOnlyItem", readOnly, record->readOnly.count(text(name)) > 0, {arg(name)});
  }

  Media record;
};

} // namespace

IWMPMedia *newMediaObject(std::shared_ptr<State> state, Media item) {
  return new MediaObject(std::move(state), std::move(item));
}

Media mediaRecord(IWMPMedia *media) {
  auto *ours = dynamic_cast<MediaObject *>(media);
  return ours ? ours->record : nullptr;
}

std::string arg(IWMPMedia *media) {
  if (!media)
    return "null";
  Media record = mediaRecord(media);
  return record ? utf8(record->url) : "foreign";
}

} // namespace scripted
