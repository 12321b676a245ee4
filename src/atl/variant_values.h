// VARIANTs made in one expression, for the arguments of events raised
// through IDispatch::Invoke. Each holds its value as given: a string or an
// object placed in one is not copied or counted, so whoever made the value
// decides whether VariantClear is due.
#pragma once

#include <windows.h>

inline VARIANT TypedVariant(VARTYPE type) {
  VARIANT v;
  VariantInit(&v);
  v.vt = type;
  return v;
}

inline VARIANT VariantI4(long value) {
  VARIANT v = TypedVariant(VT_I4);
  v.lVal = LONG(value);
  return v;
}

inline VARIANT VariantI2(short value) {
  VARIANT v = TypedVariant(VT_I2);
  v.iVal = value;
  return v;
}

inline VARIANT VariantR8(double value) {
  VARIANT v = TypedVariant(VT_R8);
  v.dblVal = value;
  return v;
}

inline VARIANT VariantBool(bool value) {
  VARIANT v = TypedVariant(VT_BOOL);
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

inline VARIANT VariantBstr(BSTR value) {
  VARIANT v = TypedVariant(VT_BSTR);
  v.bstrVal = value;
  return v;
}

inline VARIANT VariantDispatch(IDispatch *value) {
  VARIANT v = TypedVariant(VT_DISPATCH);
  v.pdispVal = value;
  return v;
}
