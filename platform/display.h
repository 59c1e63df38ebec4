// Display operations of the platform layer: a DirectDraw-shaped view of the
// screen.
//
// Each operation mirrors one DirectDraw or library call that the window code
// relies on, with the same arguments and the same kind of result, so the
// Windows backend is a thin adapter and the window code follows its steps the
// same way on every platform. Objects are opaque handles (null = none).
// Results of type int32_t are HRESULT-like: negative is a failure, zero or
// positive a success.
//
// The table in use is `platform_display`. The display backend library
// (platform/sdl, platform/web or platform/win32) defines it, pointing at
// the system's own table (`platform_native_display`, DirectDraw on Windows)
// or at the emulated display's; tests point it at a scripted fake.
// `platform_fallback_display` is the second way to show a frame where the
// first refuses the display (the emulated display on Windows), or null.
#pragma once

#include <cstdint>

#include "platform/handle.h"

// SetCooperativeLevel flags.
constexpr uint32_t kDisplayExclusiveFullscreen = 0x11;  // DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN
constexpr uint32_t kDisplayNormal = 0x8;                // DDSCL_NORMAL

// Surface description flags and capabilities (DDSURFACEDESC / DDSCAPS).
constexpr uint32_t kSurfaceDescCaps = 0x1;              // DDSD_CAPS
constexpr uint32_t kSurfaceDescBackBufferCount = 0x20;  // DDSD_BACKBUFFERCOUNT
constexpr uint32_t kCapsBackBuffer = 0x4;               // DDSCAPS_BACKBUFFER
constexpr uint32_t kCapsComplex = 0x8;                  // DDSCAPS_COMPLEX
constexpr uint32_t kCapsFlip = 0x10;                    // DDSCAPS_FLIP
constexpr uint32_t kCapsPrimarySurface = 0x200;         // DDSCAPS_PRIMARYSURFACE
constexpr uint32_t kCapsVideoMemory = 0x4000;           // DDSCAPS_VIDEOMEMORY

constexpr uint32_t kPixelFormatRgb = 0x40;  // DDPF_RGB
constexpr uint32_t kLockWait = 0x1;         // DDLOCK_WAIT
constexpr uint32_t kFlipNoVsync = 0x8;      // DDFLIP_NOVSYNC
constexpr uint32_t kFlipDoNotWait = 0x20;   // DDFLIP_DONOTWAIT

// The fields of a DDSURFACEDESC that surface creation sets; a field that
// `flags` does not name is not set (the adapter leaves it zero).
struct PlatformSurfaceDescription {
    uint32_t flags;              // dwFlags
    uint32_t back_buffer_count;  // dwBackBufferCount
    uint32_t caps;               // ddsCaps.dwCaps
};

// The fields of a DDPIXELFORMAT that are read back.
struct PlatformPixelFormat {
    uint32_t flags;          // dwFlags
    uint32_t rgb_bit_count;  // dwRGBBitCount
    uint32_t red_mask;       // dwRBitMask
    uint32_t green_mask;     // dwGBitMask
    uint32_t blue_mask;      // dwBBitMask
};

// What a successful Lock gives back: the surface memory and its row pitch.
struct PlatformLockedSurface {
    void* address;  // lpSurface
    int32_t pitch;  // lPitch, in bytes
};

struct PlatformDisplay {
    // LoadLibraryA / GetProcAddress / FreeLibrary.
    PlatformHandle (*load_library)(const char* name);
    PlatformHandle (*find_entry)(PlatformHandle library, const char* name);
    void (*free_library)(PlatformHandle library);

    // DirectDrawCreate(NULL, &object, NULL) through the entry found above.
    int32_t (*create)(PlatformHandle entry, PlatformHandle* object);

    // IDirectDraw methods.
    int32_t (*set_cooperative_level)(PlatformHandle object, PlatformHandle window, uint32_t flags);
    int32_t (*set_display_mode)(PlatformHandle object, int32_t width, int32_t height,
                                int32_t bits_per_pixel);
    int32_t (*restore_display_mode)(PlatformHandle object);
    int32_t (*create_surface)(PlatformHandle object, const PlatformSurfaceDescription* description,
                              PlatformHandle* surface);
    uint32_t (*release_object)(PlatformHandle object);

    // IDirectDrawSurface methods.
    int32_t (*get_attached_surface)(PlatformHandle surface, uint32_t caps,
                                    PlatformHandle* attached);
    int32_t (*get_pixel_format)(PlatformHandle surface, PlatformPixelFormat* format);
    int32_t (*restore)(PlatformHandle surface);
    // Lock of the whole surface (null rectangle, null event).
    int32_t (*lock)(PlatformHandle surface, uint32_t flags, PlatformLockedSurface* locked);
    int32_t (*unlock)(PlatformHandle surface, void* address);
    // Flip with a null target surface.
    int32_t (*flip)(PlatformHandle surface, uint32_t flags);
    uint32_t (*release_surface)(PlatformHandle surface);
};

extern const PlatformDisplay* platform_display;
extern const PlatformDisplay* platform_fallback_display;
extern const PlatformDisplay platform_native_display;
