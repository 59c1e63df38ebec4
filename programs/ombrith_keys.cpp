// ombrith-keys: reads keys from the console through the runtime's key input
// and prints each KeyString, its length and its bytes in hexadecimal, one per
// line. Escape ends it, and so does the close key (Alt+F4), which a closed
// console or terminal sends.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/console.h"
#include "runtime/key_input.h"
#include "runtime/startup.h"
#include "runtime/strings.h"

namespace {

constexpr char kUsage[] =
    "usage: ombrith-keys [--help | --version]\n"
    "Reads keys from the console (the terminal of standard input) and prints\n"
    "each as the runtime returns it: the length, then the bytes in hex.\n"
    "Special keys are two bytes, ff and the extended code. Escape ends it, and\n"
    "so does the console's close event (the key Alt+F4, ff 6b).\n";

const char kEscapeText[] = {27, 0};
const char kCloseText[] = {static_cast<char>(255), 0x6B, 0};

// Writes an answer to standard output: 0 when it arrived, 1 with a message
// when it did not (a full device, a closed descriptor).
int answer(const char* text) {
    errno = 0;
    if (std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 && !std::ferror(stdout)) {
        return 0;
    }
    std::fprintf(stderr, "ombrith-keys: cannot write to standard output: %s\n",
                 std::strerror(errno != 0 ? errno : EIO));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
            return answer(kUsage);
        }
        if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
            return answer("ombrith-keys " OMBRITH_VERSION "\n");
        }
        std::fprintf(stderr, "ombrith-keys: unexpected argument '%s'\n%s", argv[1], kUsage);
        return 2;
    }
    rt_init(argc, argv);
    rt_run_ctors();
    uint32_t mode = 0;
    if (!platform_console->get_mode(console_input_handle(), &mode)) {
        std::fputs("ombrith-keys: standard input is not a console\n", stderr);
        rt_end(2);
    }
    for (;;) {
        KeyString* key = rt_inkey();
        const uint32_t length = key->length & kLengthMask;
        if (length == 0) {
            rt_sleep(-1);
            continue;
        }
        std::printf("%u", length);
        for (uint32_t i = 0; i < length; ++i) {
            std::printf(" %02x", static_cast<unsigned>(static_cast<unsigned char>(key->data[i])));
        }
        std::printf("\n");
        std::fflush(stdout);
        const bool close = rt_str_compare(key->data, 0, kCloseText, 0) == 0;
        if (rt_str_compare(key, -1, kEscapeText, 2) == 0 || close) rt_end(0);
    }
}
