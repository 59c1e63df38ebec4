// The platform layer's opaque object handle (a window, a display object, a
// library, a cursor): null means none.
#pragma once

using PlatformHandle = void*;
