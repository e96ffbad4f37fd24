#include "shots/list/shot_number_text.h"

#include <algorithm>
#include <climits>

#include "shots/list/shot_types.h"

std::string ShotNumberText(const std::string& path)
{
    std::size_t length = 8;
    if (ShotFormatOfName(path)) {
        const std::size_t dot = path.rfind('.');
        length = std::max<std::size_t>(length, 4 + path.size() - dot);
    }
    const std::string tail = path.size() > length ? path.substr(path.size() - length) : path;
    return tail.substr(0, 4);
}

int ParseLikeAtoi(std::string_view text)
{
    std::size_t i = 0;
    // isspace in the C locale: blank, \t, \n, \v, \f, \r.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return int(value);
}
