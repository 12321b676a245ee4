// <olectl.h>: where Windows declares the connection-point statuses
// (CONNECT_E_*); here they come with the COM declarations.
#pragma once

#include "com.h"
