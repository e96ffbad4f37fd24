// Text for a JSON string literal (without the quotes), from bytes of any
// value: quotes and backslashes are escaped, and control characters and
// bytes above 127 become \u escapes of the byte's own value (the text is
// taken as Latin-1), so the output is plain ASCII and always valid JSON.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

inline std::string JsonEscaped(std::string_view text)
{
    std::string out;
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c > 0x7E) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += char(c);
        }
    }
    return out;
}
