// Renders random set-ups and frames and prints a hash of each, so that two
// builds (native and WebAssembly) can be compared; with --dump it writes the
// pixels of one of them for counting the pixels that differ.
//
//   web_differential [--plain] [--tables] VARIANT SETUPS FRAMES [--dump INDEX FILE]
//
// --plain renders with the plain passes and lenses, as the algorithm reads,
// instead of the fastest paths of the build.
//
// Line k of the output is "k hash" for item k: items come per set-up, its
// picture first, then FRAMES frames of random animation states and clock
// readings. The random inputs come from an integer generator, so both builds
// draw the same ones. --tables adds a last line for what neither the variant
// nor --plain changes: the animation over 100,000 frames, extended-precision
// operations and the tables (most of a run's time under qemu, so one run
// per pair of builds asks for it).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "effect/colour_mapping.h"
#include "effect/driver.h"
#include "effect/lens.h"
#include "effect/fast/lens_frame.h"
#include "effect/pattern_field.h"
#include "runtime/numbers.h"

namespace {

uint64_t random_state = 0x9E3779B97F4A7C15ull;

uint64_t next_random() {
    // splitmix64
    uint64_t z = (random_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Uniform in [0, 1) on a grid of 2^-53.
double unit() { return static_cast<double>(next_random() >> 11) * 0x1p-53; }

// A clock reading of any size a demo meets: 10^-1 to 10^6 seconds.
double clock_reading() {
    double scale = 0.1;
    for (uint64_t k = next_random() % 8; k > 0; --k) scale *= 10.0;
    return unit() * scale;
}

uint64_t hash(const void* data, size_t bytes, uint64_t h = 0xCBF29CE484222325ull) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < bytes; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
    return h;
}

// The animation as the demo runs it for `steps` frames at 60 per second,
// each state hashed: the ripple phase grows by 0.2 per frame, which is where
// extended-precision sums are rounded twice on their way to a single.
uint64_t animation_hash(int32_t steps) {
    AnimationState a;
    animation_begin(a, 0.0);
    uint64_t h = 0xCBF29CE484222325ull;
    for (int32_t k = 0; k < steps; ++k) {
        const double t = k / 60.0;
        animation_step(a, t, t);
        h = hash(&a, sizeof a, h);
    }
    return h;
}

bool plain = false;
bool tables_line = false;

// Extended-precision sums, products, quotients and square roots of operands
// of every size the effect meets, each rounded as one x87 operation rounds
// (rt_ext), hashed by sign, exponent and 64-bit significand. The x87 unit
// rounds each operation itself; WebAssembly computes in binary128 and
// rounds with rt_ext; both must give the same bits.
uint64_t extended_operations_hash(int32_t count) {
    auto operand = [] {
        const double scale = static_cast<double>(uint64_t{1} << (next_random() % 40));
        const double value = (unit() - 0.5) * scale;
        // Half of them singles, as the effect's stored values are.
        return next_random() % 2 == 0 ? static_cast<long double>(static_cast<float>(value))
                                      : static_cast<long double>(value);
    };
    uint64_t h = 0xCBF29CE484222325ull;
    auto add_value = [&](long double x) {
        int exponent = 0;
        const long double fraction = std::frexp(x, &exponent);
        const auto significand =
            static_cast<uint64_t>(std::fabs(fraction) * 18446744073709551616.0L);
        const int32_t sign = x < 0 ? 1 : 0;
        h = hash(&significand, sizeof significand, h);
        h = hash(&exponent, sizeof exponent, h);
        h = hash(&sign, sizeof sign, h);
    };
    for (int32_t k = 0; k < count; ++k) {
        const long double a1 = operand();
        const long double a2 = operand();
        const long double a = rt_ext(a1 * a2);
        const long double b = operand();
        add_value(rt_ext(a + b));
        add_value(rt_ext(a * b));
        if (b != 0) add_value(rt_ext(a / b));
        add_value(rt_ext(std::sqrt(std::fabs(a))));
    }
    return h;
}

template <const Variant& V>
void set_up(EffectState<V>& state, double seed) {
    if (!plain) {
        effect_setup<V>(state, seed);
        return;
    }
    rt_randomize(seed);
    fill_isqrt_table();
    draw_points<V>(state);
    distance_pass_reference<V>(state);
    colour_pass_reference<V>(state);
}

template <const Variant& V>
void render(EffectState<V>& state) {
    if (!plain) {
        render_frame<V>(state);
        return;
    }
    copy_frame<V>(state.work_frame, state.picture);
    for (int32_t k = 0; k < 3; ++k) {
        const LensPlacement& lens = V.lenses[k];
        draw_lens_reference<V>(state.work_frame, state.picture,
                               state.anim.offsets[2 * k] + lens.base_x,
                               state.anim.offsets[2 * k + 1] + lens.base_y, lens.size,
                               state.anim.ripple());
    }
}

template <const Variant& V>
int run(int32_t setups, int32_t frames, int64_t dump_index, const char* dump_path) {
    auto state = std::make_unique<EffectState<V>>();
    int64_t item = 0;
    // Each line covers the pixels and what they came from: the distance
    // field and its extremes for a picture, the animation state for a frame.
    auto emit = [&](const uint32_t* pixels) {
        if (dump_index < 0) {
            uint64_t h = hash(pixels, sizeof(uint32_t) * static_cast<size_t>(V.pixels()));
            if (pixels == state->picture) {
                h = hash(state->distance_field, sizeof state->distance_field, h);
                h = hash(&state->field_min, sizeof(float), h);
                h = hash(&state->field_max, sizeof(float), h);
            } else {
                h = hash(&state->anim, sizeof state->anim, h);
            }
            std::printf("%lld %016llx\n", static_cast<long long>(item),
                        static_cast<unsigned long long>(h));
        } else if (item == dump_index) {
            std::FILE* out = std::fopen(dump_path, "wb");
            if (out == nullptr) return false;
            const size_t n = static_cast<size_t>(V.pixels());
            const bool ok = std::fwrite(pixels, sizeof(uint32_t), n, out) == n;
            if (std::fclose(out) != 0 || !ok) return false;
        }
        ++item;
        return true;
    };
    for (int32_t s = 0; s < setups; ++s) {
        // Whole seeds and fractional ones, as a clock reading gives.
        const double seed = (next_random() % 2 == 0) ? static_cast<double>(next_random() % 100000)
                                                      : clock_reading();
        state->anim = AnimationState{};
        set_up<V>(*state, seed);
        if (!emit(state->picture)) return 1;
        for (int32_t f = 0; f < frames; ++f) {
            AnimationState& a = state->anim;
            a.ripple_phase = static_cast<float>(unit() * 50000.0);
            a.lobe_count = static_cast<int32_t>(next_random() % 6);
            a.amp_sign = static_cast<int32_t>(next_random() % 3) - 1;
            const double frame_clock = clock_reading();
            const double amp_clock = frame_clock + unit() * 0.001;
            animation_step(a, frame_clock, amp_clock);
            render<V>(*state);
            if (!emit(state->work_frame)) return 1;
        }
        if (dump_index >= 0 && item > dump_index) return 0;
    }
    if (dump_index >= 0) return 1;  // no such item
    if (!tables_line) return 0;
    // The animation, the extended operations, the square-root table and the
    // fast lenses' angle table: every arctangent of the lenses' whole-number
    // grid, rounded to single.
    uint64_t tables = animation_hash(100000);
    tables = hash(&tables, sizeof tables, extended_operations_hash(30000));
    tables = hash(isqrt_table, sizeof isqrt_table, tables);
    tables = hash(lens_fast::angle_table(), sizeof(float) * lens_fast::kSide * lens_fast::kStride, tables);
    std::printf("animation+tables %016llx\n", static_cast<unsigned long long>(tables));
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (; argc > 1; --argc, ++argv) {
        if (std::strcmp(argv[1], "--plain") == 0) {
            plain = true;
        } else if (std::strcmp(argv[1], "--tables") == 0) {
            tables_line = true;
        } else {
            break;
        }
    }
    if (argc != 4 && argc != 7) {
        std::fputs("usage: web_differential [--plain] [--tables] VARIANT SETUPS FRAMES [--dump INDEX FILE]\n",
                   stderr);
        return 2;
    }
    const int variant = std::atoi(argv[1]);
    const int32_t setups = std::atoi(argv[2]);
    const int32_t frames = std::atoi(argv[3]);
    int64_t dump_index = -1;
    const char* dump_path = nullptr;
    if (argc == 7) {
        if (std::strcmp(argv[4], "--dump") != 0) return 2;
        dump_index = std::atoll(argv[5]);
        dump_path = argv[6];
        if (dump_index < 0) return 2;
    }
    if ((variant != 320 && variant != 640) || setups < 1 || frames < 0) return 2;
    return variant == 320 ? run<variant320>(setups, frames, dump_index, dump_path)
                          : run<variant640>(setups, frames, dump_index, dump_path);
}
