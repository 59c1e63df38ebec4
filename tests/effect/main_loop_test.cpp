// The demo's main procedure with a scripted presenter: how it starts, what
// ends it and with which status.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "effect/main_loop.h"
#include "runtime/key_input.h"
#include "runtime/numbers.h"
#include "runtime/strings.h"
#include "tests/doubles/fake_console.h"

namespace {

struct PresenterLog {
    std::vector<std::string> calls;
    int32_t open_result = 1;
    std::deque<std::string> keys;  // one read per frame; empty text = no key
    const uint32_t* first_frame = nullptr;
    bool frames_drawn = true;
    int32_t width = 0;
};

PresenterLog presenter_log;

KeyString* scripted_inkey() {
    if (presenter_log.keys.empty()) return &rt_empty_string;
    const std::string key = presenter_log.keys.front();
    presenter_log.keys.pop_front();
    if (key.empty()) return &rt_empty_string;
    KeyString* s = rt_temp_alloc(static_cast<int32_t>(key.size()));
    for (size_t i = 0; i <= key.size(); ++i) s->data[i] = key.c_str()[i];
    return s;
}

int32_t scripted_open(const char* title, int32_t width, int32_t height) {
    presenter_log.calls.push_back("open " + std::string(title) + " " + std::to_string(width) + "x" +
                                  std::to_string(height));
    presenter_log.width = width;
    if (presenter_log.open_result != 0) key_input_hooks.inkey_hook = scripted_inkey;
    return presenter_log.open_result;
}

int32_t scripted_update(const uint32_t* pixels) {
    presenter_log.calls.push_back("update");
    if (presenter_log.first_frame == nullptr) presenter_log.first_frame = pixels;
    if (pixels != presenter_log.first_frame) {
        presenter_log.calls.emplace_back("another frame buffer");
    }
    // A drawn frame holds colours of the mapping, never plain zero.
    if (pixels[0] == 0 && pixels[presenter_log.width - 1] == 0) presenter_log.frames_drawn = false;
    return 0;  // a failed update is ignored
}

void scripted_close() {
    presenter_log.calls.push_back("close");
    key_input_hooks.inkey_hook = nullptr;
}

const Presenter kScripted{scripted_open, scripted_update, scripted_close};

template <const Variant& V>
int32_t run_demo() {
    char name[] = "ombrith";
    char* argv[] = {name, nullptr};
    try {
        effect_main<V>(1, argv, kScripted);
    } catch (const FakeExit& e) {
        return e.code;
    }
    ADD_FAILURE() << "effect_main returned";
    return 1000;
}

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_tables_install();
        presenter_log = PresenterLog{};
    }
    void TearDown() override {
        key_input_hooks = KeyInputHooks{};
        fake_tables_restore();
    }
};

TEST_F(MainLoopTest, WithoutTheDisplayItEndsWithMinus1BeforeSeedingOrDrawing) {
    presenter_log.open_result = 0;
    rt_srand(4242);
    EXPECT_EQ(run_demo<variant320>(), -1);
    EXPECT_EQ(presenter_log.calls, std::vector<std::string>{"open Ombrith by Talvane 320x240"});
    EXPECT_EQ(fake_process.fp_mode_calls, 1) << "the runtime was started first";
    const int32_t next = rt_rand();
    rt_srand(4242);
    EXPECT_EQ(next, rt_rand()) << "the generator was not reseeded";
}

TEST_F(MainLoopTest, EscapeBehindOtherKeysEndsTheLoopInTheFrameThatReadsItWithStatus0) {
    presenter_log.keys = {"a", "\xFFH", "", "b", "\x1b", "z"};
    EXPECT_EQ(run_demo<variant320>(), 0);
    const std::vector<std::string> expected = {"open Ombrith by Talvane 320x240", "update", "update",
                                               "update", "update", "update", "close"};
    EXPECT_EQ(presenter_log.calls, expected);
    EXPECT_TRUE(presenter_log.frames_drawn);
    EXPECT_EQ(presenter_log.keys, std::deque<std::string>{"z"});
    EXPECT_EQ(rt_temp_in_use(), 0) << "every key read was released";
}

TEST_F(MainLoopTest, TheLargerVariantOpensAt640x480) {
    presenter_log.keys = {"\x1b"};
    EXPECT_EQ(run_demo<variant640>(), 0);
    EXPECT_EQ(presenter_log.calls, (std::vector<std::string>{"open Ombrith by Talvane 640x480",
                                                             "update", "close"}));
    EXPECT_TRUE(presenter_log.frames_drawn);
}

}  // namespace
