// The CD drive collection (IWMPCdromCollection). The engine plays no CDs
// on Linux, so it has no drives: no drive specifier is found.
#include "engine/control/com_object.h"
#include "engine/text/com_text.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

class CdromCollectionObject : public DispatchObject<IWMPCdromCollection> {
public:
  STDMETHOD(get_count)(long *count) override { return GiveNumber(count, 0); }
  STDMETHOD(Item)(long, IWMPCdrom **drive) override {
    if (drive != nullptr)
      *drive = nullptr;
    return E_INVALIDARG;
  }
  STDMETHOD(getByDriveSpecifier)(BSTR, IWMPCdrom **cdrom) override {
    if (cdrom != nullptr)
      *cdrom = nullptr;
    return E_INVALIDARG;
  }
};

} // namespace

IWMPCdromCollection *NewCdromCollectionObject() {
  return new (std::nothrow) CdromCollectionObject();
}

} // namespace engine
