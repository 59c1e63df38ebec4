// A stand-in "ddraw.dll" whose DirectDrawCreate ends the process with status
// 42, so a test sees at once which DirectDraw a program loaded.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT WINAPI DirectDrawCreate(void*, void**, void*) {
    ExitProcess(42);
}
