// The control's interface identifiers (IID_IWMPPlayer4, ...), which the
// scripted control names: defined once here on Windows, where the SDK only
// declares them; the Linux platform layer defines its own.
#include <initguid.h>

#include <wmp.h>
