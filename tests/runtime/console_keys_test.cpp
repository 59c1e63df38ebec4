// The console key path: translation, Alt + keypad entry, the queue, sleeping,
// the hooks in front of it and the control handler.
#include <gtest/gtest.h>

#include "runtime/console_keys.h"
#include "runtime/key_input.h"
#include "runtime/startup.h"
#include "tests/doubles/fake_console.h"

namespace {

constexpr uint32_t kLeftAlt = kLeftAltPressed;
constexpr uint32_t kLeftCtrl = kLeftCtrlPressed;
constexpr uint32_t kShift = kShiftPressed;

class ConsoleKeys : public ::testing::Test {
protected:
    void SetUp() override {
        fake_tables_install();
        rt_init(0, nullptr);
        in_use_before = rt_temp_in_use();
    }
    void TearDown() override {
        key_input_hooks = {nullptr, nullptr, nullptr, nullptr};
        fake_tables_restore();
        EXPECT_EQ(rt_temp_in_use(), in_use_before) << "a temporary was not released";
    }

    // Reads all queued codes without the pump's help.
    std::vector<int32_t> drain() {
        std::vector<int32_t> codes;
        for (int32_t k = console_read_key(1); k != -1; k = console_read_key(1)) codes.push_back(k);
        return codes;
    }

    // The bytes of the next KeyString, released afterwards.
    std::vector<int> inkey_bytes() {
        KeyString* key = rt_inkey();
        std::vector<int> bytes;
        for (uint32_t i = 0; i < (key->length & kLengthMask); ++i) {
            bytes.push_back(static_cast<uint8_t>(key->data[i]));
        }
        if (key == &rt_empty_string) {
            EXPECT_EQ(key->data, nullptr);
        } else {
            EXPECT_NE(key->length & kTemporaryFlag, 0u);
            EXPECT_EQ(key->data[key->length & kLengthMask], 0);
            EXPECT_EQ(rt_temp_release(key), 0);
        }
        return bytes;
    }

    int32_t in_use_before = 0;
};

using Bytes = std::vector<int>;

TEST_F(ConsoleKeys, TranslatesOrdinaryAndSpecialKeys) {
    EXPECT_EQ(console_translate_key(27, 0x01, 0x1B, 0), 27);            // Escape
    EXPECT_EQ(console_translate_key('a', 0x1E, 0x41, 0), 'a');
    EXPECT_EQ(console_translate_key('A', 0x1E, 0x41, kShift), 'A');
    EXPECT_EQ(console_translate_key(0, 0x3B, 0x70, 0), 0x3BFF);         // F1
    EXPECT_EQ(console_translate_key(0, 0x3B, 0x70, kShift), 0x54FF);
    EXPECT_EQ(console_translate_key(0, 0x44, 0x79, kLeftCtrl), 0x67FF);  // Ctrl+F10
    EXPECT_EQ(console_translate_key(0, 0x58, 0x7B, kLeftAlt), 0x8CFF);   // Alt+F12
    EXPECT_EQ(console_translate_key(0, 0x48, 0x26, kEnhancedKey), 0x48FF);  // grey Up
    EXPECT_EQ(console_translate_key(0, 0x48, 0x26, 0), 0x48FF);          // keypad 8
    EXPECT_EQ(console_translate_key('8', 0x48, 0x68, 0), '8');           // Num Lock on
    EXPECT_EQ(console_translate_key('7', 0x08, 0x37, kLeftAlt), 0x7EFF);
    EXPECT_EQ(console_translate_key('x', 0x2D, 0x58, kLeftAlt), 0x2DFF);  // Alt+x
    EXPECT_EQ(console_translate_key('X', 0x2D, 0x58, kRightAltPressed | 0), 0x2DFF);
    EXPECT_EQ(console_translate_key(9, 0x0F, 0x09, kShift), 0x0FFF);     // Shift+Tab
    EXPECT_EQ(console_translate_key(9, 0x0F, 0x09, 0), 9);
    EXPECT_EQ(console_translate_key(13, 0x1C, 0x0D, kEnhancedKey), 13);  // keypad Enter
    // Ctrl+2: the cell holds an extended code, but character 0 is neither
    // the key's plain character nor its case-swapped form.
    EXPECT_EQ(console_translate_key(0, 0x03, 0x32, kLeftCtrl), -1);
    // Ctrl+letter reports the control character, which the table passes.
    EXPECT_EQ(console_translate_key(0x01, 0x1E, 0x41, kLeftCtrl), 1);
    // A modifier without an extended code in its cell and no character.
    EXPECT_EQ(console_translate_key(0, 0x2A, 0x10, kShift), -1);
    // Scan codes past the table and unknown enhanced keys.
    EXPECT_EQ(console_translate_key('z', 0x70, 0x5A, kLeftAlt), 'z');
    EXPECT_EQ(console_translate_key(0, 0x70, 0, 0), -1);
    EXPECT_EQ(console_translate_key(0, 0x1D, 0x11, kEnhancedKey | kLeftCtrl), -1);
}

TEST_F(ConsoleKeys, EnhancedKeysTakeAltBeforeCtrlBeforeShift) {
    EXPECT_EQ(console_translate_key(0, 0x53, 0x2E, kEnhancedKey | kShift), 0x53FF);
    EXPECT_EQ(console_translate_key(0, 0x53, 0x2E, kEnhancedKey | kLeftCtrl | kShift), 0x93FF);
    EXPECT_EQ(console_translate_key(0, 0x53, 0x2E, kEnhancedKey | kLeftAlt | kLeftCtrl), 0xA3FF);
    EXPECT_EQ(console_translate_key(0, 0x1C, 0x0D, kEnhancedKey | kLeftCtrl), 0x0A);
    EXPECT_EQ(console_translate_key(0, 0x1C, 0x0D, kEnhancedKey | kRightAltPressed), 0xA6FF);
    EXPECT_EQ(console_translate_key(0, 0x35, 0x6F, kEnhancedKey | kShift), 0x3F);
    EXPECT_EQ(console_translate_key(0, 0x35, 0x6F, kEnhancedKey | kLeftCtrl), 0x95FF);
}

TEST_F(ConsoleKeys, InkeyMakesKeyStrings) {
    EXPECT_EQ(inkey_bytes(), Bytes{});
    fake_press(27, 0x01, 0x1B);
    fake_press(0, 0x3B, 0x70);
    fake_press(0, 0x48, 0x26, kEnhancedKey);
    fake_press(0xE9, 0x00, 0x00);
    EXPECT_EQ(inkey_bytes(), Bytes{27});
    EXPECT_EQ(inkey_bytes(), (Bytes{255, 0x3B}));
    EXPECT_EQ(inkey_bytes(), (Bytes{255, 0x48}));
    EXPECT_EQ(inkey_bytes(), Bytes{0xE9});
    EXPECT_EQ(inkey_bytes(), Bytes{});
}

TEST_F(ConsoleKeys, PumpIgnoresRepeatZeroReleasesAndOtherRecords) {
    fake_key(true, 'a', 0x1E, 0x41, 0, 0);
    fake_other_record(kConsoleMouseEvent);
    fake_other_record(kConsoleFocusEvent);
    fake_key(false, 'b', 0x30, 0x42, 0);
    fake_key(true, 'c', 0x2E, 0x43, 0, 3);
    EXPECT_EQ(drain(), std::vector<int32_t>{'c'});
    EXPECT_EQ(fake_console.next, fake_console.records.size());
}

TEST_F(ConsoleKeys, AltKeypadEntryComposesACharacter) {
    // Alt + keypad 6 6, then Alt released.
    fake_key(true, 0, 0x4D, 0x66, kLeftAlt);
    fake_key(false, 0, 0x4D, 0x66, kLeftAlt);
    fake_key(true, 0, 0x4D, 0x66, kLeftAlt);
    fake_key(false, 0, 0x4D, 0x66, kLeftAlt);
    fake_key(false, 0, 0x38, 0x12, 0);
    EXPECT_EQ(drain(), std::vector<int32_t>{66});

    // Alt + keypad 7 6 8 gives 768 modulo 256 = 0, a one-byte string.
    for (auto [scan, vk] : {std::pair{0x47, 0x67}, {0x4D, 0x66}, {0x48, 0x68}}) {
        fake_key(true, 0, static_cast<uint16_t>(scan), static_cast<uint16_t>(vk), kLeftAlt);
    }
    fake_key(false, 0, 0x38, 0x12, 0);
    EXPECT_EQ(inkey_bytes(), Bytes{0});
    EXPECT_EQ(inkey_bytes(), Bytes{});
}

TEST_F(ConsoleKeys, AltKeypadEntrySpanningPumpsAndInterrupted) {
    fake_key(true, 0, 0x4F, 0x61, kLeftAlt);  // keypad 1
    EXPECT_EQ(drain(), std::vector<int32_t>{});
    fake_key(true, 0, 0x50, 0x62, kLeftAlt);  // keypad 2, a later pump
    fake_key(false, 0, 0x38, 0x12, 0);
    EXPECT_EQ(drain(), std::vector<int32_t>{12});

    // A key with a code, without Alt-only, discards the partial entry.
    fake_key(true, 0, 0x4F, 0x61, kLeftAlt);
    fake_key(true, 'q', 0x10, 0x51, 0);
    fake_key(false, 'q', 0x10, 0x51, 0);
    fake_key(false, 0, 0x38, 0x12, 0);
    EXPECT_EQ(drain(), std::vector<int32_t>{'q'});

    // A key without a code and without Alt completes it.
    fake_key(true, 0, 0x50, 0x62, kLeftAlt);
    fake_key(true, 0, 0x2A, 0x10, kShift | kLeftAlt);
    EXPECT_EQ(drain(), std::vector<int32_t>{2});

    // Alt with Ctrl is not Alt-only: that keypad digit does not count.
    fake_key(true, 0, 0x4F, 0x61, kLeftAlt | kLeftCtrl);
    fake_key(true, 0, 0x4C, 0x65, kLeftAlt);
    fake_key(false, 0, 0x38, 0x12, 0);
    EXPECT_EQ(drain(), std::vector<int32_t>{5});
}

TEST_F(ConsoleKeys, LongAltKeypadEntryWrapsToAByte) {
    // Far more digits than 32 bits hold: the result stays a byte.
    for (int i = 0; i < 40; ++i) fake_key(true, 0, 0x49, 0x69, kLeftAlt);  // keypad 9
    fake_key(false, 0, 0x38, 0x12, 0);
    const std::vector<int32_t> codes = drain();
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_GE(codes[0], 0);
    EXPECT_LE(codes[0], 255);
}

TEST_F(ConsoleKeys, QueueHolds511AndDropsTheOldest) {
    for (int32_t i = 0; i < 511; ++i) console_post_key(1000 + i);
    EXPECT_EQ(console_queued(), 511);
    console_post_key(2000);
    EXPECT_EQ(console_queued(), 511);
    std::vector<int32_t> codes = drain();
    ASSERT_EQ(codes.size(), 511u);
    EXPECT_EQ(codes.front(), 1001);
    EXPECT_EQ(codes[509], 1510);
    EXPECT_EQ(codes.back(), 2000);
}

TEST_F(ConsoleKeys, KeyhitPeeksAndKeyPostedClears) {
    EXPECT_EQ(rt_keyhit(), 0);
    fake_press('k', 0x25, 0x4B);
    EXPECT_EQ(rt_keyhit(), 1);
    EXPECT_EQ(rt_keyhit(), 1);
    // The peek left the flag set: a long sleep ends at its first check.
    rt_sleep(1000);
    EXPECT_TRUE(fake_process.sleeps.empty());
    EXPECT_EQ(console_key_posted(), 0);
    EXPECT_EQ(rt_getkey(), 'k');
}

TEST_F(ConsoleKeys, SleepCases) {
    console_sleep(99);
    EXPECT_EQ(fake_process.sleeps, std::vector<uint32_t>{99});
    EXPECT_EQ(fake_console.peeks, 0) << "a short sleep does not look at the keyboard";

    fake_process.sleeps.clear();
    console_sleep(100);
    EXPECT_EQ(fake_process.sleeps, (std::vector<uint32_t>{50, 50}));
    EXPECT_EQ(fake_console.peeks, 1);

    fake_process.sleeps.clear();
    console_sleep(173);
    EXPECT_EQ(fake_process.sleeps, (std::vector<uint32_t>{50, 50, 50, 23}));

    fake_process.sleeps.clear();
    const int peeks = fake_console.peeks;
    console_sleep(0);
    console_sleep(-5);
    console_sleep(INT32_MIN);
    EXPECT_TRUE(fake_process.sleeps.empty());
    EXPECT_EQ(fake_console.peeks, peeks);
}

TEST_F(ConsoleKeys, SleepEndsOnANewKeyButNotOnAKeyAlreadyWaiting) {
    fake_press('a', 0x1E, 0x41);
    EXPECT_EQ(console_key_posted(), 1);  // the key waits, the flag is clear
    fake_process.on_sleep = [](uint32_t) {
        if (fake_process.sleeps.size() == 3) fake_press('b', 0x30, 0x42);
    };
    console_sleep(1000);
    EXPECT_EQ(fake_process.sleeps, (std::vector<uint32_t>{50, 50, 50}));

    // The check that saw 'b' cleared the flag: waiting for a key sleeps
    // until the next one.
    fake_process.sleeps.clear();
    fake_process.on_sleep = [](uint32_t) {
        if (fake_process.sleeps.size() == 5) fake_press('c', 0x2E, 0x43);
    };
    console_sleep(-1);
    EXPECT_EQ(fake_process.sleeps.size(), 5u);
    EXPECT_EQ(drain(), (std::vector<int32_t>{'a', 'b', 'c'}));
}

TEST_F(ConsoleKeys, GetkeyWaitsThroughSleepUntilAKeyComes) {
    fake_process.on_sleep = [](uint32_t) {
        if (fake_process.sleeps.size() == 4) fake_press(0, 0x3C, 0x71);  // F2
    };
    EXPECT_EQ(rt_getkey(), 0x3CFF);
    EXPECT_EQ(fake_process.sleeps, (std::vector<uint32_t>{50, 50, 50, 50}));
}

TEST_F(ConsoleKeys, RedirectedInputGivesNoKeys) {
    fake_console.input_fails = true;
    fake_press('a', 0x1E, 0x41);
    EXPECT_EQ(inkey_bytes(), Bytes{});
    EXPECT_EQ(rt_keyhit(), 0);
    EXPECT_EQ(fake_console.next, 0u);
}

KeyString window_key = {nullptr, 0, 0};
KeyString* window_inkey() { return &window_key; }
int32_t window_getkey() { return 0x1234; }
int32_t window_keyhit() { return 7; }
int32_t slept = 0;
void window_sleep(int32_t ms) { slept = ms; }

TEST_F(ConsoleKeys, HooksAreReadAtEveryCall) {
    fake_press('a', 0x1E, 0x41);
    key_input_hooks = {window_inkey, window_getkey, window_keyhit, window_sleep};
    EXPECT_EQ(rt_inkey(), &window_key);
    EXPECT_EQ(rt_getkey(), 0x1234);
    EXPECT_EQ(rt_keyhit(), 7);
    rt_sleep(-1);
    EXPECT_EQ(slept, -1);
    EXPECT_EQ(fake_console.peeks, 0) << "the console is not read while hooks serve";
    EXPECT_EQ(console_ctrl_installed(), 0);

    // The window closes: the next read goes to the console again.
    key_input_hooks = {nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(inkey_bytes(), Bytes{'a'});
    EXPECT_EQ(console_ctrl_installed(), 1);
}

TEST_F(ConsoleKeys, FullPoolLosesTheKey) {
    std::vector<StringDescriptor*> alive;
    for (StringDescriptor* d = rt_temp_alloc(0); d != nullptr; d = rt_temp_alloc(0)) alive.push_back(d);
    fake_press('a', 0x1E, 0x41);
    fake_press('b', 0x30, 0x42);
    EXPECT_EQ(rt_inkey(), &rt_empty_string);
    for (StringDescriptor* d : alive) rt_temp_release(d);
    EXPECT_EQ(inkey_bytes(), Bytes{'b'});
}

TEST_F(ConsoleKeys, ControlHandlerInstalledOnFirstPumpAndRemovedAtExit) {
    EXPECT_EQ(fake_console.handler_adds, 0);
    console_keyhit();
    console_keyhit();
    EXPECT_EQ(fake_console.handler_adds, 1);
    ASSERT_EQ(fake_console.handler, &console_ctrl_handler);
    ASSERT_EQ(fake_process.exit_procedures.size(), 1u);
    fake_process.exit_procedures[0]();
    EXPECT_EQ(fake_console.handler_removes, 1);
    EXPECT_EQ(fake_console.handler, nullptr);
}

TEST_F(ConsoleKeys, CloseLogoffAndShutdownBecomeAltF4) {
    fake_press('a', 0x1E, 0x41);
    console_keyhit();
    for (uint32_t event : {kCtrlCloseEvent, kCtrlLogoffEvent, kCtrlShutdownEvent}) {
        EXPECT_EQ(console_ctrl_handler(event), 1) << event;
    }
    for (uint32_t event : {kCtrlCEvent, kCtrlBreakEvent, 3u, 4u, 7u, 0xFFFFFFFFu}) {
        EXPECT_EQ(console_ctrl_handler(event), 0) << event;
    }
    EXPECT_EQ(inkey_bytes(), Bytes{'a'});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(inkey_bytes(), (Bytes{255, 0x6B}));
    EXPECT_EQ(inkey_bytes(), Bytes{});
}

TEST_F(ConsoleKeys, InitTurnsOnProcessedInputOnly) {
    fake_tables_install();
    fake_console.mode = kEnableEchoInput | 0x0080;
    rt_init(2, nullptr);
    EXPECT_EQ(fake_console.mode, kEnableEchoInput | 0x0080 | kEnableProcessedInput);
    EXPECT_EQ(fake_process.fp_mode_calls, 1);
    EXPECT_EQ(rt_argc(), 2);

    // Redirected input, or no input handle: the mode stays untouched.
    fake_tables_install();
    fake_console.mode_fails = true;
    rt_init(1, nullptr);
    EXPECT_EQ(fake_console.set_mode_calls, 0);
    fake_tables_install();
    fake_console.handle = nullptr;
    rt_init(1, nullptr);
    EXPECT_EQ(fake_console.set_mode_calls, 0);
    EXPECT_EQ(console_input_handle(), nullptr);
}

TEST_F(ConsoleKeys, EndRunsThroughThePlatformExit) {
    try {
        rt_end(-1);
        FAIL() << "rt_end returned";
    } catch (const FakeExit& e) {
        EXPECT_EQ(e.code, -1);
    }
}

}  // namespace
