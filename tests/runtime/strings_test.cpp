// Temporary strings, their pool and the three-way comparison.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/strings.h"

namespace {

const char kEscapeText[] = {27, 0};

// Fails the allocations whose sizes are listed, logging every request.
struct FailingMemory {
    std::vector<size_t> requests;
    std::vector<size_t> refused_sizes;
    bool refuse_all = false;
};
FailingMemory failing;

void* failing_allocate(size_t size) {
    failing.requests.push_back(size);
    if (failing.refuse_all) return nullptr;
    for (size_t refused : failing.refused_sizes) {
        if (refused == size) return nullptr;
    }
    return std::malloc(size);
}

const StringMemory failing_memory = {failing_allocate, std::free};

class TempStrings : public ::testing::Test {
protected:
    void SetUp() override {
        failing = FailingMemory{};
        in_use_before = rt_temp_in_use();
    }
    void TearDown() override {
        rt_string_memory = &rt_native_string_memory;
        EXPECT_EQ(rt_temp_in_use(), in_use_before) << "a test leaked a temporary";
    }
    int32_t in_use_before = 0;
};

StringDescriptor* temp_text(const char* text) {
    const auto n = static_cast<int32_t>(std::strlen(text));
    StringDescriptor* desc = rt_temp_alloc(n);
    std::memcpy(desc->data, text, static_cast<size_t>(n) + 1);
    return desc;
}

TEST_F(TempStrings, CapacityIsRoundedLengthPlusAnEighth) {
    rt_string_memory = &failing_memory;
    const struct {
        int32_t length;
        uint32_t capacity;
    } cases[] = {{0, 0}, {1, 36}, {2, 36}, {32, 36}, {33, 72}, {64, 72}, {65, 108}};
    for (const auto& c : cases) {
        failing.requests.clear();
        StringDescriptor* desc = rt_temp_alloc(c.length);
        ASSERT_NE(desc, nullptr) << c.length;
        EXPECT_EQ(desc->capacity, c.capacity) << c.length;
        EXPECT_EQ(desc->length, static_cast<uint32_t>(c.length) | kTemporaryFlag);
        ASSERT_EQ(failing.requests.size(), 1u);
        EXPECT_EQ(failing.requests[0], c.capacity + 1u);
        EXPECT_EQ(rt_temp_release(desc), 0);
    }
}

TEST_F(TempStrings, FallsBackToExactSizeThenGivesTheSlotBack) {
    rt_string_memory = &failing_memory;
    failing.refused_sizes = {37};
    StringDescriptor* desc = rt_temp_alloc(3);
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->capacity, 3u);
    EXPECT_EQ(failing.requests, (std::vector<size_t>{37, 4}));
    EXPECT_EQ(rt_temp_release(desc), 0);

    failing.refuse_all = true;
    const int32_t in_use = rt_temp_in_use();
    EXPECT_EQ(rt_temp_alloc(3), nullptr);
    EXPECT_EQ(rt_temp_in_use(), in_use);
    EXPECT_EQ(rt_chr(1, 65), &rt_empty_string);
}

TEST_F(TempStrings, NegativeLengthIsRefused) {
    const int32_t in_use = rt_temp_in_use();
    EXPECT_EQ(rt_temp_alloc(-1), nullptr);
    EXPECT_EQ(rt_temp_alloc(INT32_MIN), nullptr);
    EXPECT_EQ(rt_temp_in_use(), in_use);
}

TEST_F(TempStrings, PoolRunsOutAt256AndRecovers) {
    std::vector<StringDescriptor*> alive;
    for (;;) {
        StringDescriptor* desc = rt_temp_alloc(1);
        if (desc == nullptr) break;
        alive.push_back(desc);
        ASSERT_LE(alive.size(), 256u);
    }
    EXPECT_EQ(rt_temp_in_use(), kTempPoolSlots);
    EXPECT_EQ(rt_chr(1, 65), &rt_empty_string);

    // Give back one from the middle: the next allocation reuses that slot.
    StringDescriptor* middle = alive[100];
    EXPECT_EQ(rt_temp_release(middle), 0);
    EXPECT_EQ(middle->data, nullptr);
    EXPECT_EQ(middle->length, 0u);
    StringDescriptor* again = rt_chr(1, 66);
    EXPECT_EQ(again, middle);
    EXPECT_EQ(again->data[0], 'B');
    alive[100] = again;

    // Release in an order that unlinks the first, the last and inner slots.
    for (size_t i = 0; i < alive.size(); i += 2) EXPECT_EQ(rt_temp_release(alive[i]), 0);
    for (size_t i = alive.size() - 1; i < alive.size(); i -= 2) EXPECT_EQ(rt_temp_release(alive[i]), 0);
    alive.clear();
    // Every slot is usable again.
    for (int i = 0; i < kTempPoolSlots - in_use_before; ++i) {
        StringDescriptor* desc = rt_temp_alloc(0);
        ASSERT_NE(desc, nullptr) << i;
        alive.push_back(desc);
    }
    for (StringDescriptor* desc : alive) EXPECT_EQ(rt_temp_release(desc), 0);
}

TEST_F(TempStrings, ReleaseRefusesWhatIsNotALiveSlot) {
    EXPECT_EQ(rt_temp_release(nullptr), -1);
    EXPECT_EQ(rt_temp_release(&rt_empty_string), -1);
    EXPECT_EQ(rt_empty_string.data, nullptr);

    // A temporary flag outside the pool still frees the buffer.
    StringDescriptor outside{static_cast<char*>(std::malloc(8)), 3 | kTemporaryFlag, 7};
    EXPECT_EQ(rt_temp_release(&outside), -1);
    EXPECT_EQ(outside.data, nullptr);
    EXPECT_EQ(outside.length, 0u);
    EXPECT_EQ(outside.capacity, 0u);

    // Without the flag nothing changes.
    char text[] = "abc";
    StringDescriptor plain{text, 3, 3};
    EXPECT_EQ(rt_temp_release(&plain), -1);
    EXPECT_EQ(plain.data, text);

    // A second release of the same slot must not corrupt the lists.
    StringDescriptor* a = rt_temp_alloc(1);
    StringDescriptor* b = rt_temp_alloc(1);
    const int32_t in_use = rt_temp_in_use();
    EXPECT_EQ(rt_temp_release(a), 0);
    EXPECT_EQ(rt_temp_release(a), -1);
    EXPECT_EQ(rt_temp_in_use(), in_use - 1);
    // An address inside a slot that is not its descriptor is refused.
    auto* inner = reinterpret_cast<StringDescriptor*>(reinterpret_cast<char*>(b) + 4);
    EXPECT_EQ(rt_temp_release(inner), -1);
    EXPECT_EQ(rt_temp_release(b), 0);
    StringDescriptor* c = rt_temp_alloc(1);
    StringDescriptor* d = rt_temp_alloc(1);
    EXPECT_NE(c, d);
    EXPECT_EQ(rt_temp_release(c), 0);
    EXPECT_EQ(rt_temp_release(d), 0);
}

TEST_F(TempStrings, ChrTakesTheLowByteOfEachCode) {
    EXPECT_EQ(rt_chr(0, 65), &rt_empty_string);
    EXPECT_EQ(rt_chr(-3, 65), &rt_empty_string);
    StringDescriptor* desc = rt_chr(2, 0x141, 66);
    ASSERT_NE(desc, &rt_empty_string);
    EXPECT_EQ(desc->length, 2u | kTemporaryFlag);
    EXPECT_STREQ(desc->data, "AB");
    EXPECT_EQ(rt_temp_release(desc), 0);
    desc = rt_chr(3, 0, 255, -1);
    EXPECT_EQ(static_cast<uint8_t>(desc->data[0]), 0);
    EXPECT_EQ(static_cast<uint8_t>(desc->data[1]), 255);
    EXPECT_EQ(static_cast<uint8_t>(desc->data[2]), 255);
    EXPECT_EQ(desc->data[3], 0);
    EXPECT_EQ(rt_temp_release(desc), 0);
}

TEST_F(TempStrings, CompareOrdersUnsignedBytesThenLength) {
    EXPECT_EQ(rt_str_compare("abc", 0, "abc", 0), 0);
    EXPECT_EQ(rt_str_compare("ab", 0, "abc", 0), -1);
    EXPECT_EQ(rt_str_compare("abc", 0, "ab", 0), 1);
    EXPECT_EQ(rt_str_compare("\xE9", 0, "A", 0), 1);
    EXPECT_EQ(rt_str_compare("A", 0, "\xE9", 0), -1);
    EXPECT_EQ(rt_str_compare("abd", 0, "abc", 5), 1);
    EXPECT_EQ(rt_str_compare("", 0, "", 0), 0);
}

TEST_F(TempStrings, CompareWithNullPointersAndEmptyDescriptors) {
    StringDescriptor bufferless{nullptr, 0, 0};
    EXPECT_EQ(rt_str_compare("", 0, nullptr, 0), 1);
    EXPECT_EQ(rt_str_compare(nullptr, 0, "", 0), -1);
    EXPECT_EQ(rt_str_compare(nullptr, 0, &bufferless, -1), 0);
    EXPECT_EQ(rt_str_compare(&bufferless, -1, nullptr, 0), 0);
    EXPECT_EQ(rt_str_compare(nullptr, 0, nullptr, -1), 0);
    EXPECT_EQ(rt_str_compare(&bufferless, -1, "", 0), 0);
    EXPECT_EQ(rt_str_compare(&bufferless, -1, "a", 0), -1);
    // A bufferless descriptor whose length field claims bytes is still empty.
    StringDescriptor broken{nullptr, 5, 0};
    EXPECT_EQ(rt_str_compare(&broken, -1, "a", 0), -1);
    char text[] = "a";
    StringDescriptor owned{text, 1, 1};
    EXPECT_EQ(rt_str_compare(&owned, -1, nullptr, 0), 1);
    EXPECT_EQ(rt_str_compare(nullptr, 0, &owned, -1), -1);
    EXPECT_EQ(owned.data, text) << "a non-temporary descriptor stays untouched";
}

TEST_F(TempStrings, CompareConsumesTemporaryArguments) {
    // The driver's Escape test: the empty key gives -1, Escape gives 0.
    EXPECT_EQ(rt_str_compare(&rt_empty_string, -1, kEscapeText, 2), -1);
    const int32_t in_use = rt_temp_in_use();
    EXPECT_EQ(rt_str_compare(rt_chr(1, 27), -1, kEscapeText, 2), 0);
    EXPECT_EQ(rt_str_compare(rt_chr(1, 'q'), -1, kEscapeText, 2), 1);
    EXPECT_EQ(rt_str_compare(rt_chr(2, 255, 0x3B), -1, kEscapeText, 2), 1);
    EXPECT_EQ(rt_temp_in_use(), in_use);

    // Both sides temporary, and the same temporary on both sides.
    EXPECT_EQ(rt_str_compare(temp_text("abc"), -1, temp_text("abd"), -1), -1);
    StringDescriptor* same = temp_text("xy");
    EXPECT_EQ(rt_str_compare(same, -1, same, -1), 0);
    EXPECT_EQ(rt_temp_in_use(), in_use);
}

}  // namespace
