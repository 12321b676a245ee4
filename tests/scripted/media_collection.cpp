// IWMPMediaCollection over the model's media library.
#include "scripted/internal.h"

namespace scripted {
namespace {

struct MediaCollection final : DispatchObject<IWMPMediaCollection> {
  explicit MediaCollection(std::shared_ptr<State> owner)
      : DispatchObject(std::move(owner), "IWMPMediaCollection") {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }
  SCRIPTED_UNUSED_IWMPMediaCollection

      std::vector<Media> &
      library() {
    return model().mediaLibrary;
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
  // Removals only record their call: no test looks at what is left.
  STDMETHOD(remove)(IWMPMedia *media, VARIANT_BOOL deleteFile) override {
    return accept("remove", {arg(media), arg(deleteFile)});
  }
};

} // namespace

IWMPMediaCollection *newMediaCollection(std::shared_ptr<State> state) {
  return new MediaCollection(std::move(state));
}

} // namespace scripted
