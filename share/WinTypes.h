#pragma once

#include <cstdint>

// Plain value types that the interfaces between the program, its frame list and
// the plug-in are written in.
using COLORREF = std::uint32_t;  // 0x00BBGGRR
using BOOL = int;

// A window, opaque to everything outside the program's window layer.
class CWnd;
