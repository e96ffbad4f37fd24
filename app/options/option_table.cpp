#include "app/options/option_table.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "compare/compare_options.h"
#include "export/shot_export.h"
#include "shots/playback/play_interval.h"
#include "shots/playback/playback_options.h"
#include "shots/view/view_geometry.h"

namespace {

constexpr double SHOT_NUMBER_MAX = 999999999;  // nine digits: stays an int
constexpr PlaybackOptions kPlaybackDefaults{};

using enum OptionId;
using enum OptionKind;

// In the order of the usage line and the help.
constexpr OptionRow kOptions[] = {
    {.id = NoSplash, .name = "--no-splash", .kind = Flag, .help = "start without the splash picture"},
    {.id = Shot, .name = "--shot", .kind = Count, .low = 0, .high = SHOT_NUMBER_MAX, .valueName = "N",
     .what = "a shot number", .help = "after opening PATH, jump to shot number N ({range})"},
    {.id = Screenshot, .name = "--screenshot", .kind = Text, .valueName = "FILE", .what = "a file name",
     .help = "save the main window as PNG once the shot is painted, then exit (without a display the "
             "screenshot is drawn off screen)"},
    {.id = PrintStatus, .name = "--print-status", .kind = Flag,
     .help = "before exiting, print the shot-number box, a tab and the status box on one line"},
    {.id = Follow, .name = "--follow", .kind = Flag,
     .help = "show each new shot as it arrives in the directory (key F turns it on and off; any move "
             "turns it off)"},
    {.id = Poll, .name = "--poll", .kind = Flag,
     .help = "look for new shots by listing the directory once a second, as on network file systems, "
             "instead of asking the kernel"},
    {.id = Interval, .name = "--interval", .kind = Count, .low = PLAY_INTERVAL_MIN_MS, .high = PLAY_INTERVAL_MAX_MS,
     .defaultValue = PLAY_INTERVAL_DEFAULT_MS, .valueName = "MS", .what = "a whole number of milliseconds",
     .missing = "a number of milliseconds",
     .help = "show each shot for MS milliseconds while playing ({range}; {default} when not given)"},
    {.id = Fit, .name = "--fit", .kind = Choice, .choices = {"stretch", "aspect"},
     .help = "fit the shot to the window stretched (the default) or aspect-true, centred on white "
             "(key A switches)"},
    {.id = Zoom, .name = "--zoom", .kind = Decimal, .low = ViewGeometry::MIN_ZOOM * 100,
     .high = ViewGeometry::MAX_ZOOM * 100, .valueName = "PCT", .what = "a percentage",
     .help = "start at PCT percent of the shot's own size, fit off ({range}; Ctrl+Plus, Ctrl+Minus, "
             "Ctrl+0 and Ctrl with the wheel zoom)"},
    {.id = FullScreen, .name = "--fullscreen", .kind = Flag, .help = "start full screen (F11 switches, Escape leaves)"},
    {.id = Overlay, .name = "--overlay", .kind = Flag, .help = "start with the shot overlay on (key I switches)"},
    {.id = Timeline, .name = "--timeline", .kind = Flag,
     .help = "start with the strip of thumbnails along the bottom (key T shows and hides it; with "
             "--screenshot, the visible thumbnails are waited for, at most 5 s)"},
    {.id = Play, .name = "--play", .kind = Flag, .help = "start playing once the first shot is painted"},
    {.id = ExitAfter, .name = "--exit-after", .kind = Count, .low = 0, .high = 86400000, .valueName = "MS",
     .what = "a number of milliseconds",
     .help = "quit MS milliseconds after playing starts (or after the first paint; {range})"},
    {.id = PrintPlayStats, .name = "--print-play-stats", .kind = Flag,
     .help = "on exit print: played: N shots shown, M late, worst W ms late (and, with --drop, S skipped)"},
    {.id = Drop, .name = "--drop", .kind = Flag,
     .help = "keep to the clock: a shot not decoded when it is due is skipped, so time runs at the right "
             "speed (key D)"},
    {.id = Reverse, .name = "--reverse", .kind = Flag, .help = "play backwards (key R)"},
    {.id = Loop, .name = "--loop", .kind = Choice, .valueName = "MODE", .choices = {"wrap", "pingpong", "once"},
     .missing = "a value",
     .help = "wrap (the default), pingpong, or once: stop at the end (key L)"},
    {.id = In, .name = "--in", .kind = Count, .low = 0, .high = SHOT_NUMBER_MAX, .valueName = "N",
     .what = "a shot number",
     .help = "play and step only from shot number N on ({range}; key [ sets it at the shot on display, "
             "\\ clears it)"},
    {.id = Out, .name = "--out", .kind = Count, .low = 0, .high = SHOT_NUMBER_MAX, .valueName = "N",
     .what = "a shot number",
     .help = "play and step only up to shot number N ({range}; key ] sets it at the shot on display, "
             "\\ clears it)"},
    {.id = MaxShots, .name = "--max-shots", .kind = Count, .low = 1, .high = 1000000,
     .defaultValue = kPlaybackDefaults.maxShots, .valueName = "N", .what = "a number of shots",
     .help = "list up to N shots of a directory ({range}; {default} when not given)"},
    {.id = CacheMb, .name = "--cache-mb", .kind = Count, .low = 0, .high = 65536,
     .defaultValue = kPlaybackDefaults.cacheMb, .valueName = "N", .what = "a number of MiB",
     .help = "memory for shots decoded ahead of the one on display, in MiB ({range}; {default} when not "
             "given; 0 decodes each when shown)"},
    {.id = List, .name = "--list", .kind = Flag,
     .help = "print the shots of PATH's directory, one line each (position, shot number, file name, "
             "last-write time), then the missing, repeated and out-of-order numbers; no window"},
    {.id = Json, .name = "--json", .kind = Flag, .help = "with --list: print the report as one JSON object"},
    {.id = Hud, .name = "--hud", .kind = Flag, .help = "start with the live play display on (key H switches)"},
    {.id = Types, .name = "--types", .kind = Text, .valueName = "LIST", .what = "a list of types",
     .help = "the files that are shots, by extension: any of gif, png, jpg, jpeg, tif, tiff, bmp, tga, pcx "
             "and ico, separated by commas, or all (gif when not given; a PATH of another type lists its "
             "own type)"},
    {.id = Group, .name = "--group", .kind = Choice, .choices = {"prefix"},
     .help = "one sequence for each name prefix (the name less the four characters of the shot number "
             "and the extension); G and Shift+G step to the next and previous sequence; with --list, a "
             "report for each sequence"},
    {.id = Sequence, .name = "--sequence", .kind = AnyText, .valueName = "PREFIX", .what = "a prefix",
     .help = "start on the sequence PREFIX (implies --group prefix)"},
    // Comparing two runs (compare/).
    {.id = Compare, .name = "--compare", .kind = Text, .valueName = "PATH_B", .what = "a directory or a shot file",
     .help = "compare with the shots of PATH_B's directory, B, paired with the shot on display (Ctrl+B "
             "picks B or leaves the comparison)"},
    {.id = Pair, .name = "--pair", .kind = Choice, .choices = {"number", "index"},
     .help = "pair B's earliest shot with the same shot number (the default), or B's shot at the same "
             "position"},
    {.id = CompareMode, .name = "--compare-mode", .kind = Choice, .choices = {"side", "wipe", "flip", "diff"},
     .help = "show A and B side by side (the default), on either side of a wipe line, one at a time (key X "
             "swaps) or as their difference; key C cycles"},
    {.id = Wipe, .name = "--wipe", .kind = Decimal, .low = 0, .high = 100, .defaultValue = 50, .valueName = "PCT",
     .what = "a percentage", .help = "the wipe line at PCT percent of the view's width ({range}; {default} when "
                                     "not given; a left-button drag moves it)"},
    {.id = DiffGain, .name = "--diff-gain", .kind = Count, .low = DIFF_GAIN_MIN, .high = DIFF_GAIN_MAX,
     .defaultValue = 1, .valueName = "G", .what = "a gain",
     .help = "multiply the difference by G, held at 255 ({range}; {default} when not given)"},
    {.id = Export, .name = "--export", .kind = Text, .valueName = "OUT", .what = "a file name",
     .help = "write the shots from --in to --out (all without them) to OUT, no window: .gif an animated "
             "GIF, .mp4 or .mkv H.264 video, .webm VP9 video, each shot shown for the --interval; .png or .jpg "
             "contact sheets with --sheet; --reverse exports backwards"},
    {.id = Crf, .name = "--crf", .kind = Count, .low = 0, .high = EXPORT_CRF_MAX, .valueName = "N",
     .what = "a quality", .help = "video quality, lower is better ({range}; at most 51 for H.264)"},
    {.id = Sheet, .name = "--sheet", .kind = Text, .valueName = "COLSxROWS", .what = "COLSxROWS",
     .help = "contact sheets of COLS x ROWS thumbnails a page, each with its shot number and last-write "
             "time; more pages are NAME-001.png, ..."},
    {.id = SheetWidth, .name = "--sheet-width", .kind = Count, .low = EXPORT_SHEET_WIDTH_MIN,
     .high = EXPORT_SHEET_WIDTH_MAX, .defaultValue = 2480, .valueName = "PX", .what = "a number of pixels",
     .help = "width of a contact sheet page ({range}; {default} when not given)"},
    {.id = Ipc, .name = "--ipc", .kind = Text, .valueName = "PATH", .what = "the PATH of a socket to listen on",
     .missing = "the PATH of a socket to listen on",
     .help = "listen for commands on a Unix socket at PATH (mode 0600; JSON, one object a line; see the "
             "manual page)"},
    // Read before the others, as the first word (remote/remote_client.h);
    // the row is here for the usage and the help.
    {.id = Remote, .name = "--remote", .kind = Text, .valueName = "PATH", .what = "the PATH of a running Kestrel",
     .help = "--remote PATH COMMAND [ARGS...]: send one command to the Kestrel listening at PATH and print "
             "the reply's data; --remote PATH --events prints its events"},
    {.id = Help, .name = "--help", .alias = "-h", .kind = Flag, .help = "show this text"},
    {.id = Version, .name = "--version", .kind = Flag, .help = "show the version"},
};

constexpr std::string_view PROGRAM = "kestrel";
constexpr std::size_t USAGE_WIDTH = 100;
constexpr std::size_t HELP_WIDTH = 86;
constexpr std::size_t HELP_COLUMN = 21;  // where the help lines start

void Replace(std::string& text, std::string_view placeholder, const std::string& by)
{
    for (std::size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + by.size()))
        text.replace(at, placeholder.size(), by);
}

std::vector<std::string> Words(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) words.emplace_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// The words after start (a line that already holds start.size() characters),
// broken before width; later lines begin with indent spaces. A word is
// never broken, so "[--interval MS]" or "(5 to 60000;" stays whole.
std::string Wrap(std::string start, const std::vector<std::string>& words, std::size_t indent, std::size_t width)
{
    std::string out;
    std::string line = std::move(start);
    bool lineHasWords = false;
    for (const std::string& word : words) {
        if (lineHasWords && line.size() + 1 + word.size() > width) {
            out += line + '\n';
            line = std::string(indent, ' ');
            lineHasWords = false;
        }
        if (lineHasWords) line += ' ';
        line += word;
        lineHasWords = true;
    }
    return out + line + '\n';
}

// The row's help line, its range and default filled in after the split
// into words, so that they are never broken across lines.
std::vector<std::string> HelpWords(const OptionRow& row)
{
    std::vector<std::string> words = Words(row.help);
    for (std::string& word : words) {
        Replace(word, "{range}", OptionRangeText(row));
        Replace(word, "{default}", OptionNumberText(row.defaultValue));
    }
    return words;
}

std::string HelpEntry(std::string label, const std::vector<std::string>& words)
{
    // A label too long for its column is followed by two spaces.
    label = "  " + label;
    label += label.size() < HELP_COLUMN ? std::string(HELP_COLUMN - label.size(), ' ') : std::string("  ");
    return Wrap(label, words, HELP_COLUMN, HELP_WIDTH);
}

std::string UsageWord(const OptionRow& row) { return "[" + OptionLabel(row) + "]"; }

// The options of the other forms, which have usage lines of their own:
// --list, an export, the remote client.
bool OwnUsageLine(OptionId id)
{
    switch (id) {
    case OptionId::List:
    case OptionId::Json:
    case OptionId::Export:
    case OptionId::Crf:
    case OptionId::Sheet:
    case OptionId::SheetWidth:
    case OptionId::Remote:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::span<const OptionRow> OptionTable() { return kOptions; }

const OptionRow* FindOption(std::string_view name)
{
    if (name.empty()) return nullptr;
    for (const OptionRow& row : kOptions) {
        if (row.name == name || row.alias == name) return &row;
    }
    return nullptr;
}

const OptionRow& OptionOf(OptionId id)
{
    for (const OptionRow& row : kOptions) {
        if (row.id == id) return row;
    }
    return kOptions[0];  // every id has a row; the option table test holds that
}

std::string OptionNumberText(double value)
{
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return error == std::errc() ? std::string(text, end) : std::string("?");
}

std::string OptionRangeText(const OptionRow& row)
{
    return OptionNumberText(row.low) + " to " + OptionNumberText(row.high);
}

std::string OptionLabel(const OptionRow& row)
{
    std::string label(row.name);
    if (row.kind == OptionKind::Choice) {
        label += ' ';
        for (std::string_view choice : row.choices) {
            if (choice.empty()) break;
            if (label.back() != ' ') label += '|';
            label += choice;
        }
    } else if (row.kind != OptionKind::Flag) {
        label += ' ';
        label += row.valueName;
    }
    return label;
}

std::string OptionUsage()
{
    // The --list form is a line of its own.
    std::vector<std::string> words;
    for (const OptionRow& row : kOptions) {
        if (!OwnUsageLine(row.id)) words.push_back(UsageWord(row));
    }
    words.emplace_back("[PATH]");
    const std::string start = "usage: " + std::string(PROGRAM) + ' ';
    const std::string indent(start.size() - PROGRAM.size() - 1, ' ');
    return Wrap(start, words, start.size(), USAGE_WIDTH) + indent + std::string(PROGRAM) + ' ' +
           UsageWord(OptionOf(OptionId::MaxShots)) + ' ' + UsageWord(OptionOf(OptionId::Types)) + ' ' +
           UsageWord(OptionOf(OptionId::Group)) + ' ' + std::string(OptionOf(OptionId::List).name) + ' ' +
           UsageWord(OptionOf(OptionId::Json)) + " PATH\n" +
           Wrap(indent + std::string(PROGRAM) + ' ',
                {std::string(OptionOf(OptionId::Export).name) + " OUT", UsageWord(OptionOf(OptionId::In)),
                 UsageWord(OptionOf(OptionId::Out)), UsageWord(OptionOf(OptionId::Interval)),
                 UsageWord(OptionOf(OptionId::Reverse)), UsageWord(OptionOf(OptionId::Crf)),
                 UsageWord(OptionOf(OptionId::Sheet)), UsageWord(OptionOf(OptionId::SheetWidth)),
                 UsageWord(OptionOf(OptionId::Types)), "PATH"},
                start.size(), USAGE_WIDTH) +
           indent + std::string(PROGRAM) + ' ' + std::string(OptionOf(OptionId::Remote).name) +
           " PATH COMMAND [ARGS...] | --events\n";
}

std::string OptionHelp()
{
    std::string help = OptionUsage();
    help += "\nPlays the GIF images of a directory as a sequence of shots.\n\n";
    help += HelpEntry("PATH", Words("a shot file or a directory: its directory's shots open at once"));
    for (const OptionRow& row : kOptions) {
        // A choice with a value name ("--loop MODE") lists its choices in
        // the usage line only.
        const bool named = row.kind == OptionKind::Choice && !row.valueName.empty();
        help += HelpEntry(named ? std::string(row.name) + ' ' + std::string(row.valueName) : OptionLabel(row),
                          HelpWords(row));
    }
    help += '\n';
    help += Wrap("", Words("Exit status: 0 done, 1 the screenshot or the export could not be written, 2 usage error or a PATH "
                           "that cannot be listed."), 0, HELP_WIDTH);
    return help;
}
