#pragma once
// The request's locale now lives in the platform layer; this name stays for the includes that
// still use it.

#include "platform/com/Locale.h"
