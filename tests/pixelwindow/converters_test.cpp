// Row converters and their chooser, on every implementation the machine can
// run: the public procedures (the chosen path) and each path forced in turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "pixelwindow/converters.h"

namespace {

// A source row whose last pixel ends where an inaccessible page begins, so a
// read past the row faults instead of passing unnoticed.
class GuardedRow {
public:
    explicit GuardedRow(uint32_t count) {
        size_t bytes = size_t{count} * 4;
        size_t page = page_size();
        size_t data_pages = (bytes + page - 1) / page;
        size_ = (data_pages + 1) * page;
#if defined(_WIN32)
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + data_pages * page, page, PAGE_NOACCESS, &old);
#else
        void* mapped = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base_ = mapped == MAP_FAILED ? nullptr : static_cast<uint8_t*>(mapped);
        if (base_ != nullptr) mprotect(base_ + data_pages * page, page, PROT_NONE);
#endif
        if (base_ == nullptr) throw std::bad_alloc();
        pixels_ = reinterpret_cast<uint32_t*>(base_ + data_pages * page - bytes);
    }
    ~GuardedRow() {
#if defined(_WIN32)
        VirtualFree(base_, 0, MEM_RELEASE);
#else
        munmap(base_, size_);
#endif
    }
    GuardedRow(const GuardedRow&) = delete;
    GuardedRow& operator=(const GuardedRow&) = delete;
    uint32_t* pixels() { return pixels_; }

private:
    static size_t page_size() {
#if defined(_WIN32)
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return info.dwPageSize;
#else
        return static_cast<size_t>(sysconf(_SC_PAGESIZE));
#endif
    }
    uint8_t* base_ = nullptr;
    size_t size_ = 0;
    uint32_t* pixels_ = nullptr;
};

struct Layout {
    const char* name;
    int32_t bits_per_pixel;
    uint32_t red_mask, green_mask, blue_mask;
};

// The eight layouts, in the chooser's order.
const Layout layouts[] = {
    {"rgb32", 32, 0x00FF0000, 0x0000FF00, 0x000000FF},
    {"bgr32", 32, 0x000000FF, 0x0000FF00, 0x00FF0000},
    {"rgb24", 24, 0x00FF0000, 0x0000FF00, 0x000000FF},
    {"bgr24", 24, 0x000000FF, 0x0000FF00, 0x00FF0000},
    {"rgb565", 16, 0xF800, 0x07E0, 0x001F},
    {"bgr565", 16, 0x001F, 0x07E0, 0xF800},
    {"rgb555", 16, 0x7C00, 0x03E0, 0x001F},
    {"bgr555", 16, 0x001F, 0x03E0, 0x7C00},
};
constexpr int layout_count = 8;

// One implementation under test: the public procedures or a forced path.
struct Implementation {
    std::string name;
    bool chosen;
    ConverterPath path;
};

std::vector<Implementation> implementations() {
    std::vector<Implementation> list = {{"chosen", true, ConverterPath::portable}};
    const std::pair<ConverterPath, const char*> paths[] = {{ConverterPath::portable, "portable"},
                                                           {ConverterPath::mmx, "mmx"},
                                                           {ConverterPath::sse2, "sse2"},
                                                           {ConverterPath::avx2, "avx2"}};
    for (auto [path, name] : paths) {
        if (converter_path_available(path)) list.push_back({name, false, path});
    }
    return list;
}

void PrintTo(const Implementation& impl, std::ostream* out) { *out << impl.name; }

PixelConverter converter_of(const Implementation& impl, const Layout& l) {
    if (impl.chosen) return choose_converter(l.bits_per_pixel, l.red_mask, l.green_mask, l.blue_mask);
    return choose_converter_on(impl.path, l.bits_per_pixel, l.red_mask, l.green_mask, l.blue_mask);
}

uint32_t bytes_per_pixel(const Layout& l) { return static_cast<uint32_t>(l.bits_per_pixel) / 8; }

// One destination pixel straight from the layout table: each channel keeps
// its top bits, as many as its mask has, placed where the mask lies. Only
// the straight 32-bit copy passes the top byte on.
void reference_pixel(const Layout& l, uint32_t p, uint8_t* out) {
    uint32_t channel[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
    uint32_t mask[3] = {l.red_mask, l.green_mask, l.blue_mask};
    uint32_t value = 0;
    for (int c = 0; c < 3; ++c) {
        int width = __builtin_popcount(mask[c]);
        int shift = __builtin_ctz(mask[c]);
        value |= (channel[c] >> (8 - width)) << shift;
    }
    if (std::string(l.name) == "rgb32") value |= p & 0xFF000000u;
    for (uint32_t b = 0; b < bytes_per_pixel(l); ++b) out[b] = static_cast<uint8_t>(value >> (8 * b));
}

std::vector<uint8_t> reference_row(const Layout& l, const uint32_t* source, uint32_t count) {
    std::vector<uint8_t> out(count * bytes_per_pixel(l));
    for (uint32_t i = 0; i < count; ++i) reference_pixel(l, source[i], &out[i * bytes_per_pixel(l)]);
    return out;
}

// A destination row with guard bytes on both sides, misaligned by `offset`.
struct GuardedDestination {
    static constexpr size_t guard = 40;
    std::vector<uint8_t> bytes;
    size_t offset;
    size_t length;
    uint8_t fill;

    GuardedDestination(size_t length_, size_t offset_, uint8_t fill_)
        : bytes(guard + offset_ + length_ + guard, fill_), offset(offset_), length(length_), fill(fill_) {}
    uint8_t* row() { return bytes.data() + guard + offset; }
    // Bytes outside the row that no longer hold the fill.
    int touched_outside() const {
        int touched = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            bool inside = i >= guard + offset && i < guard + offset + length;
            if (!inside && bytes[i] != fill) ++touched;
        }
        return touched;
    }
};

class Converters : public ::testing::TestWithParam<Implementation> {};

TEST_P(Converters, EveryLayoutIsOfferedAndUnknownOnesRefused) {
    const Implementation& impl = GetParam();
    for (const Layout& l : layouts) EXPECT_NE(converter_of(impl, l), nullptr) << l.name;
    auto choose = [&](int32_t bpp, uint32_t r, uint32_t g, uint32_t b) {
        return impl.chosen ? choose_converter(bpp, r, g, b) : choose_converter_on(impl.path, bpp, r, g, b);
    };
    // 5-5-5 only at 16 bits per pixel; no depth but 32, 24 and 16.
    EXPECT_EQ(choose(15, 0x7C00, 0x03E0, 0x001F), nullptr);
    EXPECT_EQ(choose(32, 0x7C00, 0x03E0, 0x001F), nullptr);
    EXPECT_EQ(choose(24, 0xF800, 0x07E0, 0x001F), nullptr);
    EXPECT_EQ(choose(16, 0x00FF0000, 0x0000FF00, 0x000000FF), nullptr);
    for (uint32_t r : {0u, 0xE0u, 0x00FF0000u})
        EXPECT_EQ(choose(8, r, 0x1C, 0x03), nullptr);
    EXPECT_EQ(choose(0, 0, 0, 0), nullptr);
    EXPECT_EQ(choose(-32, 0x00FF0000, 0x0000FF00, 0x000000FF), nullptr);
    // Masks must match exactly: swapped green, a stray bit, an alpha byte.
    EXPECT_EQ(choose(32, 0x0000FF00, 0x00FF0000, 0x000000FF), nullptr);
    EXPECT_EQ(choose(32, 0xFF000000, 0x00FF0000, 0x0000FF00), nullptr);
    EXPECT_EQ(choose(16, 0xF800, 0x07E0, 0x003F), nullptr);
    EXPECT_EQ(choose(24, 0x00FF0000, 0x0000FF00, 0x000000FE), nullptr);
    EXPECT_EQ(choose(16, 0xF800, 0x03E0, 0x001F), nullptr);
}

// Random rows of every length from 0 to 64 (and a few full-width ones),
// from a source that ends at an inaccessible page and into a destination
// with guards: the bytes match the layout table, nothing around the row
// changes, and nothing past the last source pixel is read.
TEST_P(Converters, RandomRowsMatchTheLayoutTableAndStayInBounds) {
    const Implementation& impl = GetParam();
    std::mt19937 random(20261207);
    std::vector<uint32_t> counts;
    for (uint32_t c = 0; c <= 64; ++c) counts.push_back(c);
    for (uint32_t c : {320u, 321u, 639u, 640u}) counts.push_back(c);
    for (const Layout& l : layouts) {
        PixelConverter convert = converter_of(impl, l);
        ASSERT_NE(convert, nullptr) << l.name;
        for (uint32_t count : counts) {
            for (int trial = 0; trial < 3; ++trial) {
                GuardedRow source(count);
                for (uint32_t i = 0; i < count; ++i) source.pixels()[i] = random();
                GuardedDestination destination(count * bytes_per_pixel(l), (count + trial) % 4,
                                               static_cast<uint8_t>(random()));
                convert(source.pixels(), destination.row(), count);
                std::vector<uint8_t> expected = reference_row(l, source.pixels(), count);
                ASSERT_TRUE(std::equal(expected.begin(), expected.end(), destination.row()))
                    << l.name << " count " << count;
                ASSERT_EQ(0, destination.touched_outside()) << l.name << " count " << count;
            }
        }
    }
}

// The worked examples, at every position of a 37-pixel row so that both the
// block steps and the one-pixel steps produce them.
TEST_P(Converters, KnownPixelsInEveryPosition) {
    const Implementation& impl = GetParam();
    struct Example {
        uint32_t source;
        std::vector<uint8_t> bytes[layout_count];
    };
    const Example examples[] = {
        {0x00123456,
         {{0x56, 0x34, 0x12, 0x00}, {0x12, 0x34, 0x56, 0x00}, {0x56, 0x34, 0x12}, {0x12, 0x34, 0x56},
          {0xAA, 0x11}, {0xA2, 0x51}, {0xCA, 0x08}, {0xC2, 0x28}}},
        {0xAB123456,
         {{0x56, 0x34, 0x12, 0xAB}, {0x12, 0x34, 0x56, 0x00}, {0x56, 0x34, 0x12}, {0x12, 0x34, 0x56},
          {0xAA, 0x11}, {0xA2, 0x51}, {0xCA, 0x08}, {0xC2, 0x28}}},
        {0x00FFFFFF,
         {{0xFF, 0xFF, 0xFF, 0x00}, {0xFF, 0xFF, 0xFF, 0x00}, {0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
          {0xFF, 0xFF}, {0xFF, 0xFF}, {0xFF, 0x7F}, {0xFF, 0x7F}}},
        {0xFF070307,
         {{0x07, 0x03, 0x07, 0xFF}, {0x07, 0x03, 0x07, 0x00}, {0x07, 0x03, 0x07}, {0x07, 0x03, 0x07},
          {0, 0}, {0, 0}, {0, 0}, {0, 0}}},
    };
    constexpr uint32_t count = 37;
    for (int li = 0; li < layout_count; ++li) {
        const Layout& l = layouts[li];
        PixelConverter convert = converter_of(impl, l);
        for (const Example& e : examples) {
            // Every pixel the example: one value for every position.
            std::vector<uint32_t> same(count, e.source);
            std::vector<uint8_t> out(count * bytes_per_pixel(l), 0x5A);
            convert(same.data(), out.data(), count);
            for (uint32_t i = 0; i < count; ++i) {
                std::vector<uint8_t> got(out.begin() + i * bytes_per_pixel(l),
                                         out.begin() + (i + 1) * bytes_per_pixel(l));
                ASSERT_EQ(got, e.bytes[li]) << l.name << " source " << std::hex << e.source << " position "
                                            << std::dec << i;
            }
        }
    }
}

// The copy behind rgb32 at every byte count up to three blocks and a half,
// including counts that are not whole pixels.
TEST_P(Converters, BlockCopyCopiesExactlyTheByteCount) {
    const Implementation& impl = GetParam();
    // The forced paths reach their copy through their rgb32 converter, which
    // only takes whole pixels; the public block_copy takes any byte count.
    std::mt19937 random(7);
    for (uint32_t bytes = 0; bytes <= 224; ++bytes) {
        std::vector<uint8_t> source(bytes);
        for (auto& b : source) b = static_cast<uint8_t>(random());
        GuardedDestination destination(bytes, bytes % 8, 0xC3);
        if (impl.chosen) {
            block_copy(destination.row(), source.data(), bytes);
        } else {
            if (bytes % 4 != 0) continue;
            PixelConverter rgb32 = converter_of(impl, layouts[0]);
            std::vector<uint32_t> words(bytes / 4);
            if (bytes != 0) std::memcpy(words.data(), source.data(), bytes);
            rgb32(words.data(), destination.row(), bytes / 4);
        }
        ASSERT_TRUE(std::equal(source.begin(), source.end(), destination.row())) << bytes;
        ASSERT_EQ(0, destination.touched_outside()) << bytes;
    }
}

// Long double arithmetic right after each converter gives the right result:
// a packed converter that left the shared registers in packed-integer use
// would make it fail.
TEST_P(Converters, FloatingPointWorksAfterEveryConverter) {
    const Implementation& impl = GetParam();
    volatile long double one = 1.0L;
    auto harmonic = [&] {
        long double sum = 0.0L;
        for (int i = 1; i <= 12; ++i) sum += one / i;
        return sum;
    };
    const long double expected = harmonic();
    std::vector<uint32_t> source(100, 0x00808080);
    std::vector<uint8_t> destination(400);
    for (const Layout& l : layouts) {
        converter_of(impl, l)(source.data(), destination.data(), 100);
        long double after = harmonic();
        EXPECT_EQ(after, expected) << l.name;
        EXPECT_GT(after, 3.1L) << l.name;
        EXPECT_LT(after, 3.11L) << l.name;
    }
}

std::string implementation_name(const ::testing::TestParamInfo<Implementation>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Paths, Converters, ::testing::ValuesIn(implementations()), implementation_name);

TEST(ConverterChooser, ReturnsThePublicProceduresInTableOrder) {
    const PixelConverter expected[layout_count] = {convert_rgb32,  convert_bgr32,  convert_rgb24,
                                                   convert_bgr24,  convert_rgb565, convert_bgr565,
                                                   convert_rgb555, convert_bgr555};
    for (int i = 0; i < layout_count; ++i) {
        const Layout& l = layouts[i];
        EXPECT_EQ(choose_converter(l.bits_per_pixel, l.red_mask, l.green_mask, l.blue_mask), expected[i])
            << l.name;
    }
}

TEST(ConverterChooser, PathsMatchTheProcessor) {
    EXPECT_TRUE(converter_path_available(ConverterPath::portable));
    EXPECT_TRUE(converter_path_available(converter_best_path()));
#if defined(__i386__)
    EXPECT_TRUE(converter_path_available(ConverterPath::mmx));
    EXPECT_EQ(converter_best_path(), ConverterPath::mmx);
#elif defined(__x86_64__)
    EXPECT_TRUE(converter_path_available(ConverterPath::mmx));  // built, never the best
#else
    EXPECT_FALSE(converter_path_available(ConverterPath::mmx));
    EXPECT_EQ(choose_converter_on(ConverterPath::mmx, 32, 0x00FF0000, 0x0000FF00, 0x000000FF), nullptr);
#endif
#if defined(__x86_64__)
    EXPECT_TRUE(converter_path_available(ConverterPath::sse2));
    bool avx2 = __builtin_cpu_supports("avx2");
    EXPECT_EQ(converter_path_available(ConverterPath::avx2), avx2);
    EXPECT_EQ(converter_best_path(), avx2 ? ConverterPath::avx2 : ConverterPath::sse2);
#else
    EXPECT_FALSE(converter_path_available(ConverterPath::sse2));
    EXPECT_FALSE(converter_path_available(ConverterPath::avx2));
#endif
}

}  // namespace
