// The window's keyboard feed: translation of key-down messages, the ring and
// the three key-input procedures.
#include <cstring>
#include <string>
#include <vector>

#include "platform/virtual_keys.h"
#include "tests/doubles/window_fixture.h"

namespace {

intptr_t lparam_of(uint32_t scan_code, bool extended = false) {
    return static_cast<intptr_t>(1u | (scan_code << 16) | (extended ? 1u << 24 : 0u));
}

// The bytes of the KeyString that the next window_inkey gives; consumes it.
std::string next_key_text() {
    KeyString* key = window_inkey();
    const uint32_t length = key->length & 0x7FFFFFFFu;
    std::string text = length != 0 ? std::string(key->data, length) : std::string();
    if (length != 0) {
        EXPECT_EQ(key->data[length], 0);
    }
    EXPECT_EQ(rt_temp_release(key), length != 0 ? 0 : -1);
    return text;
}

using FeedTest = WindowTest;

TEST_F(FeedTest, RingKeepsTheLast15Of16CodesInOrder) {
    EXPECT_EQ(window_keyhit(), 0);
    EXPECT_EQ(key_ring_get(), 0);
    for (int32_t code = 1; code <= 16; ++code) key_ring_put(code);
    EXPECT_EQ(window_keyhit(), 1);
    for (int32_t code = 2; code <= 16; ++code) ASSERT_EQ(key_ring_get(), code);
    EXPECT_EQ(key_ring_get(), 0);
    EXPECT_EQ(window_keyhit(), 0);

    // The indices wrap around the ring.
    for (int32_t round = 0; round < 40; ++round) {
        key_ring_put(100 + round);
        ASSERT_EQ(key_ring_get(), 100 + round);
    }
}

TEST_F(FeedTest, EscapeIsTheOneCharacterTextTheDemoComparesWith) {
    translate_key_down(vk::kEscape, lparam_of(0x01));
    KeyString* key = window_inkey();
    ASSERT_EQ(key->length, 0x80000001u) << "a one-character temporary";
    EXPECT_EQ(static_cast<uint8_t>(key->data[0]), 27);
    EXPECT_EQ(rt_str_compare(key, -1, "\x1b", 2), 0);
    EXPECT_EQ(next_key_text(), "") << "and nothing else waits";
}

TEST_F(FeedTest, NavigationAndFunctionKeysGive255AndTheirScanCode) {
    const struct {
        uint32_t virtual_key;
        int32_t code;
        const char* text;
    } keys[] = {
        {vk::kUp, 257, "\xFFH"},     {vk::kDown, 258, "\xFFP"},  {vk::kLeft, 259, "\xFFK"},
        {vk::kRight, 260, "\xFFM"},  {vk::kInsert, 261, "\xFFR"}, {vk::kDelete, 262, "\xFFS"},
        {vk::kHome, 263, "\xFFG"},   {vk::kEnd, 264, "\xFFO"},   {vk::kPrior, 265, "\xFFI"},
        {vk::kNext, 266, "\xFFQ"},   {0x70, 267, "\xFF;"},       {0x71, 268, "\xFF<"},
        {0x74, 271, "\xFF?"},        {0x79, 276, "\xFF" "D"},
    };
    for (const auto& k : keys) {
        translate_key_down(k.virtual_key, lparam_of(0x48, true));
        ASSERT_EQ(key_ring_get(), k.code) << std::hex << k.virtual_key;
        key_ring_put(k.code);
        EXPECT_EQ(next_key_text(), k.text) << std::hex << k.virtual_key;
    }
    EXPECT_EQ(fake_log_count("get_keyboard_state"), 0) << "special keys need no translation";

    // F11 and F12 are not special keys: they give no character and no code.
    translate_key_down(0x7A, lparam_of(0x57));
    translate_key_down(0x7B, lparam_of(0x58));
    EXPECT_EQ(window_keyhit(), 0);

    // A code past the table reads as its last entry.
    key_ring_put(300);
    EXPECT_EQ(next_key_text(), "\xFF" "D");
}

TEST_F(FeedTest, CharacterKeysFollowTheKeyboardStateThroughToAscii) {
    translate_key_down('A', lparam_of(0x1E) | (1 << 30) | (1 << 24));
    EXPECT_EQ(fake_platform.to_ascii_key, 'A');
    EXPECT_EQ(fake_platform.to_ascii_scan, 0x1Eu) << "bits 16-23 only";
    fake_platform.script.key_state[vk::kShift] = kKeyDown;
    translate_key_down('A', lparam_of(0x1E));
    fake_platform.script.key_state[vk::kShift] = 0;
    fake_platform.script.key_state[vk::kControl] = kKeyDown;
    translate_key_down('C', lparam_of(0x2E));
    fake_platform.script.key_state[vk::kControl] = 0;
    translate_key_down(vk::kReturn, lparam_of(0x1C));
    translate_key_down(vk::kBack, lparam_of(0x0E));
    translate_key_down(vk::kShift, lparam_of(0x2A));  // gives no character
    EXPECT_EQ(next_key_text(), "a");
    EXPECT_EQ(next_key_text(), "A");
    EXPECT_EQ(next_key_text(), "\x03");
    EXPECT_EQ(next_key_text(), "\r");
    EXPECT_EQ(next_key_text(), "\b");
    EXPECT_EQ(next_key_text(), "");
}

TEST_F(FeedTest, TranslationsOtherThanOneCharacterAreDropped) {
    fake_keyboard.to_ascii = [](uint32_t, uint32_t, const uint8_t*, uint16_t* result, uint32_t) {
        *result = 0x6161;  // two characters
        return 2;
    };
    translate_key_down('A', lparam_of(0x1E));
    fake_keyboard.to_ascii = [](uint32_t, uint32_t, const uint8_t*, uint16_t* result, uint32_t) {
        *result = '^';  // a dead key
        return -1;
    };
    translate_key_down(0xDE, lparam_of(0x28));
    EXPECT_EQ(window_keyhit(), 0);
}

TEST_F(FeedTest, BlockingReadSleeps20MsAfterEveryAttemptAndTakesKeysTypedLater) {
    key_input_hooks.sleep_hook = record_key_sleep;
    key_ring_put('x');
    EXPECT_EQ(window_getkey(), 'x');
    EXPECT_EQ(recorded_key_sleeps, std::vector<int32_t>{20});

    // Nothing waits: the read dispatches the window's messages between its
    // sleeps, so a key typed meanwhile arrives.
    recorded_key_sleeps.clear();
    ASSERT_EQ(window_open("t", 4, 4), 1);
    key_input_hooks.sleep_hook = record_key_sleep;
    fake_post(kMessageKeyDown, vk::kF1, lparam_of(0x3B));
    EXPECT_EQ(window_getkey(), 267);
    EXPECT_EQ(recorded_key_sleeps, (std::vector<int32_t>{20, 20}));
}

TEST_F(FeedTest, SpecialKeyWithNoTemporaryLeftReadsAsNoKey) {
    std::vector<StringDescriptor*> held;
    for (;;) {
        StringDescriptor* s = rt_temp_alloc(1);
        if (s == nullptr) break;
        held.push_back(s);
        ASSERT_LE(held.size(), 4096u) << "the temporary pool never runs out";
    }
    key_ring_put(257);
    key_ring_put('q');
    EXPECT_EQ(window_inkey(), &rt_empty_string);
    EXPECT_EQ(window_inkey(), &rt_empty_string);
    EXPECT_EQ(window_keyhit(), 0) << "both keys are lost";
    for (StringDescriptor* s : held) rt_temp_release(s);
}

}  // namespace
