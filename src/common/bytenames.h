// Names as the file system gives them: bytes that need not be valid UTF-8. The program keeps only
// names that are (a name it cannot store exactly could be merged with another one or never be
// found again), and shows the others with their odd bytes escaped, so that the user can find them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexaris {

// The length of the valid UTF-8 sequence at the start of text, or 0 when it does not start with
// one (overlong forms, surrogates and code points past U+10FFFF are not valid).
inline size_t utf8SequenceLength(std::string_view text)
{
    if (text.empty())
        return 0;
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t first = byte(0);
    if (first < 0x80)
        return 1;
    size_t length = 0;
    uint32_t lowest = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2;
        lowest = 0x80;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3;
        lowest = 0x800;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    uint32_t code = first & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

inline bool isValidUtf8(std::string_view text)
{
    while (!text.empty()) {
        const size_t length = utf8SequenceLength(text);
        if (length == 0)
            return false;
        text.remove_prefix(length);
    }
    return true;
}

// The name for a log line: every byte that is not part of valid UTF-8, and every control
// character, written as \xNN, so that one name stays one line and shows what is on disk.
inline std::string printableName(std::string_view text)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const size_t length = utf8SequenceLength(text);
        const auto first = static_cast<uint8_t>(text[0]);
        if (length == 0 || first < 0x20 || first == 0x7F) {
            out += "\\x";
            out += hex[first >> 4];
            out += hex[first & 0xF];
            text.remove_prefix(1);
        } else {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return out;
}

} // namespace vexaris
