// libFuzzer target: the settings store's key-file parser on any text, and
// its writer on any values.
//
// What it holds them to: the parser never fails on a text that begins like
// a key file, and whatever it read, written again, reads back as the same
// values with no line left unread; any names and values (control
// characters, blanks, backslashes, bytes above 127) survive the round trip.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "platform/KeyFileFormat.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

void RequireRoundTrip(const KeyValues& values)
{
    const std::optional<ParsedKeyFile> again = ParseKeyFile(FormatKeyFile(values));
    Require(again && again->unreadableLines == 0 && again->values == values);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const std::optional<ParsedKeyFile> parsed = ParseKeyFile(text)) RequireRoundTrip(parsed->values);
    Require(ParseKeyFile("mirrex-key 1\n" + text).has_value());

    FuzzedDataProvider input(data, size);
    KeyValues values;
    while (input.remaining_bytes() > 0) {
        std::string name = input.ConsumeRandomLengthString(40);
        if (name.empty()) continue;  // the store never writes a value without a name
        if (input.ConsumeBool()) {
            values[name] = input.ConsumeIntegral<uint32_t>();
        } else {
            values[name] = input.ConsumeRandomLengthString(200);
        }
    }
    RequireRoundTrip(values);
    return 0;
}
