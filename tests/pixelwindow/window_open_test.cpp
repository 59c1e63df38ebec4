// Opening and closing the window over the scripted platform.
#include <string>
#include <vector>

#include "tests/doubles/window_fixture.h"

namespace {

constexpr const char* kTitle = "Ombrith by Talvane";

void sentinel_sleep(int32_t) {}

TEST_F(WindowTest, OpenTakesTheDisplayStepByStepAndInstallsTheKeyFeed) {
    key_input_hooks.sleep_hook = sentinel_sleep;
    ASSERT_EQ(window_open(kTitle, 320, 240), 1);
    const std::vector<std::string> expected = {
        "load_library ddraw.dll",
        "find_entry DirectDrawCreate",
        "create",
        "register_class Ombrith by Talvane style=0",
        "create_window 0 Ombrith by Talvane Ombrith by Talvane 0x80000000 0 0 0 0 0",
        "set_cooperative_level window 0x11",
        "set_display_mode 320 240 32",
        "create_surface flags=0x21 count=2 caps=0x4218",
        "get_attached_surface 0x4",
        "get_pixel_format",
        "system_parameters_info 16 0 ptr 0",
        "system_parameters_info 17 0 null 0",
    };
    EXPECT_EQ(fake_platform.log, expected);
    EXPECT_EQ(window_width, 320);
    EXPECT_EQ(window_height, 240);
    EXPECT_EQ(row_converter, choose_converter(32, 0xFF0000, 0x00FF00, 0x0000FF));
    EXPECT_EQ(key_input_hooks.inkey_hook, window_inkey);
    EXPECT_EQ(key_input_hooks.getkey_hook, window_getkey);
    EXPECT_EQ(key_input_hooks.keyhit_hook, window_keyhit);
    EXPECT_EQ(key_input_hooks.sleep_hook, sentinel_sleep);
    EXPECT_EQ(fake_platform.screen_saver_active, 0);

    fake_platform.log.clear();
    window_close();
    const std::vector<std::string> closing = {
        "release_surface primary",
        "restore_display_mode",
        "set_cooperative_level window 0x8",
        "release_object",
        "destroy_window window",
        "free_library set",
        "system_parameters_info 17 1 null 0",
    };
    EXPECT_EQ(fake_platform.log, closing);
    EXPECT_EQ(key_input_hooks.inkey_hook, nullptr);
    EXPECT_EQ(key_input_hooks.getkey_hook, nullptr);
    EXPECT_EQ(key_input_hooks.keyhit_hook, nullptr);
    EXPECT_EQ(key_input_hooks.sleep_hook, sentinel_sleep);
    EXPECT_EQ(fake_platform.screen_saver_active, 1);
}

struct OpenFailure {
    const char* name;
    void (*script)(FakePlatformScript&);
    const char* last_call;
    bool module, object, primary;
};

const OpenFailure kFailures[] = {
    {"library", [](FakePlatformScript& s) { s.load_fails = true; }, "load_library ddraw.dll", false,
     false, false},
    {"entry", [](FakePlatformScript& s) { s.entry_missing = true; }, "find_entry DirectDrawCreate",
     true, false, false},
    {"create", [](FakePlatformScript& s) { s.create_fails = true; }, "create", true, false, false},
    {"exclusive", [](FakePlatformScript& s) { s.exclusive_refused = true; },
     "set_cooperative_level window 0x11", true, true, false},
    {"depth", [](FakePlatformScript& s) { s.depths = {15, 8}; }, "set_display_mode 320 240 16", true,
     true, false},
    {"surface", [](FakePlatformScript& s) { s.chains = {}; },
     "create_surface flags=0x1 count=0 caps=0x4200", true, true, false},
    {"lone primary", [](FakePlatformScript& s) { s.chains = {0}; }, "get_attached_surface 0x4", true,
     true, true},
    {"back buffer", [](FakePlatformScript& s) { s.attach_fails = true; }, "get_attached_surface 0x4",
     true, true, true},
    {"pixel format", [](FakePlatformScript& s) { s.pixel_format_fails = true; }, "get_pixel_format",
     true, true, true},
    {"palette", [](FakePlatformScript& s) { s.format = {0x20, 8, 0, 0, 0}; }, "get_pixel_format",
     true, true, true},
    {"no converter", [](FakePlatformScript& s) { s.format = {kPixelFormatRgb, 16, 0xF000, 0x0F00, 0xFF}; },
     "get_pixel_format", true, true, true},
};

TEST_F(WindowTest, EachOpenFailureStopsAtItsStepKeepsWhatWasTakenAndCloseReleasesIt) {
    for (const OpenFailure& f : kFailures) {
        SCOPED_TRACE(f.name);
        SetUp();
        f.script(fake_platform.script);
        EXPECT_EQ(window_open(kTitle, 320, 240), 0);
        ASSERT_FALSE(fake_platform.log.empty());
        EXPECT_EQ(fake_platform.log.back(), f.last_call);
        EXPECT_EQ(ddraw_module != nullptr, f.module);
        EXPECT_EQ(ddraw_object != nullptr, f.object);
        EXPECT_EQ(primary_surface != nullptr, f.primary);
        EXPECT_EQ(window_handle != nullptr, f.object);
        EXPECT_EQ(fake_log_count("release"), 0) << "nothing is released by a failed open";
        EXPECT_EQ(fake_log_count("system_parameters_info"), 0);
        EXPECT_EQ(key_input_hooks.inkey_hook, nullptr);

        fake_platform.log.clear();
        window_close();
        EXPECT_EQ(fake_log_count("release_surface primary"), f.primary ? 1 : 0);
        EXPECT_EQ(fake_log_count("restore_display_mode"), f.object ? 1 : 0);
        EXPECT_EQ(fake_log_count("release_object"), f.object ? 1 : 0);
        EXPECT_EQ(fake_log_count("destroy_window"), 1);
        EXPECT_EQ(fake_log_count(f.object ? "destroy_window window" : "destroy_window null"), 1);
        EXPECT_EQ(fake_log_count("free_library"), f.module ? 1 : 0);
        // The screen saver was never switched off, so closing leaves it be.
        EXPECT_EQ(fake_log_count("system_parameters_info"), 0);
        EXPECT_EQ(fake_platform.screen_saver_active, 1);
        EXPECT_EQ(ddraw_module, nullptr);
        EXPECT_EQ(ddraw_object, nullptr);
        EXPECT_EQ(primary_surface, nullptr);
    }
}

// Where the platform has a second way to show a frame: a display that gives
// the mode keeps the first; one refusing any step has what it took released
// in window_close's order, and the second opens in its place and serves from
// then on; when the second refuses too, the open fails and close releases it.
TEST_F(WindowTest, ARefusedStepReleasesTheFirstWayAndOpensTheFallback) {
    fake_platform_offer_fallback();
    ASSERT_EQ(window_open(kTitle, 320, 240), 1);
    EXPECT_EQ(fake_log_count("fallback"), 0);
    EXPECT_EQ(platform_display, &fake_display);

    for (const OpenFailure& f : kFailures) {
        SCOPED_TRACE(f.name);
        SetUp();
        fake_platform_offer_fallback();
        f.script(fake_platform.script);
        ASSERT_EQ(window_open(kTitle, 320, 240), 1);
        std::vector<std::string> released;
        bool refused = false;
        for (const std::string& line : fake_platform.log) {
            if (refused && line.rfind("fallback", 0) != 0) released.push_back(line);
            refused = refused || line == f.last_call;
        }
        std::vector<std::string> expected;
        if (f.primary) expected.push_back("release_surface primary");
        if (f.object) {
            expected.insert(expected.end(), {"restore_display_mode",
                                             "set_cooperative_level window 0x8", "release_object"});
        }
        expected.push_back(f.object ? "destroy_window window" : "destroy_window null");
        if (f.module) expected.push_back("free_library set");
        EXPECT_EQ(released, expected);
        EXPECT_EQ(fake_platform.log.back(), "fallback system_parameters_info 17 0 null 0");
        EXPECT_EQ(fake_log_count("fallback set_display_mode 320 240 32"), 1);
        EXPECT_EQ(platform_display, &fake_fallback_display);
        EXPECT_EQ(platform_window_system, &fake_fallback_window_system);
        EXPECT_EQ(key_input_hooks.inkey_hook, window_inkey);

        fake_platform.log.clear();
        fake_post(kMessageSetCursor, 0, kHitClient);
        const std::vector<uint32_t> frame(320 * 240, 0x123456);
        EXPECT_EQ(window_update(frame.data()), 1);
        window_close();
        for (const std::string& line : fake_platform.log) {
            EXPECT_EQ(line.rfind("fallback", 0), 0u) << line;
        }
        EXPECT_EQ(fake_log_count("fallback flip primary"), 1);
        EXPECT_EQ(fake_log_count("fallback free_library set"), 1);
        EXPECT_EQ(fake_platform.screen_saver_active, 1);
    }

    SetUp();
    fake_platform_offer_fallback();
    fake_platform.script.depths = {};
    fake_platform.fallback_script.chains = {0};
    EXPECT_EQ(window_open(kTitle, 320, 240), 0);
    EXPECT_EQ(fake_platform.log.back(), "fallback get_attached_surface 0x4");
    EXPECT_EQ(fake_log_count("fallback create_window"), 1) << "the second way is tried once";
    fake_platform.log.clear();
    window_close();
    EXPECT_EQ(fake_log_count("fallback release_surface primary"), 1);
    EXPECT_EQ(fake_log_count("fallback free_library set"), 1);
    EXPECT_EQ(fake_platform.log.size(), static_cast<size_t>(fake_log_count("fallback")));
}

TEST_F(WindowTest, DepthFallsBackFrom32To24To16AndTheConverterFollowsTheMode) {
    fake_platform.script.depths = {16};
    fake_platform.script.format = {kPixelFormatRgb, 16, 0xF800, 0x07E0, 0x001F};
    ASSERT_EQ(window_open(kTitle, 640, 480), 1);
    EXPECT_EQ(fake_log_count("set_display_mode 640 480 32"), 1);
    EXPECT_EQ(fake_log_count("set_display_mode 640 480 24"), 1);
    EXPECT_EQ(fake_log_count("set_display_mode 640 480 16"), 1);
    EXPECT_EQ(row_converter, choose_converter(16, 0xF800, 0x07E0, 0x001F));
    EXPECT_NE(row_converter, nullptr);

    SetUp();
    fake_platform.script.depths = {24, 16};
    fake_platform.script.format = {kPixelFormatRgb, 24, 0xFF0000, 0x00FF00, 0x0000FF};
    ASSERT_EQ(window_open(kTitle, 320, 240), 1);
    EXPECT_EQ(fake_log_count("set_display_mode"), 2) << "the first accepted depth is kept";
    EXPECT_EQ(row_converter, choose_converter(24, 0xFF0000, 0x00FF00, 0x0000FF));
}

TEST_F(WindowTest, SurfaceDescriptionsAreTriedTripleThenDoubleThenSingle) {
    fake_platform.script.chains = {1};
    ASSERT_EQ(window_open(kTitle, 320, 240), 1);
    std::vector<std::string> tried;
    for (const std::string& line : fake_platform.log) {
        if (line.rfind("create_surface", 0) == 0) tried.push_back(line);
    }
    EXPECT_EQ(tried, (std::vector<std::string>{"create_surface flags=0x21 count=2 caps=0x4218",
                                              "create_surface flags=0x21 count=1 caps=0x4218"}));
}

TEST_F(WindowTest, CloseRestoresTheScreenSaverStateFoundAtOpen) {
    // Off before the demo: it stays off afterwards.
    fake_platform.screen_saver_active = 0;
    ASSERT_EQ(window_open(kTitle, 320, 240), 1);
    EXPECT_EQ(fake_platform.screen_saver_active, 0);
    window_close();
    EXPECT_EQ(fake_platform.screen_saver_active, 0);
    EXPECT_EQ(fake_log_count("system_parameters_info 17 0"), 2);
    EXPECT_EQ(fake_log_count("system_parameters_info 17 1"), 0);

    // A state that cannot be read is taken as on.
    SetUp();
    fake_platform.script.screen_saver_unreadable = true;
    ASSERT_EQ(window_open(kTitle, 320, 240), 1);
    window_close();
    EXPECT_EQ(fake_platform.screen_saver_active, 1);

    // A second close does not touch it again.
    fake_platform.log.clear();
    window_close();
    EXPECT_EQ(fake_log_count("system_parameters_info"), 0);
}

}  // namespace
