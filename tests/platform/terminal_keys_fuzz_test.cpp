// Random terminal byte streams through the POSIX backend's decoder and the
// console key path: the same keys in any chunking, every code valid, no byte
// read past the end, nothing left undecided at the end of input.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/posix/terminal_keys.h"
#include "runtime/console_keys.h"
#include "runtime/startup.h"
#include "tests/doubles/fake_console.h"

namespace {

// A key code as the queue may hold it: a character, or 255 below an
// extended code.
bool valid_code(int32_t code) {
    if (code >= 0 && code <= 255) return true;
    return (code & 0xFF) == 0xFF && (code >> 8) >= 1 && (code >> 8) <= 0xFF;
}

class TerminalFuzz : public ::testing::Test {
protected:
    void SetUp() override {
        fake_tables_install();
        rt_init(0, nullptr);
    }
    void TearDown() override { fake_tables_restore(); }
};

// Random bytes, biased towards the pieces of escape sequences.
std::vector<uint8_t> random_stream(std::mt19937& rng, size_t length) {
    static const uint8_t pieces[] = {0x1B, '[', 'O', ';', '~', '1', '2', '5', 'A', 'P', 'Z', '[', 0x7F, 0x00};
    std::vector<uint8_t> bytes(length);
    for (uint8_t& b : bytes) {
        b = rng() % 3 ? pieces[rng() % sizeof pieces] : static_cast<uint8_t>(rng());
    }
    return bytes;
}

struct DecodedKey {
    TerminalKey key;
    bool operator==(const DecodedKey& o) const {
        return key.character == o.key.character && key.scan_code == o.key.scan_code &&
               key.virtual_key == o.key.virtual_key && key.control_state == o.key.control_state;
    }
};

// Decodes a stream delivered in chunks, as reads deliver it: waits at an
// incomplete sequence for the next chunk, decides it only at the end.
std::vector<DecodedKey> decode_in_chunks(const std::vector<uint8_t>& stream, std::mt19937& rng,
                                         bool chunked) {
    std::vector<DecodedKey> keys;
    std::vector<uint8_t> pending;
    size_t fed = 0;
    while (fed < stream.size() || !pending.empty()) {
        const size_t chunk = chunked ? 1 + rng() % 7 : stream.size();
        const size_t take = std::min(chunk, stream.size() - fed);
        pending.insert(pending.end(), stream.begin() + static_cast<long>(fed),
                       stream.begin() + static_cast<long>(fed + take));
        fed += take;
        const bool more = fed < stream.size();
        size_t at = 0;
        while (at < pending.size()) {
            // An exact-size copy, so that any read past the end is caught.
            std::vector<uint8_t> rest(pending.begin() + static_cast<long>(at), pending.end());
            TerminalKey key{};
            bool has_key = false;
            const size_t n = terminal_decode_key(rest.data(), rest.size(), more, &key, &has_key);
            EXPECT_LE(n, rest.size());
            if (n == 0) {
                EXPECT_TRUE(more) << "decided nothing at the end of input";
                EXPECT_LT(rest.size(), kTerminalSequenceLimit);
                break;
            }
            if (has_key) {
                keys.push_back({key});
                const int32_t code = console_translate_key(key.character, key.scan_code,
                                                           key.virtual_key, key.control_state);
                EXPECT_TRUE(code == -1 || valid_code(code));
            }
            at += n;
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(at));
        if (!more && !pending.empty()) {
            ADD_FAILURE() << "bytes left at the end";
            break;
        }
    }
    return keys;
}

TEST_F(TerminalFuzz, TerminalStreamsDecodeTheSameInAnyChunking) {
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        const std::vector<uint8_t> stream = random_stream(rng, 1 + rng() % 80);
        const std::vector<DecodedKey> whole = decode_in_chunks(stream, rng, false);
        const std::vector<DecodedKey> chunked = decode_in_chunks(stream, rng, true);
        ASSERT_EQ(whole.size(), chunked.size()) << round;
        ASSERT_TRUE(whole == chunked) << round;
        if (HasFailure()) return;
    }
}

}  // namespace
