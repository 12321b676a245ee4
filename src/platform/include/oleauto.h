// Forwarder: the COM basics live in com.h.
#pragma once

#include "com.h"
