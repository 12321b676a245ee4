// IWMPCdromCollection over the model's CD drives.
#include "scripted/internal.h"

namespace scripted {
namespace {

struct CdromCollection final : DispatchObject<IWMPCdromCollection> {
  explicit CdromCollection(std::shared_ptr<State> owner)
      : DispatchObject(std::move(owner), "IWMPCdromCollection") {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }
  SCRIPTED_UNUSED_IWMPCdromCollection

  // Drive letters compare without regard to case.
  STDMETHOD(getByDriveSpecifier)(BSTR specifier, IWMPCdrom **drive) override {
    if (auto answer = enter("getByDriveSpecifier", {arg(specifier)}, drive))
      return *answer;
    if (!drive)
      return E_POINTER;
    *drive = nullptr;
    auto &drives = model().cdDrives;
    for (std::size_t i = 0; i < drives.size(); ++i) {
      if (lower(drives[i].specifier) == lower(text(specifier))) {
        *drive = newCdrom(state, i);
        return S_OK;
      }
    }
    return E_INVALIDARG;
  }
};

} // namespace

IWMPCdromCollection *newCdromCollection(std::shared_ptr<State> state) {
  return new CdromCollection(std::move(state));
}

} // namespace scripted
