#include "runtime/strings.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

StringDescriptor rt_empty_string = {nullptr, 0, 0};

const StringMemory rt_native_string_memory = {std::malloc, std::free};
const StringMemory* rt_string_memory = &rt_native_string_memory;

namespace {

struct TempSlot {
    TempSlot* previous;
    TempSlot* next;
    StringDescriptor desc;
};

// Free slots: singly linked through `next`, with `previous` null. Slots in
// use: doubly linked in order of allocation.
struct TempStringPool {
    TempSlot slots[kTempPoolSlots];
    TempSlot* free_first;
    TempSlot* used_first;
    TempSlot* used_last;
    int32_t used_count;
};

TempStringPool pool;

void pool_setup() {
    for (int32_t i = 0; i < kTempPoolSlots; ++i) {
        pool.slots[i].previous = nullptr;
        pool.slots[i].next = i + 1 < kTempPoolSlots ? &pool.slots[i + 1] : nullptr;
        pool.slots[i].desc = {nullptr, 0, 0};
    }
    pool.free_first = &pool.slots[0];
}

// The slot whose descriptor is `desc`, or null when `desc` is not exactly
// the descriptor of one of the pool's slots.
TempSlot* slot_of(const StringDescriptor* desc) {
    const auto address = reinterpret_cast<uintptr_t>(desc);
    const auto begin = reinterpret_cast<uintptr_t>(&pool.slots[0]);
    const auto end = reinterpret_cast<uintptr_t>(&pool.slots[kTempPoolSlots]);
    if (address < begin || address >= end) return nullptr;
    const uintptr_t index = (address - begin) / sizeof(TempSlot);
    TempSlot* slot = &pool.slots[index];
    return &slot->desc == desc ? slot : nullptr;
}

bool slot_in_use(const TempSlot* slot) {
    return slot->previous != nullptr || pool.used_first == slot;
}

TempSlot* take_slot() {
    if (pool.free_first == nullptr && pool.used_first == nullptr) pool_setup();
    TempSlot* slot = pool.free_first;
    if (slot == nullptr) return nullptr;
    pool.free_first = slot->next;
    slot->previous = pool.used_last;
    slot->next = nullptr;
    if (pool.used_last != nullptr) {
        pool.used_last->next = slot;
    } else {
        pool.used_first = slot;
    }
    pool.used_last = slot;
    ++pool.used_count;
    slot->desc = {nullptr, 0, 0};
    return slot;
}

void give_back(TempSlot* slot) {
    if (slot->previous != nullptr) {
        slot->previous->next = slot->next;
    } else {
        pool.used_first = slot->next;
    }
    if (slot->next != nullptr) {
        slot->next->previous = slot->previous;
    } else {
        pool.used_last = slot->previous;
    }
    --pool.used_count;
    slot->desc = {nullptr, 0, 0};
    slot->previous = nullptr;
    slot->next = pool.free_first;
    pool.free_first = slot;
}

struct Text {
    const unsigned char* bytes;  // null when the argument is a null pointer
    size_t length;
    bool has_buffer;  // for a descriptor: non-null data
};

Text text_of(const void* p, int32_t size) {
    if (p == nullptr) return {nullptr, 0, false};
    if (size == -1) {
        const auto* desc = static_cast<const StringDescriptor*>(p);
        // A descriptor without a buffer is the empty text, whatever its
        // length field claims.
        if (desc->data == nullptr) return {reinterpret_cast<const unsigned char*>(""), 0, false};
        return {reinterpret_cast<const unsigned char*>(desc->data), desc->length & kLengthMask, true};
    }
    const char* text = static_cast<const char*>(p);
    return {reinterpret_cast<const unsigned char*>(text), std::strlen(text), true};
}

int32_t compare(const void* a, int32_t a_size, const void* b, int32_t b_size) {
    const Text ta = text_of(a, a_size);
    const Text tb = text_of(b, b_size);
    if (ta.bytes != nullptr && tb.bytes != nullptr) {
        const size_t common = ta.length < tb.length ? ta.length : tb.length;
        for (size_t i = 0; i < common; ++i) {
            if (ta.bytes[i] != tb.bytes[i]) return ta.bytes[i] < tb.bytes[i] ? -1 : 1;
        }
        if (ta.length == tb.length) return 0;
        return ta.length > tb.length ? 1 : -1;
    }
    if (ta.bytes != nullptr) return ta.has_buffer ? 1 : 0;
    if (tb.bytes != nullptr) return tb.has_buffer ? -1 : 0;
    return 0;
}

}  // namespace

StringDescriptor* rt_temp_alloc(int32_t length) {
    if (length < 0) return nullptr;
    TempSlot* slot = take_slot();
    if (slot == nullptr) return nullptr;
    // Room to grow: the length rounded up to 32 bytes, plus an eighth.
    const uint64_t rounded = (static_cast<uint64_t>(length) + 31u) & ~uint64_t{31};
    const uint64_t want = rounded + rounded / 8;
    void* block = nullptr;
    uint32_t capacity = 0;
    if (want + 1 <= SIZE_MAX) block = rt_string_memory->allocate(static_cast<size_t>(want + 1));
    if (block != nullptr) {
        capacity = static_cast<uint32_t>(want);
    } else {
        block = rt_string_memory->allocate(static_cast<size_t>(length) + 1);
        capacity = static_cast<uint32_t>(length);
    }
    if (block == nullptr) {
        give_back(slot);
        return nullptr;
    }
    slot->desc.data = static_cast<char*>(block);
    slot->desc.length = static_cast<uint32_t>(length) | kTemporaryFlag;
    slot->desc.capacity = capacity;
    return &slot->desc;
}

int32_t rt_temp_release(StringDescriptor* desc) {
    if (desc == nullptr) return -1;
    const auto address = reinterpret_cast<uintptr_t>(desc);
    const bool inside_pool = address >= reinterpret_cast<uintptr_t>(&pool.slots[0]) &&
                             address < reinterpret_cast<uintptr_t>(&pool.slots[kTempPoolSlots]);
    TempSlot* slot = slot_of(desc);
    // An address inside the pool that is not a slot's descriptor, or a slot
    // already given back, is refused untouched: freeing or unlinking it would
    // corrupt the pool.
    if (inside_pool && (slot == nullptr || !slot_in_use(slot))) return -1;
    if ((desc->length & kTemporaryFlag) != 0 && desc->data != nullptr) {
        rt_string_memory->release(desc->data);
        *desc = {nullptr, 0, 0};
    }
    if (slot == nullptr) return -1;
    give_back(slot);
    return 0;
}

StringDescriptor* rt_chr(int32_t count, ...) {
    if (count <= 0) return &rt_empty_string;
    StringDescriptor* desc = rt_temp_alloc(count);
    if (desc == nullptr) return &rt_empty_string;
    va_list codes;
    va_start(codes, count);
    for (int32_t i = 0; i < count; ++i) {
        desc->data[i] = static_cast<char>(static_cast<uint8_t>(va_arg(codes, int32_t)));
    }
    va_end(codes);
    desc->data[count] = '\0';
    return desc;
}

int32_t rt_str_compare(const void* a, int32_t a_size, const void* b, int32_t b_size) {
    const int32_t result = compare(a, a_size, b, b_size);
    if (a_size == -1) rt_temp_release(static_cast<StringDescriptor*>(const_cast<void*>(a)));
    if (b_size == -1) rt_temp_release(static_cast<StringDescriptor*>(const_cast<void*>(b)));
    return result;
}

int32_t rt_temp_in_use() { return pool.used_count; }
