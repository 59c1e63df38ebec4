/* A test double "ddraw.dll", placed beside a program: it hands out the
 * system's DirectDraw, but its SetDisplayMode refuses what
 * OMBRITH_DDRAW_REFUSE names ("all", or one size such as "320x240") the way
 * today's drivers refuse the small modes (0x80004001). With
 * OMBRITH_PRESENT_LOG set to a file, it writes a line for every frame the
 * program shows, either way: every successful Flip of a DirectDraw surface,
 * and every StretchDIBits the program calls (its import of it is redirected
 * here when the double is loaded). Each line is the microseconds since the
 * first one, so a test counts from outside how often the program presents. */
#include <windows.h>

#include <ddraw.h>
#include <stdlib.h>
#include <string.h>

typedef HRESULT(WINAPI* CreateProc)(GUID*, LPDIRECTDRAW*, IUnknown*);
typedef HRESULT(STDMETHODCALLTYPE* SetModeProc)(IDirectDraw*, DWORD, DWORD, DWORD);
typedef HRESULT(STDMETHODCALLTYPE* CreateSurfaceProc)(IDirectDraw*, LPDDSURFACEDESC,
                                                      LPDIRECTDRAWSURFACE*, IUnknown*);
typedef HRESULT(STDMETHODCALLTYPE* FlipProc)(IDirectDrawSurface*, IDirectDrawSurface*, DWORD);
typedef int(WINAPI* StretchProc)(HDC, int, int, int, int, int, int, int, int, const VOID*,
                                 const BITMAPINFO*, UINT, DWORD);

static SetModeProc system_set_mode;
static CreateSurfaceProc system_create_surface;
static FlipProc system_flip;
static StretchProc system_stretch;

static HANDLE present_log = INVALID_HANDLE_VALUE;
static LARGE_INTEGER first_present;

static void note_present(void) {
    char line[32];
    char digits[24];
    LARGE_INTEGER now, frequency;
    long long us;
    int n = 0, k = 0;
    DWORD written;
    if (present_log == INVALID_HANDLE_VALUE) return;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    if (first_present.QuadPart == 0) first_present = now;
    us = (now.QuadPart - first_present.QuadPart) * 1000000 / frequency.QuadPart;
    do {
        digits[k++] = (char)('0' + us % 10);
        us /= 10;
    } while (us > 0);
    while (k > 0) line[n++] = digits[--k];
    line[n++] = '\n';
    WriteFile(present_log, line, (DWORD)n, &written, NULL);
}

static BOOL refused(DWORD width, DWORD height) {
    char size[32];
    const char* refuse = getenv("OMBRITH_DDRAW_REFUSE");
    if (refuse == NULL) return FALSE;
    if (strcmp(refuse, "all") == 0) return TRUE;
    wsprintfA(size, "%lux%lu", (unsigned long)width, (unsigned long)height);
    return strcmp(refuse, size) == 0;
}

static HRESULT STDMETHODCALLTYPE set_mode(IDirectDraw* self, DWORD width, DWORD height,
                                          DWORD bits) {
    if (refused(width, height)) return (HRESULT)0x80004001L;
    return system_set_mode(self, width, height, bits);
}

static HRESULT STDMETHODCALLTYPE flip(IDirectDrawSurface* self, IDirectDrawSurface* target,
                                      DWORD flags) {
    HRESULT result = system_flip(self, target, flags);
    if (SUCCEEDED(result)) note_present();
    return result;
}

static int WINAPI stretch(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                          const VOID* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
    int lines = system_stretch(dc, x, y, w, h, sx, sy, sw, sh, bits, info, usage, rop);
    if (lines != 0) note_present();
    return lines;
}

/* Replaces one entry of a method table in place (the table is the system
 * DirectDraw's own, shared by every object of its kind). */
static void replace_entry(void** entry, void* procedure, void** original) {
    DWORD protection;
    if (*original != NULL) return;
    *original = *entry;
    VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection);
    *entry = procedure;
    VirtualProtect(entry, sizeof *entry, protection, &protection);
}

static HRESULT STDMETHODCALLTYPE create_surface(IDirectDraw* self, LPDDSURFACEDESC desc,
                                                LPDIRECTDRAWSURFACE* surface, IUnknown* outer) {
    HRESULT result = system_create_surface(self, desc, surface, outer);
    if (SUCCEEDED(result) && *surface != NULL) {
        replace_entry((void**)&(*surface)->lpVtbl->Flip, (void*)flip, (void**)&system_flip);
    }
    return result;
}

__declspec(dllexport) HRESULT WINAPI DirectDrawCreate(GUID* guid, LPDIRECTDRAW* object,
                                                      IUnknown* outer) {
    char path[MAX_PATH];
    HMODULE system;
    CreateProc create;
    HRESULT result;
    UINT length = GetSystemDirectoryA(path, MAX_PATH - 12);
    if (length == 0 || length >= MAX_PATH - 12) return E_FAIL;
    lstrcatA(path, "\\ddraw.dll");
    system = LoadLibraryA(path);
    if (system == NULL) return E_FAIL;
    create = (CreateProc)(void*)GetProcAddress(system, "DirectDrawCreate");
    if (create == NULL) return E_FAIL;
    result = create(guid, object, outer);
    if (SUCCEEDED(result) && *object != NULL) {
        replace_entry((void**)&(*object)->lpVtbl->SetDisplayMode, (void*)set_mode,
                      (void**)&system_set_mode);
        replace_entry((void**)&(*object)->lpVtbl->CreateSurface, (void*)create_surface,
                      (void**)&system_create_surface);
    }
    return result;
}

/* Points the program's import of gdi32's StretchDIBits here. */
static void redirect_stretch(void) {
    BYTE* base = (BYTE*)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    IMAGE_IMPORT_DESCRIPTOR* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + imports.VirtualAddress);
    if (imports.VirtualAddress == 0) return;
    for (; d->Name != 0; ++d) {
        IMAGE_THUNK_DATA* names = (IMAGE_THUNK_DATA*)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
        if (lstrcmpiA((const char*)(base + d->Name), "gdi32.dll") != 0) continue;
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            IMAGE_IMPORT_BY_NAME* name;
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            name = (IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData);
            if (strcmp((const char*)name->Name, "StretchDIBits") == 0) {
                replace_entry((void**)&slots->u1.Function, (void*)stretch, (void**)&system_stretch);
            }
        }
    }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    HMODULE self;
    const char* log;
    (void)instance;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    /* Stays loaded after the program frees it: the tables point here. */
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       (LPCSTR)(void*)DirectDrawCreate, &self);
    log = getenv("OMBRITH_PRESENT_LOG");
    if (log != NULL && log[0] != '\0') {
        present_log = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    }
    redirect_stretch();
    return TRUE;
}
