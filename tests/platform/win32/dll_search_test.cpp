// DirectDraw is loaded with the current directory out of the DLL search: a
// library planted there is not picked up, while the system's is.
#include <windows.h>

#include <cctype>
#include <string>

#include <gtest/gtest.h>

#include "platform/display.h"

namespace {

// The stand-in DLL built beside the tests, as a Windows path (Wine shows the
// Unix file system as drive Z:).
std::string stand_in_dll() {
    std::string path = "Z:" OMBRITH_FAKE_DDRAW_PATH;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class CurrentDirectoryDll : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        folder = std::string(temp) + "ombrith-dll-search-" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
        ASSERT_TRUE(CopyFileA(stand_in_dll().c_str(), (folder + "\\ombrith-probe.dll").c_str(), FALSE))
            << stand_in_dll();
        ASSERT_TRUE(CopyFileA(stand_in_dll().c_str(), (folder + "\\ddraw.dll").c_str(), FALSE));
        GetCurrentDirectoryA(MAX_PATH, previous);
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    }
    void TearDown() override {
        SetDllDirectoryA(nullptr);
        SetCurrentDirectoryA(previous);
        DeleteFileA((folder + "\\ombrith-probe.dll").c_str());
        DeleteFileA((folder + "\\ddraw.dll").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    std::string folder;
    char previous[MAX_PATH] = {};
};

TEST_F(CurrentDirectoryDll, IsNotLoadedOnceTheDisplayLoadsItsLibrary) {
    // With the default search the current directory serves: the stand-in
    // there is found.
    SetDllDirectoryA(nullptr);
    HMODULE found = LoadLibraryA("ombrith-probe.dll");
    ASSERT_NE(found, nullptr) << "the default search does not include the current directory";
    FreeLibrary(found);

    // The display's loader takes the current directory out of the search.
    PlatformHandle probe = platform_native_display.load_library("ombrith-probe.dll");
    EXPECT_EQ(probe, nullptr);
    if (probe != nullptr) platform_native_display.free_library(probe);

    // And "ddraw.dll" comes from the system, not from the current directory.
    PlatformHandle ddraw = platform_native_display.load_library("ddraw.dll");
    ASSERT_NE(ddraw, nullptr);
    char name[MAX_PATH] = {};
    GetModuleFileNameA(static_cast<HMODULE>(ddraw), name, MAX_PATH);
    EXPECT_EQ(lower(name).find(lower(folder)), std::string::npos) << name;
    EXPECT_NE(platform_native_display.find_entry(ddraw, "DirectDrawCreate"), nullptr);
    platform_native_display.free_library(ddraw);
}

}  // namespace
