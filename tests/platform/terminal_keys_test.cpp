// Terminal bytes decoded into key records, and the key codes that the
// console key path makes of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/posix/terminal_keys.h"
#include "runtime/console_keys.h"

namespace {

struct Decoded {
    std::vector<TerminalKey> keys;
    size_t dropped = 0;  // bytes taken without a key
};

// Decodes a whole stream as one read delivers it; nothing more follows.
Decoded decode_all(const std::string& stream) {
    Decoded out;
    std::vector<uint8_t> bytes(stream.begin(), stream.end());
    size_t at = 0;
    while (at < bytes.size()) {
        TerminalKey key{};
        bool has_key = false;
        const size_t n = terminal_decode_key(bytes.data() + at, bytes.size() - at, false, &key, &has_key);
        EXPECT_GE(n, 1u);
        if (n == 0) break;
        if (has_key) {
            out.keys.push_back(key);
        } else {
            out.dropped += n;
        }
        at += n;
    }
    return out;
}

std::vector<int32_t> codes_of(const std::string& stream) {
    std::vector<int32_t> codes;
    for (const TerminalKey& k : decode_all(stream).keys) {
        codes.push_back(console_translate_key(k.character, k.scan_code, k.virtual_key, k.control_state));
    }
    return codes;
}

using Codes = std::vector<int32_t>;

TEST(TerminalDecode, OrdinaryBytesGiveTheirCharacters) {
    EXPECT_EQ(codes_of("a"), Codes{'a'});
    EXPECT_EQ(codes_of("Zz09 ~!|\"?"), (Codes{'Z', 'z', '0', '9', ' ', '~', '!', '|', '"', '?'}));
    EXPECT_EQ(codes_of("\r\t\x7f\x08"), (Codes{13, 9, 8, 8}));
    EXPECT_EQ(codes_of("\x01\x1a\x0a"), (Codes{1, 26, 10}));  // Ctrl+A, Ctrl+Z, Ctrl+J
    EXPECT_EQ(codes_of(std::string("\x00", 1)), Codes{-1});    // Ctrl+2 has no code
    EXPECT_EQ(codes_of("\xc3\xa9"), (Codes{0xC3, 0xA9}));       // bytes of a UTF-8 character

    const TerminalKey a = decode_all("A").keys.at(0);
    EXPECT_EQ(a.scan_code, 0x1E);
    EXPECT_EQ(a.virtual_key, 0x41);
    EXPECT_EQ(a.control_state, kShiftPressed);
    const TerminalKey ctrl_c = decode_all("\x03").keys.at(0);
    EXPECT_EQ(ctrl_c.scan_code, 0x2E);
    EXPECT_EQ(ctrl_c.control_state, kLeftCtrlPressed);
}

TEST(TerminalDecode, CursorAndEditingKeys) {
    // Both the normal and the application cursor modes.
    EXPECT_EQ(codes_of("\x1b[A\x1b[B\x1b[C\x1b[D"), (Codes{0x48FF, 0x50FF, 0x4DFF, 0x4BFF}));
    EXPECT_EQ(codes_of("\x1bOA\x1bOB\x1bOC\x1bOD"), (Codes{0x48FF, 0x50FF, 0x4DFF, 0x4BFF}));
    EXPECT_EQ(codes_of("\x1b[H\x1b[F\x1bOH\x1bOF"), (Codes{0x47FF, 0x4FFF, 0x47FF, 0x4FFF}));
    EXPECT_EQ(codes_of("\x1b[1~\x1b[2~\x1b[3~\x1b[4~\x1b[5~\x1b[6~\x1b[7~\x1b[8~"),
              (Codes{0x47FF, 0x52FF, 0x53FF, 0x4FFF, 0x49FF, 0x51FF, 0x47FF, 0x4FFF}));
    EXPECT_TRUE(decode_all("\x1b[3~").keys.at(0).control_state & kEnhancedKey);
    // Modifiers: Ctrl+Up, Alt+Left, Ctrl+Delete, Shift+Up keeps the plain code.
    EXPECT_EQ(codes_of("\x1b[1;5A\x1b[1;3D\x1b[3;5~\x1b[1;2A"), (Codes{0x8DFF, 0x9BFF, 0x93FF, 0x48FF}));
    EXPECT_EQ(codes_of("\x1b[Z"), Codes{0x0FFF});  // Shift+Tab
}

TEST(TerminalDecode, FunctionKeysInEveryEncoding) {
    EXPECT_EQ(codes_of("\x1bOP\x1bOQ\x1bOR\x1bOS"), (Codes{0x3BFF, 0x3CFF, 0x3DFF, 0x3EFF}));
    EXPECT_EQ(codes_of("\x1b[11~\x1b[12~\x1b[13~\x1b[14~\x1b[15~"),
              (Codes{0x3BFF, 0x3CFF, 0x3DFF, 0x3EFF, 0x3FFF}));
    EXPECT_EQ(codes_of("\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~\x1b[23~\x1b[24~"),
              (Codes{0x40FF, 0x41FF, 0x42FF, 0x43FF, 0x44FF, 0x85FF, 0x86FF}));
    EXPECT_EQ(codes_of("\x1b[[A\x1b[[E"), (Codes{0x3BFF, 0x3FFF}));  // Linux console
    // Shift+F1, Ctrl+F5, Alt+F12, Shift+F11.
    EXPECT_EQ(codes_of("\x1b[1;2P\x1b[15;5~\x1b[24;3~\x1bO2P\x1b[23;2~"),
              (Codes{0x54FF, 0x62FF, 0x8CFF, 0x54FF, 0x87FF}));
}

TEST(TerminalDecode, EscapeAndAltPrefix) {
    EXPECT_EQ(codes_of("\x1b"), Codes{27});
    EXPECT_EQ(codes_of("\x1b\x1b"), (Codes{27, 27}));
    EXPECT_EQ(codes_of("\x1bx\x1b" "7\x1b\r"), (Codes{0x2DFF, 0x7EFF, 0x1CFF}));
    EXPECT_EQ(codes_of("\x1b\x7f"), Codes{0xE0FF});  // Alt+Backspace
    EXPECT_EQ(codes_of("\x1bX"), Codes{0x2DFF});                         // Alt+Shift+x
    EXPECT_EQ(codes_of("\x1b["), Codes{0x1AFF});                         // Alt+[ alone
    EXPECT_EQ(codes_of("\x1bO"), Codes{0x18FF});                         // Alt+Shift+o
    EXPECT_EQ(codes_of("\x1bOz"), (Codes{0x18FF, 'z'}));
}

TEST(TerminalDecode, WaitsForTheRestOfASequence) {
    const std::string prefixes[] = {"\x1b", "\x1b[", "\x1b[1", "\x1b[1;", "\x1b[15;5", "\x1bO", "\x1bO2",
                                    "\x1b[["};
    for (const std::string& prefix : prefixes) {
        TerminalKey key{};
        bool has_key = true;
        const std::vector<uint8_t> bytes(prefix.begin(), prefix.end());
        EXPECT_EQ(terminal_decode_key(bytes.data(), bytes.size(), true, &key, &has_key), 0u) << prefix;
        EXPECT_FALSE(has_key);
    }
}

TEST(TerminalDecode, UnknownAndBrokenSequencesAreDropped) {
    Decoded d = decode_all("\x1b[200~a\x1b[?1;2c");  // paste mark, a device reply
    EXPECT_EQ(d.keys.size(), 1u);
    EXPECT_EQ(d.keys[0].character, 'a');
    // Cut short by the end of input, or by a control byte.
    EXPECT_EQ(codes_of("\x1b[1;5"), Codes{});
    EXPECT_EQ(codes_of("\x1b[1\x01" "b"), (Codes{1, 'b'}));
    // A byte that cannot end a Linux console function key starts the next
    // key: an Escape there is still Escape.
    EXPECT_EQ(codes_of("\x1b[[\x1b"), Codes{27});
    EXPECT_EQ(codes_of("\x1b[[x\x1b[[B"), (Codes{'x', 0x3CFF}));
    // Overlong parameters are dropped after the limit and do not hold up
    // what follows for good.
    std::string overlong = "\x1b[" + std::string(100, '1') + "A";
    d = decode_all(overlong);
    EXPECT_EQ(d.dropped, kTerminalSequenceLimit);
    ASSERT_FALSE(d.keys.empty());
    EXPECT_EQ(d.keys.back().character, 'A');
}

}  // namespace
