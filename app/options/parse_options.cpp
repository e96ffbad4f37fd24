#include "app/options/parse_options.h"

#include <charconv>

namespace {

std::string Needs(const OptionRow& row, std::string_view what)
{
    return std::string(row.name) + " needs " + std::string(what);
}

// "stretch or aspect", "wrap, pingpong or once".
std::string ChoiceList(const OptionRow& row)
{
    std::string list;
    std::size_t count = 0;
    while (count < row.choices.size() && !row.choices[count].empty()) ++count;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) list += i + 1 == count ? " or " : ", ";
        list += row.choices[i];
    }
    return list;
}

std::string MissingValue(const OptionRow& row)
{
    if (!row.missing.empty()) return Needs(row, row.missing);
    return row.kind == OptionKind::Choice ? Needs(row, ChoiceList(row)) : Needs(row, row.what);
}

bool ParseDecimal(std::string_view text, double low, double high, double& value)
{
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    if (!(number >= low && number <= high)) return false;  // NaN too
    value = number;
    return true;
}

// Checks value against the row; the reason when it does not fit.
std::string ReadValue(const OptionRow& row, std::string_view value, OptionValue& out)
{
    const std::string refused = ", not '" + std::string(value) + "'";
    switch (row.kind) {
    case OptionKind::Count:
        if (!ParseBoundedNumber(value, row.low, row.high, out.number)) {
            const bool digits = !value.empty() && value.find_first_not_of("0123456789") == std::string_view::npos;
            if (digits)
                return Needs(row, row.what) + " from " + OptionRangeText(row) + ": '" + std::string(value) +
                       "' is out of range";
            return Needs(row, row.what) + " from " + OptionRangeText(row) + refused;
        }
        break;
    case OptionKind::Decimal:
        if (!ParseDecimal(value, row.low, row.high, out.number))
            return Needs(row, row.what) + " from " + OptionRangeText(row) + refused;
        break;
    case OptionKind::Choice:
        for (std::size_t i = 0; i < row.choices.size(); ++i) {
            if (!row.choices[i].empty() && row.choices[i] == value) {
                out.choice = int(i);
                return {};
            }
        }
        return Needs(row, ChoiceList(row)) + refused;
    case OptionKind::Text:
        if (value.empty()) return MissingValue(row);
        break;
    case OptionKind::AnyText:
        break;
    case OptionKind::Flag:
        break;
    }
    return {};
}

}  // namespace

bool ParseBoundedNumber(std::string_view text, double low, double high, double& value)
{
    if (text.empty()) return false;
    double number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        if (number <= high) number = number * 10 + (c - '0');  // stops growing once too large
    }
    if (number < low || number > high) return false;
    value = number;
    return true;
}

ParsedOptions ParseOptions(std::span<const std::string> words)
{
    ParsedOptions parsed;
    bool onlyPaths = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (onlyPaths || word == "-" || !word.starts_with('-')) {
            parsed.paths.push_back(i);
            continue;
        }
        if (word == "--") {
            onlyPaths = true;
            continue;
        }
        const std::size_t equals = word.find('=');
        const OptionRow* row = FindOption(std::string_view(word).substr(0, equals));
        // A flag takes no "=value": "--play=no" is no option of ours.
        if (!row || (row->kind == OptionKind::Flag && equals != std::string::npos)) {
            parsed.error = "unknown option '" + word + "'";
            return parsed;
        }
        OptionValue value{.row = row, .word = i};
        if (row->kind != OptionKind::Flag) {
            if (equals != std::string::npos) {
                value.offset = equals + 1;
            } else if (i + 1 < words.size()) {
                value.word = ++i;
            } else {
                parsed.error = MissingValue(*row);
                return parsed;
            }
            parsed.error = ReadValue(*row, std::string_view(words[value.word]).substr(value.offset), value);
            if (!parsed.error.empty()) return parsed;
        }
        parsed.options.push_back(value);
    }
    return parsed;
}
