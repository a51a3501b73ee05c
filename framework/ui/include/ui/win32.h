#pragma once
// The Win32 headers as the window layer includes them. The window-property macros GetProp and
// SetProp would rename the component reflection's GetProp/SetProp in every file that sees
// them; the layer calls GetPropW/SetPropW by their own names.
#include <windows.h>
#include <commctrl.h>

#undef GetProp
#undef SetProp
