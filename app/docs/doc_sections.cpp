#include "app/docs/doc_sections.h"

#include <algorithm>
#include <cstdio>

#include "app/commands/command_table.h"
#include "app/options/option_table.h"

namespace {

constexpr std::string_view BLOCK_NAMES[] = {"USAGE", "OPTIONS", "KEYS"};

void Replace(std::string& text, std::string_view placeholder, const std::string& by)
{
    for (std::size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + by.size()))
        text.replace(at, placeholder.size(), by);
}

// The code point of the UTF-8 sequence at text[at], and its length; an
// invalid sequence is U+FFFD, one byte long.
std::pair<unsigned, std::size_t> DecodeUtf8(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    if (length == 0 || at + length > text.size()) return {0xFFFD, 1};
    unsigned code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return {0xFFFD, 1};
        code = (code << 6) | (next & 0x3F);
    }
    return {code, length};
}

// The help line of row as --help fills it in: "{range}" is "LOW to HIGH",
// "{default}" the default value.
std::string FilledHelp(const OptionRow& row)
{
    std::string help(row.help);
    Replace(help, "{range}", OptionRangeText(row));
    Replace(help, "{default}", OptionNumberText(row.defaultValue));
    return help;
}

// The help line as a sentence of the manual page: a capital, a full stop.
std::string Sentence(std::string text)
{
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = char(text[0] - 'a' + 'A');
    if (!text.empty() && text.back() != '.') text += '.';
    return text;
}

// The label as --help shows it: a choice with a value name ("--loop MODE")
// shows the name, its choices are in the help line.
struct Label {
    std::string_view name;
    std::string value;  // "MS", "stretch|aspect", or empty
};

Label LabelOf(const OptionRow& row)
{
    if (row.kind == OptionKind::Flag) return {row.name, {}};
    if (row.kind == OptionKind::Choice && row.valueName.empty()) {
        // "--fit stretch|aspect": the choices as OptionLabel joins them.
        return {row.name, OptionLabel(row).substr(row.name.size() + 1)};
    }
    return {row.name, std::string(row.valueName)};
}

std::string RoffOption(const OptionRow& row)
{
    const Label label = LabelOf(row);
    std::string out = ".TP\n";
    if (!row.alias.empty()) {
        out += ".BR " + RoffText(row.alias) + " \", \" " + RoffText(label.name) + '\n';
    } else if (label.value.empty()) {
        out += ".B " + RoffText(label.name) + '\n';
    } else if (row.kind == OptionKind::Choice && row.valueName.empty()) {
        // The choices are words to type, bold like the name.
        out += ".B \"" + RoffText(label.name) + ' ' + RoffText(label.value) + "\"\n";
    } else {
        out += ".BI " + RoffText(label.name) + " \" " + RoffText(label.value) + "\"\n";
    }
    return out + RoffText(Sentence(FilledHelp(row))) + '\n';
}

std::string HtmlOption(const OptionRow& row)
{
    const Label label = LabelOf(row);
    std::string names;
    if (!row.alias.empty()) names = "<code>" + HtmlText(row.alias) + "</code>, ";
    names += "<code>" + HtmlText(label.name) + (label.value.empty() ? "" : " " + HtmlText(label.value)) + "</code>";
    return "<tr><td>" + names + "</td><td>" + HtmlText(FilledHelp(row)) + "</td></tr>\n";
}

std::string_view Prompt(const CommandRow& row)
{
    const std::string_view text(row.promptAndTip);
    return text.substr(0, text.find('\n'));
}

std::vector<std::string_view> KeysOf(const CommandRow& row)
{
    std::vector<std::string_view> keys;
    for (std::string_view key : row.keys) {
        if (!key.empty()) keys.push_back(key);
    }
    return keys;
}

std::string RoffKeys(const CommandRow& row, const std::vector<std::string_view>& keys)
{
    std::string out = ".TP\n";
    if (keys.size() == 1) {
        out += ".B " + RoffText(keys[0]) + '\n';
    } else {
        out += ".BR";
        for (std::size_t i = 0; i < keys.size(); ++i) out += (i ? " \", \" " : " ") + RoffText(keys[i]);
        out += '\n';
    }
    return out + RoffText(Prompt(row)) + '\n';
}

std::string HtmlKeys(const CommandRow& row, const std::vector<std::string_view>& keys)
{
    std::string out = "<tr><td>";
    for (std::size_t i = 0; i < keys.size(); ++i) out += (i ? ", <kbd>" : "<kbd>") + HtmlText(keys[i]) + "</kbd>";
    return out + "</td><td>" + HtmlText(Prompt(row)) + "</td></tr>\n";
}

std::string SectionNamed(std::string_view name, DocFormat format)
{
    if (name == "USAGE") return UsageSection(format);
    return name == "OPTIONS" ? OptionsSection(format) : KeysSection(format);
}

// The usage lines less "usage: " and the indent that lines them up under it;
// blank lines left out.
std::vector<std::string> UsageLines()
{
    constexpr std::string_view LEAD = "usage: ";
    std::vector<std::string> lines;
    const std::string usage = OptionUsage();
    for (std::size_t at = 0; at < usage.size();) {
        const std::size_t end = std::min(usage.find('\n', at), usage.size());
        std::string line = usage.substr(at, end - at);
        at = end + 1;
        if (line.find_first_not_of(' ') == std::string::npos) continue;
        if (line.starts_with(LEAD)) {
            line.erase(0, LEAD.size());
        } else {
            line.erase(0, std::min(LEAD.size(), line.find_first_not_of(' ')));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// One synopsis per form of the command line; a bracketed word ("[--shot N]")
// is never broken across lines.
std::string RoffUsage()
{
    std::string out;
    std::string form;
    const auto flush = [&out, &form] {
        if (form.empty()) return;
        const std::size_t program = std::min(form.find(' '), form.size());
        out += ".SY " + RoffText(form.substr(0, program)) + '\n';
        // The usage is ASCII, so the only brackets after escaping are its own.
        std::string rest;
        int depth = 0;
        for (const char c : RoffText(form.substr(std::min(program + 1, form.size())))) {
            depth += c == '[' ? 1 : c == ']' ? -1 : 0;
            rest += c == ' ' && depth > 0 ? std::string("\\ ") : std::string(1, c);
        }
        out += rest + "\n.YS\n";
        form.clear();
    };
    for (const std::string& line : UsageLines()) {
        if (line[0] != ' ') flush();
        if (!form.empty()) form += ' ';
        form += line.substr(line.find_first_not_of(' '));
    }
    flush();
    return out;
}

// Where the marker line starts, or npos: it must be a whole line.
std::size_t FindLine(std::string_view document, const std::string& line, std::size_t from)
{
    for (std::size_t at = document.find(line, from); at != std::string_view::npos; at = document.find(line, at + 1)) {
        const bool starts = at == 0 || document[at - 1] == '\n';
        const std::size_t end = at + line.size();
        const bool ends = end == document.size() || document[end] == '\n' || document.substr(end, 2) == "\r\n";
        if (starts && ends) return at;
    }
    return std::string_view::npos;
}

// The block's lines lie from begin to end.
struct BlockPlace {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string error;
};

BlockPlace PlaceOf(std::string_view document, DocFormat format, std::string_view name)
{
    const std::string open = BlockMarker(format, true, name);
    const std::string close = BlockMarker(format, false, name);
    const std::size_t openAt = FindLine(document, open, 0);
    const std::size_t closeAt = FindLine(document, close, 0);
    BlockPlace place;
    if (openAt == std::string_view::npos || closeAt == std::string_view::npos) {
        place.error = "the line '" + (openAt == std::string_view::npos ? open : close) + "' is missing";
    } else if (closeAt < openAt) {
        place.error = "'" + close + "' comes before '" + open + "'";
    } else if (FindLine(document, open, openAt + 1) != std::string_view::npos ||
               FindLine(document, close, closeAt + 1) != std::string_view::npos) {
        place.error = "the " + std::string(name) + " markers are there more than once";
    } else {
        place.begin = document.find('\n', openAt) + 1;
        place.end = closeAt;
    }
    return place;
}

}  // namespace

std::string RoffText(std::string_view text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const auto [code, length] = DecodeUtf8(text, at);
            char name[16];
            std::snprintf(name, sizeof name, "\\[u%04X]", code);
            out += name;
            at += length;
            continue;
        }
        if ((c == '.' || c == '\'') && out.empty()) out += "\\&";
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else if (c == '"') {
            out += "\\(dq";
        } else if (c == '\n') {
            out += ' ';  // one entry, one line
        } else {
            out += c;
        }
        ++at;
    }
    return out;
}

std::string HtmlText(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            out += c;
        }
    }
    return out;
}

std::string UsageSection(DocFormat format)
{
    if (format == DocFormat::Roff) return RoffUsage();
    // The last line ends at </pre>, or the block would end in a blank line.
    std::string out = "<pre>";
    for (const std::string& line : UsageLines()) out += HtmlText(line) + '\n';
    if (out.back() == '\n') out.pop_back();
    return out + "</pre>\n";
}

std::string OptionsSection(DocFormat format)
{
    std::string out;
    for (const OptionRow& row : OptionTable()) out += format == DocFormat::Roff ? RoffOption(row) : HtmlOption(row);
    return out;
}

std::string KeysSection(DocFormat format)
{
    std::string out;
    for (const CommandRow& row : CommandTable()) {
        const std::vector<std::string_view> keys = KeysOf(row);
        if (row.promptAndTip == nullptr || keys.empty()) continue;
        out += format == DocFormat::Roff ? RoffKeys(row, keys) : HtmlKeys(row, keys);
    }
    return out;
}

std::vector<GeneratedBlock> GeneratedBlocks(DocFormat format)
{
    std::vector<GeneratedBlock> blocks;
    for (std::string_view name : BLOCK_NAMES) blocks.push_back({name, SectionNamed(name, format)});
    return blocks;
}

std::string BlockMarker(DocFormat format, bool begin, std::string_view name)
{
    const std::string words = std::string(begin ? "BEGIN" : "END") + " GENERATED " + std::string(name);
    return format == DocFormat::Roff ? ".\\\" " + words : "<!-- " + words + " -->";
}

BlockText FindBlock(std::string_view document, DocFormat format, std::string_view name)
{
    const BlockPlace place = PlaceOf(document, format, name);
    if (!place.error.empty()) return {{}, place.error};
    return {std::string(document.substr(place.begin, place.end - place.begin)), {}};
}

Rewritten RewriteBlocks(std::string_view document, DocFormat format)
{
    std::string text(document);
    for (const GeneratedBlock& block : GeneratedBlocks(format)) {
        const BlockPlace place = PlaceOf(text, format, block.name);
        if (!place.error.empty()) return {{}, place.error};
        text.replace(place.begin, place.end - place.begin, block.text);
    }
    return {text, {}};
}
