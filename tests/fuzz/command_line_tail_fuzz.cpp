// libFuzzer target for CommandLineTail, the start-up's command-line rule.
//
// Input: a header that chooses the lead bytes of the simulated code page,
// then the command line itself. The line is copied, up to its first zero
// byte, into a heap buffer of exactly its size plus the terminator, so that
// AddressSanitizer catches any read past the terminator.
//
// Each run checks the result against a reference derivation written
// independently of the launcher's (it splits the line into characters first,
// then looks for the end of the name among them), and checks the rule's
// properties directly. Any violation aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "platform/host/desktop.h"

namespace {

#define CHECK(condition)                                                                  \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            std::fprintf(stderr, "property violated: %s (%s:%d)\n", #condition, __FILE__, \
                         __LINE__);                                                       \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

bool IsBlank(unsigned char c) { return c >= 1 && c <= 32; }

// Header byte h: with bit 7 set, every byte from 0x81 to 0xFE is a lead byte
// (a broad double-byte code page); its low two bits give how many header
// bytes follow, each naming one more lead byte. Lead bytes of the double-byte
// code pages lie at 0x81 and above, so each named byte has bit 7 forced on.
std::set<BYTE> LeadBytes(const uint8_t*& data, size_t& size) {
    std::set<BYTE> lead;
    if (size == 0) return lead;
    const uint8_t header = *data++;
    --size;
    if ((header & 0x80) != 0)
        for (unsigned c = 0x81; c <= 0xFE; ++c) lead.insert(static_cast<BYTE>(c));
    for (unsigned n = header & 3u; n != 0 && size != 0; --n, --size)
        lead.insert(static_cast<BYTE>(*data++ | 0x80));
    return lead;
}

// The reference: the offset at which the tail starts in `line`.
size_t ReferenceTailOffset(const std::string& line, const std::set<BYTE>& lead) {
    // Split into characters: a lead byte and the byte after it form one
    // character; a lead byte with nothing after it stands alone.
    struct Char {
        size_t offset;
        size_t length;
    };
    std::vector<Char> chars;
    for (size_t i = 0; i < line.size();) {
        const bool pair = lead.count(static_cast<BYTE>(line[i])) != 0 && i + 1 < line.size();
        chars.push_back({i, pair ? size_t{2} : size_t{1}});
        i += chars.back().length;
    }
    // The name ends at the first single-byte blank outside quotes; a single
    // quote character toggles.
    size_t end = line.size();
    bool inQuotes = false;
    for (const Char& ch : chars) {
        if (ch.length != 1) continue;
        const auto c = static_cast<unsigned char>(line[ch.offset]);
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (IsBlank(c) && !inQuotes) {
            end = ch.offset;
            break;
        }
    }
    while (end < line.size() && IsBlank(static_cast<unsigned char>(line[end]))) ++end;
    return end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::set<BYTE> lead = LeadBytes(data, size);
    sim::desktop().leadBytes = lead;

    const void* zero = std::memchr(data, 0, size);
    const size_t length =
        zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data) : size;
    std::unique_ptr<char[]> buffer(new char[length + 1]);
    std::memcpy(buffer.get(), data, length);
    buffer[length] = '\0';
    const std::string line(buffer.get(), length);

    const char* tail = CommandLineTail(buffer.get());

    // A suffix of the line: inside the buffer, running to its terminator.
    CHECK(tail >= buffer.get() && tail <= buffer.get() + length);
    const auto offset = static_cast<size_t>(tail - buffer.get());
    CHECK(std::strlen(tail) == length - offset);
    // The line is left as it was.
    CHECK(line.compare(0, length, buffer.get(), length) == 0);
    // Never starts with a blank, and a non-empty tail follows one.
    CHECK(offset == length || !IsBlank(static_cast<unsigned char>(line[offset])));
    CHECK(offset == length ||
          (offset > 0 && IsBlank(static_cast<unsigned char>(line[offset - 1]))));
    // A line without any blank at all is all name.
    bool anyBlank = false;
    for (const char c : line) anyBlank = anyBlank || IsBlank(static_cast<unsigned char>(c));
    CHECK(anyBlank || offset == length);
    // And the whole rule, quotes and lead bytes included.
    CHECK(offset == ReferenceTailOffset(line, lead));
    return 0;
}
