// VARIANT lifetime: a cleared VARIANT owns nothing and reads VT_EMPTY.
#include <com.h>

extern "C" void VariantInit(VARIANT *value) {
  if (value == nullptr)
    return;
  value->vt = VT_EMPTY;
  value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
  value->llVal = 0;
}

extern "C" HRESULT VariantClear(VARIANT *value) {
  if (value == nullptr)
    return E_INVALIDARG;
  // A VT_BYREF value points at storage it does not own.
  switch (value->vt) {
  case VT_BSTR:
    SysFreeString(value->bstrVal);
    break;
  case VT_UNKNOWN:
    if (value->punkVal != nullptr)
      value->punkVal->Release();
    break;
  case VT_DISPATCH:
    if (value->pdispVal != nullptr)
      value->pdispVal->Release();
    break;
  default:
    break;
  }
  value->vt = VT_EMPTY;
  value->llVal = 0;
  return S_OK;
}
