// The console key path on a real Windows console: key records written into
// the console's input reach rt_inkey through the console backend, with the
// system's own MapVirtualKeyA behind the translation.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/console_keys.h"
#include "runtime/key_input.h"
#include "runtime/startup.h"
#include "runtime/strings.h"

namespace {

HANDLE console_input = INVALID_HANDLE_VALUE;

class Win32Console : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The console the test runs on (see with_console.sh).
        console_input = GetStdHandle(STD_INPUT_HANDLE);
        ASSERT_NE(console_input, INVALID_HANDLE_VALUE);
        // Start without processed input; start-up adds it.
        DWORD mode = 0;
        ASSERT_TRUE(GetConsoleMode(console_input, &mode));
        ASSERT_TRUE(SetConsoleMode(console_input, mode & ~ENABLE_PROCESSED_INPUT));
        initial_mode = mode & ~ENABLE_PROCESSED_INPUT;
        rt_init(0, nullptr);
    }
    void SetUp() override {
        FlushConsoleInputBuffer(console_input);
        while (console_read_key(1) != -1) {
        }
    }
    static DWORD initial_mode;
};
DWORD Win32Console::initial_mode = 0;

INPUT_RECORD key(bool down, WORD vk, WORD scan, char ch, DWORD state, WORD repeat = 1) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
    record.Event.KeyEvent.wRepeatCount = repeat;
    record.Event.KeyEvent.wVirtualKeyCode = vk;
    record.Event.KeyEvent.wVirtualScanCode = scan;
    record.Event.KeyEvent.uChar.AsciiChar = ch;
    record.Event.KeyEvent.dwControlKeyState = state;
    return record;
}

void write_records(const std::vector<INPUT_RECORD>& records) {
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputA(console_input, records.data(), static_cast<DWORD>(records.size()),
                                   &written));
    ASSERT_EQ(written, records.size());
}

// The next key as its bytes; empty when none waits.
std::string next_key() {
    KeyString* key = rt_inkey();
    std::string bytes;
    uint32_t length = key->length & kLengthMask;
    if (length != 0) bytes.assign(key->data, length);
    if (key->length & kTemporaryFlag) rt_temp_release(key);
    return bytes;
}

TEST_F(Win32Console, StartUpTurnsOnProcessedInputAndKeepsTheOtherBits) {
    DWORD mode = 0;
    ASSERT_TRUE(GetConsoleMode(console_input, &mode));
    EXPECT_EQ(mode, initial_mode | ENABLE_PROCESSED_INPUT);
}

TEST_F(Win32Console, KeyRecordsBecomeKeyStrings) {
    write_records({
        key(true, VK_ESCAPE, 0x01, 27, 0),
        key(false, VK_ESCAPE, 0x01, 27, 0),
        key(true, VK_F1, 0x3B, 0, 0),
        key(true, 'A', 0x1E, 'a', LEFT_ALT_PRESSED),
        key(true, VK_TAB, 0x0F, 9, SHIFT_PRESSED),
        key(true, VK_UP, 0x48, 0, ENHANCED_KEY),
        key(true, 'Q', 0x10, 'q', 0, 0),  // repeat count 0: nothing
        key(true, 'Q', 0x10, 'Q', SHIFT_PRESSED),
        key(true, VK_RETURN, 0x1C, 13, ENHANCED_KEY),
    });
    EXPECT_EQ(next_key(), std::string(1, '\x1b'));
    EXPECT_EQ(next_key(), std::string("\xff\x3b", 2));
    EXPECT_EQ(next_key(), std::string("\xff\x1e", 2));  // Alt+A: the key's plain character 'a'
    EXPECT_EQ(next_key(), std::string("\xff\x0f", 2));
    EXPECT_EQ(next_key(), std::string("\xff\x48", 2));
    EXPECT_EQ(next_key(), "Q");
    EXPECT_EQ(next_key(), std::string(1, '\r'));
    EXPECT_EQ(next_key(), "");
    EXPECT_EQ(rt_keyhit(), 0);
}

TEST_F(Win32Console, AltAndKeypadDigitsComposeACharacter) {
    write_records({
        key(true, VK_MENU, 0x38, 0, LEFT_ALT_PRESSED),
        key(true, VK_NUMPAD6, 0x4D, 0, LEFT_ALT_PRESSED),
        key(false, VK_NUMPAD6, 0x4D, 0, LEFT_ALT_PRESSED),
        key(true, VK_NUMPAD6, 0x4D, 0, LEFT_ALT_PRESSED),
        key(false, VK_NUMPAD6, 0x4D, 0, LEFT_ALT_PRESSED),
        key(false, VK_MENU, 0x38, 0, 0),
    });
    EXPECT_EQ(next_key(), "B");  // 66
    EXPECT_EQ(next_key(), "");
}

TEST_F(Win32Console, KeyHitPeeksAndSleepEndsOnAPostedKey) {
    EXPECT_EQ(rt_keyhit(), 0);
    write_records({key(true, 'X', 0x2D, 'x', 0)});
    EXPECT_EQ(rt_keyhit(), 1);
    EXPECT_EQ(rt_keyhit(), 1);  // peeking keeps it
    DWORD before = GetTickCount();
    rt_sleep(3000);  // returns at its first look at the keyboard
    EXPECT_LT(GetTickCount() - before, 1500u);
    EXPECT_EQ(next_key(), "x");
}

}  // namespace
