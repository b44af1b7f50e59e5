#pragma once
// Resource ids shared by the resource script and the code (the resource
// compiler reads only macros).

#define USBLINK_ICON 1
