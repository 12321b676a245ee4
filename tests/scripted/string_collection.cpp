// IWMPStringCollection: attribute values found by the media collection.
#include "scripted/internal.h"

namespace scripted {
namespace {

struct StringCollection final : DispatchObject<IWMPStringCollection> {
  StringCollection(std::shared_ptr<State> owner, std::vector<std::u16string> strings)
      : DispatchObject(std::move(owner), "IWMPStringCollection"), strings(std::move(strings)) {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }

  STDMETHOD(get_count)(long *count) override {
    if (auto answer = enter("get_count", {}, count))
      return *answer;
    if (!count)
      return E_POINTER;
    *count = long(strings.size());
    return S_OK;
  }
  STDMETHOD(Item)(long index, BSTR *value) override {
    if (auto answer = enter("Item", {arg(index)}, value))
      return *answer;
    if (!value)
      return E_POINTER;
    *value = nullptr;
    if (index < 0 || std::size_t(index) >= strings.size())
      return E_INVALIDARG;
    return giveText(value, strings[std::size_t(index)]);
  }

  std::vector<std::u16string> strings;
};

} // namespace

IWMPStringCollection *newStringCollection(std::shared_ptr<State> state,
                                          std::vector<std::u16string> strings) {
  return new StringCollection(std::move(state), std::move(strings));
}

} // namespace scripted
