// Display operations on DirectDraw. "ddraw.dll" is loaded at run time; each
// operation is the one DirectDraw call of the same name, through the
// published IDirectDraw / IDirectDrawSurface layouts of the platform SDK.
// Flips keep to at most 60 frames a second (frame_timer.h).
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0502  // SetDllDirectoryA
#endif
#include <windows.h>

#include <ddraw.h>

#include "platform/display.h"
#include "platform/win32/frame_timer.h"

// The surface description holds a pointer (the locked surface's address):
// 108 bytes in 32-bit programs, 120 in 64-bit ones.
static_assert(sizeof(DDSURFACEDESC) == (sizeof(void*) == 4 ? 108 : 120),
              "DDSURFACEDESC has the platform's layout");
static_assert(sizeof(DDPIXELFORMAT) == 32, "DDPIXELFORMAT is 32 bytes");
static_assert(sizeof(DDSCAPS) == 4, "DDSCAPS is one 32-bit word");

namespace {

using DirectDrawCreateProc = HRESULT(WINAPI*)(GUID* guid, LPDIRECTDRAW* object, IUnknown* outer);

FrameTimer flip_timer;

IDirectDraw* as_object(PlatformHandle handle) { return static_cast<IDirectDraw*>(handle); }
IDirectDrawSurface* as_surface(PlatformHandle handle) {
    return static_cast<IDirectDrawSurface*>(handle);
}

// Search only the application's folder, then the system folder (where the
// system offers these flags).
constexpr DWORD kSearchApplicationDir = 0x00000200;  // LOAD_LIBRARY_SEARCH_APPLICATION_DIR
constexpr DWORD kSearchSystem32 = 0x00000800;        // LOAD_LIBRARY_SEARCH_SYSTEM32

PlatformHandle load_library(const char* name) {
    // Take the current directory out of the DLL search first, so a
    // "ddraw.dll" planted there is never loaded. The application's own
    // folder stays first in the search: replacements placed beside the
    // program still serve.
    SetDllDirectoryA("");
    // Some systems (Wine among them) ignore the empty directory and keep
    // searching the current one; where the search can be narrowed
    // explicitly, it is. Systems without these flags refuse them as an
    // invalid parameter and load as above.
    HMODULE library = LoadLibraryExA(name, nullptr, kSearchApplicationDir | kSearchSystem32);
    if (library == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        library = LoadLibraryA(name);
    }
    return library;
}

PlatformHandle find_entry(PlatformHandle library, const char* name) {
    return reinterpret_cast<PlatformHandle>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void free_library(PlatformHandle library) { FreeLibrary(static_cast<HMODULE>(library)); }

int32_t create(PlatformHandle entry, PlatformHandle* object) {
    auto direct_draw_create = reinterpret_cast<DirectDrawCreateProc>(entry);
    LPDIRECTDRAW created = nullptr;
    HRESULT result = direct_draw_create(nullptr, &created, nullptr);
    *object = created;
    return static_cast<int32_t>(result);
}

int32_t set_cooperative_level(PlatformHandle object, PlatformHandle window, uint32_t flags) {
    return as_object(object)->SetCooperativeLevel(static_cast<HWND>(window), flags);
}

int32_t set_display_mode(PlatformHandle object, int32_t width, int32_t height,
                         int32_t bits_per_pixel) {
    return as_object(object)->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                                             static_cast<DWORD>(bits_per_pixel));
}

int32_t restore_display_mode(PlatformHandle object) {
    return as_object(object)->RestoreDisplayMode();
}

int32_t create_surface(PlatformHandle object, const PlatformSurfaceDescription* description,
                       PlatformHandle* surface) {
    // Only the fields that the flags name are set; the rest stay zero.
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = description->flags;
    if (description->flags & DDSD_BACKBUFFERCOUNT) {
        desc.dwBackBufferCount = description->back_buffer_count;
    }
    if (description->flags & DDSD_CAPS) desc.ddsCaps.dwCaps = description->caps;
    LPDIRECTDRAWSURFACE created = nullptr;
    HRESULT result = as_object(object)->CreateSurface(&desc, &created, nullptr);
    *surface = created;
    return static_cast<int32_t>(result);
}

uint32_t release_object(PlatformHandle object) { return as_object(object)->Release(); }

int32_t get_attached_surface(PlatformHandle surface, uint32_t caps, PlatformHandle* attached) {
    DDSCAPS wanted{};
    wanted.dwCaps = caps;
    LPDIRECTDRAWSURFACE found = nullptr;
    HRESULT result = as_surface(surface)->GetAttachedSurface(&wanted, &found);
    *attached = found;
    return static_cast<int32_t>(result);
}

int32_t get_pixel_format(PlatformHandle surface, PlatformPixelFormat* format) {
    DDPIXELFORMAT read{};
    read.dwSize = sizeof read;
    HRESULT result = as_surface(surface)->GetPixelFormat(&read);
    format->flags = read.dwFlags;
    format->rgb_bit_count = read.dwRGBBitCount;
    format->red_mask = read.dwRBitMask;
    format->green_mask = read.dwGBitMask;
    format->blue_mask = read.dwBBitMask;
    return static_cast<int32_t>(result);
}

int32_t restore(PlatformHandle surface) { return as_surface(surface)->Restore(); }

int32_t lock(PlatformHandle surface, uint32_t flags, PlatformLockedSurface* locked) {
    // Only dwSize is set before the call.
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    HRESULT result = as_surface(surface)->Lock(nullptr, &desc, flags, nullptr);
    locked->address = desc.lpSurface;
    locked->pitch = static_cast<int32_t>(desc.lPitch);
    return static_cast<int32_t>(result);
}

int32_t unlock(PlatformHandle surface, void* address) {
    return as_surface(surface)->Unlock(address);
}

int32_t flip(PlatformHandle surface, uint32_t flags) {
    frame_timer_wait(flip_timer);
    const HRESULT result = as_surface(surface)->Flip(nullptr, flags);
    if (SUCCEEDED(result)) frame_timer_presented(flip_timer);
    return static_cast<int32_t>(result);
}

uint32_t release_surface(PlatformHandle surface) {
    frame_timer_stop(flip_timer);
    return as_surface(surface)->Release();
}

}  // namespace

const PlatformDisplay platform_native_display = {
    .load_library = load_library,
    .find_entry = find_entry,
    .free_library = free_library,
    .create = create,
    .set_cooperative_level = set_cooperative_level,
    .set_display_mode = set_display_mode,
    .restore_display_mode = restore_display_mode,
    .create_surface = create_surface,
    .release_object = release_object,
    .get_attached_surface = get_attached_surface,
    .get_pixel_format = get_pixel_format,
    .restore = restore,
    .lock = lock,
    .unlock = unlock,
    .flip = flip,
    .release_surface = release_surface,
};
