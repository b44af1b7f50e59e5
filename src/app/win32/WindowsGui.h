#pragma once
// The Windows SDK headers of the window. The lean windows.h leaves out the
// common dialogs, so commdlg.h comes on its own.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// windows.h first.
#include <commdlg.h>
