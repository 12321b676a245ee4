// A control call that succeeds without giving the object the next step
// needs fails that step with E_FAIL.
#pragma once

#include <atlbase.h>
#include <windows.h>

// The status of a getter that filled `object`: a failure as it is, E_FAIL
// for a success that left the holder empty. The holder is read after the
// getter ran, so pass the call's result and the holder it filled.
template <class T> HRESULT RequireObject(HRESULT status, const CComPtr<T> &object) {
  if (FAILED(status))
    return status;
  return object ? status : E_FAIL;
}
