// Presenting frames and handling the window's messages over the scripted
// platform.
#include <cstring>
#include <string>
#include <vector>

#include "tests/doubles/window_fixture.h"

namespace {

constexpr int32_t kW = 7;
constexpr int32_t kH = 5;

std::vector<uint32_t> test_frame() {
    std::vector<uint32_t> frame(kW * kH);
    for (int32_t i = 0; i < kW * kH; ++i) frame[i] = 0xAB000000u + static_cast<uint32_t>(i) * 0x010307u;
    return frame;
}

std::vector<std::string> log_from(size_t first) {
    return {fake_platform.log.begin() + static_cast<std::ptrdiff_t>(first), fake_platform.log.end()};
}

TEST_F(WindowTest, UpdateConvertsEveryRowAtThePitchAndLeavesTheBytesBetweenRows) {
    fake_platform.script.pitch = kW * 4 + 12;
    ASSERT_EQ(window_open("t", kW, kH), 1);
    const std::vector<uint32_t> frame = test_frame();
    const size_t before = fake_platform.log.size();
    EXPECT_EQ(window_update(frame.data()), 1);

    EXPECT_EQ(log_from(before), (std::vector<std::string>{"restore", "lock back 0x1", "unlock locked",
                                                          "flip primary 0x28"}));
    EXPECT_EQ(recorded_platform_sleeps, std::vector<uint32_t>{0});
    const uint8_t* memory = fake_platform.back_memory.data();
    for (int32_t y = 0; y < kH; ++y) {
        EXPECT_EQ(std::memcmp(memory + y * fake_platform.back_pitch, frame.data() + y * kW, kW * 4), 0)
            << "row " << y;
        for (int32_t b = kW * 4; b < fake_platform.back_pitch; ++b) {
            ASSERT_EQ(memory[y * fake_platform.back_pitch + b], 0xEE) << "row " << y << " byte " << b;
        }
    }
    for (int32_t b = 0; b < fake_platform.back_pitch; ++b) {
        ASSERT_EQ(memory[kH * fake_platform.back_pitch + b], 0xEE) << "past the last row";
    }
}

TEST_F(WindowTest, UpdateWritesTheDisplaysLayoutAt16Bits) {
    fake_platform.script.depths = {16};
    fake_platform.script.format = {kPixelFormatRgb, 16, 0xF800, 0x07E0, 0x001F};
    fake_platform.script.pitch = kW * 2 + 2;
    ASSERT_EQ(window_open("t", kW, kH), 1);
    std::vector<uint32_t> frame(kW * kH, 0x00FF8040u);
    ASSERT_EQ(window_update(frame.data()), 1);
    const uint8_t* memory = fake_platform.back_memory.data();
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
            uint16_t pixel;
            std::memcpy(&pixel, memory + y * fake_platform.back_pitch + x * 2, 2);
            ASSERT_EQ(pixel, (0x1F << 11) | (0x20 << 5) | 0x08);
        }
        EXPECT_EQ(memory[y * fake_platform.back_pitch + kW * 2], 0xEE);
    }
}

TEST_F(WindowTest, InactiveUpdateDrawsNothingAndYieldsOneMillisecond) {
    ASSERT_EQ(window_open("t", kW, kH), 1);
    fake_post(kMessageActivateApp, 0, 0);
    const size_t before = fake_platform.log.size();
    const std::vector<uint32_t> frame = test_frame();
    EXPECT_EQ(window_update(frame.data()), 1);
    EXPECT_EQ(display_active, 0);
    EXPECT_EQ(log_from(before), std::vector<std::string>{"dispatch 0x1c"});
    EXPECT_EQ(recorded_platform_sleeps, std::vector<uint32_t>{1});

    // Any nonzero parameter makes it active again.
    fake_post(kMessageActivateApp, 2, 0);
    EXPECT_EQ(window_update(frame.data()), 1);
    EXPECT_EQ(display_active, 2);
    EXPECT_EQ(fake_log_count("flip"), 1);
}

TEST_F(WindowTest, FailedLockDropsTheFrameAndTheNextUpdateRestoresAndTriesAgain) {
    ASSERT_EQ(window_open("t", kW, kH), 1);
    fake_platform.script.lock_failures = 1;
    const std::vector<uint32_t> frame = test_frame();
    size_t before = fake_platform.log.size();
    EXPECT_EQ(window_update(frame.data()), 0);
    EXPECT_EQ(log_from(before), (std::vector<std::string>{"restore", "lock back 0x1"}));
    EXPECT_TRUE(recorded_platform_sleeps.empty());

    before = fake_platform.log.size();
    EXPECT_EQ(window_update(frame.data()), 1);
    EXPECT_EQ(log_from(before), (std::vector<std::string>{"restore", "lock back 0x1", "unlock locked",
                                                          "flip primary 0x28"}));
}

TEST_F(WindowTest, WindowProcedureHidesThePointerAndPassesOtherMessagesOn) {
    ASSERT_EQ(window_open("t", kW, kH), 1);
    EXPECT_EQ(window_message_proc(window_handle, kMessageSetCursor, 0, 1), 0);
    EXPECT_TRUE(fake_platform.cursor_hidden);
    const size_t before = fake_platform.log.size();
    window_message_proc(window_handle, 0x000F /* paint */, 0, 0);
    window_message_proc(window_handle, kMessageSysKeyDown, 0x73, 0);
    EXPECT_EQ(log_from(before), (std::vector<std::string>{"default_window_proc 0xf",
                                                          "default_window_proc 0x104"}));
    EXPECT_EQ(window_keyhit(), 0) << "only key-down messages queue keys";
}

TEST_F(WindowTest, ClosingTheWindowReadsAsEscapeEvenWhileInactive) {
    ASSERT_EQ(window_open("t", kW, kH), 1);
    fake_post(kMessageActivateApp, 0, 0);
    fake_post(kMessageClose, 0, 0);
    const std::vector<uint32_t> frame = test_frame();
    EXPECT_EQ(window_update(frame.data()), 1);
    EXPECT_EQ(fake_log_count("default_window_proc"), 0) << "the close is not left to the system";
    EXPECT_EQ(fake_log_count("destroy_window"), 0);
    EXPECT_EQ(rt_str_compare(rt_inkey(), -1, "\x1b", 2), 0);
}

TEST_F(WindowTest, KeysPressedWhileInactiveAreDropped) {
    ASSERT_EQ(window_open("t", kW, kH), 1);
    const std::vector<uint32_t> frame = test_frame();
    fake_post(kMessageActivateApp, 0, 0);
    fake_post(kMessageKeyDown, 'A', 0x1E << 16);
    fake_post(kMessageActivateApp, 1, 0);
    window_update(frame.data());
    EXPECT_EQ(window_keyhit(), 0);
    fake_post(kMessageKeyDown, 'B', 0x30 << 16);
    window_update(frame.data());
    EXPECT_EQ(key_ring_get(), 'b');
}

}  // namespace
