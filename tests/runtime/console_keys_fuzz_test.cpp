// Randomized input for the console key path: arbitrary key records must not
// crash it or corrupt the queue. (The POSIX terminal's byte streams get the
// same treatment in tests/platform/terminal_keys_fuzz_test.cpp.)
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "runtime/console_keys.h"
#include "runtime/key_input.h"
#include "runtime/startup.h"
#include "tests/doubles/fake_console.h"

namespace {

// A key code as the queue may hold it: a character, or 255 below an
// extended code.
bool valid_code(int32_t code) {
    if (code >= 0 && code <= 255) return true;
    return (code & 0xFF) == 0xFF && (code >> 8) >= 1 && (code >> 8) <= 0xFF;
}

class ConsoleFuzz : public ::testing::Test {
protected:
    void SetUp() override {
        fake_tables_install();
        rt_init(0, nullptr);
    }
    void TearDown() override { fake_tables_restore(); }
};

TEST_F(ConsoleFuzz, QueueMatchesAModelUnderRandomPostsAndReads) {
    std::mt19937 rng(1234);
    std::deque<int32_t> model;
    int handed_over = 0;
    auto post = [&](int32_t code) {
        model.push_back(code);
        if (model.size() > 511) model.pop_front();
    };
    for (int step = 0; step < 200000; ++step) {
        const uint32_t what = rng() % 16;
        if (what < 7) {
            const int32_t code = static_cast<int32_t>(rng());
            console_post_key(code);
            post(code);
        } else if (what < 8) {
            console_ctrl_handler(kCtrlCloseEvent);
            ++handed_over;  // posted by the next pump
        } else {
            for (; handed_over > 0; --handed_over) post(kCloseKeyCode);
            const bool remove = what < 14;
            const int32_t code = console_read_key(remove);
            if (model.empty()) {
                ASSERT_EQ(code, -1) << step;
            } else {
                ASSERT_EQ(code, model.front()) << step;
                if (remove) model.pop_front();
            }
        }
        if (handed_over == 0) {
            ASSERT_EQ(console_queued(), static_cast<int32_t>(model.size())) << step;
        }
    }
}

TEST_F(ConsoleFuzz, ArbitraryKeyRecordsGiveValidCodes) {
    std::mt19937 rng(99);
    const int32_t in_use = rt_temp_in_use();
    for (int round = 0; round < 2000; ++round) {
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            if (rng() % 10 == 0) {
                fake_other_record(static_cast<uint16_t>(1u << (rng() % 5)));
                continue;
            }
            // Bias the fields towards the interesting values.
            const uint16_t vk = rng() % 3 ? static_cast<uint16_t>(0x60 + rng() % 12)
                                          : static_cast<uint16_t>(rng());
            const uint16_t scan = rng() % 2 ? static_cast<uint16_t>(rng() % 0x5A)
                                            : static_cast<uint16_t>(rng());
            const uint8_t ch = rng() % 2 ? 0 : static_cast<uint8_t>(rng());
            const uint32_t state = rng() % 2 ? (rng() & 0x1FF) : static_cast<uint32_t>(rng());
            fake_key(rng() % 4 != 0, ch, scan, vk, state, static_cast<uint16_t>(rng() % 3));
        }
        const int reads = static_cast<int>(rng() % 60);
        for (int i = 0; i < reads; ++i) {
            if (rng() % 2) {
                KeyString* key = rt_inkey();
                const uint32_t length = key->length & kLengthMask;
                ASSERT_LE(length, 2u);
                if (length == 2) {
                    ASSERT_EQ(static_cast<uint8_t>(key->data[0]), 255);
                }
                if (key != &rt_empty_string) {
                    ASSERT_EQ(rt_temp_release(key), 0);
                }
            } else {
                const int32_t code = console_read_key(static_cast<int32_t>(rng() % 2));
                if (code != -1) {
                    ASSERT_TRUE(valid_code(code)) << std::hex << code;
                }
            }
            ASSERT_LE(console_queued(), 511);
        }
    }
    EXPECT_EQ(rt_temp_in_use(), in_use);
}

}  // namespace
