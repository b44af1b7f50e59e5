#pragma once
// The Windows SDK headers of the window. The lean windows.h leaves out the
// common dialogs, so commdlg.h comes on its own.

#include "platform/os/win32/LeanWindows.h"
// windows.h first.
#include <commdlg.h>
