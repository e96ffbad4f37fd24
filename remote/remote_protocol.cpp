// The command table: one row a command, with the kind of its argument, the
// rule that says when it may run (the key's rule where there is a key) and
// what it does.
#include "remote/remote_protocol.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstdio>
#include <ctime>
#include <limits>
#include <nlohmann/json.hpp>

#include "remote/remote_host.h"
#include "shots/playback/play_interval.h"
#include "shots/playback/shot_player.h"
#include "app/commands/command_ids.h"

using nlohmann::json;

namespace {

enum class ArgKind { None, Number, Text, Choice };

struct Arg {
    long long number = 0;
    std::string text;
    int choice = 0;  // index into the row's choices
};

struct Outcome {
    const char* error = REMOTE_SUCCESS;
    json data;
};

struct Context {
    RemoteHost& host;
    ShotPlayer& player;
    const RemoteDispatcher& dispatcher;
};

using Rule = bool (*)(const Context&);
using Action = Outcome (*)(Context&, const Arg&);

struct CommandRow {
    const char* name;
    ArgKind kind;
    std::array<const char*, 3> choices;
    Rule available;  // null: always
    Action run;
};

Outcome Done() { return {}; }
Outcome Invalid() { return {REMOTE_INVALID_ARGUMENT, nullptr}; }

template <UINT ID>
bool KeyRule(const Context& context)
{
    return context.player.Available(ID);
}

// The shot-number box's and the timeline's rule: stopped with shots listed.
bool StoppedWithShots(const Context& context) { return context.player.ShotNumberEditable(); }

const char* LoopName(LoopMode mode)
{
    switch (mode) {
    case LoopMode::PingPong: return "pingpong";
    case LoopMode::Once: return "once";
    case LoopMode::Wrap: break;
    }
    return "wrap";
}

const LoopMode LOOP_MODES[] = {LoopMode::Wrap, LoopMode::PingPong, LoopMode::Once};

Outcome SetPoint(Context& context, const Arg& arg, bool in)
{
    if (arg.number < std::numeric_limits<int>::min() || arg.number > std::numeric_limits<int>::max()) return Invalid();
    CKESTRELDoc& doc = context.player.Document();
    const std::ptrdiff_t index = doc.EarliestIndexOfNumber(int(arg.number));
    if (index < 0) return Invalid();
    if (in) {
        context.player.Order().SetIn(doc, std::size_t(index));
    } else {
        context.player.Order().SetOut(doc, std::size_t(index));
    }
    return Done();
}

const CommandRow COMMANDS[] = {
    {"get-status", ArgKind::None, {}, nullptr,
     [](Context& c, const Arg&) { return Outcome{REMOTE_SUCCESS, c.dispatcher.Status()}; }},
    {"first", ArgKind::None, {}, KeyRule<ID_SHOT_FIRST>, [](Context& c, const Arg&) { c.player.First(); return Done(); }},
    {"previous", ArgKind::None, {}, KeyRule<ID_SHOT_PREVIOUS>,
     [](Context& c, const Arg&) { c.player.Previous(); return Done(); }},
    {"next", ArgKind::None, {}, KeyRule<ID_SHOT_NEXT>, [](Context& c, const Arg&) { c.player.Next(); return Done(); }},
    {"last", ArgKind::None, {}, KeyRule<ID_SHOT_LAST>, [](Context& c, const Arg&) { c.player.Last(); return Done(); }},
    {"goto-number", ArgKind::Number, {}, StoppedWithShots,
     [](Context& c, const Arg& a) {
         if (a.number < std::numeric_limits<int>::min() || a.number > std::numeric_limits<int>::max()) return Invalid();
         return c.player.GoToNumber(int(a.number)) ? Done() : Invalid();
     }},
    {"goto-index", ArgKind::Number, {}, StoppedWithShots,
     [](Context& c, const Arg& a) {
         if (a.number < 0 || std::size_t(a.number) >= c.player.Document().ShotCount()) return Invalid();
         return c.player.ShowShotAt(std::size_t(a.number)) ? Done() : Invalid();
     }},
    {"play", ArgKind::None, {}, KeyRule<ID_SHOT_PLAY>, [](Context& c, const Arg&) { c.player.Play(); return Done(); }},
    {"stop", ArgKind::None, {}, KeyRule<ID_SHOT_STOP>, [](Context& c, const Arg&) { c.player.Stop(); return Done(); }},
    {"set-interval", ArgKind::Number, {}, nullptr,
     [](Context& c, const Arg& a) {
         if (a.number < PLAY_INTERVAL_MIN_MS || a.number > PLAY_INTERVAL_MAX_MS) return Invalid();
         c.player.ChangeIntervalMs(int(a.number));
         return Done();
     }},
    {"set-direction", ArgKind::Choice, {"forward", "reverse"}, KeyRule<ID_SHOT_REVERSE>,
     [](Context& c, const Arg& a) {
         if (c.player.Order().reverse != (a.choice == 1)) c.player.Reverse();
         return Done();
     }},
    {"set-loop", ArgKind::Choice, {"wrap", "pingpong", "once"}, KeyRule<ID_SHOT_LOOP_MODE>,
     [](Context& c, const Arg& a) {
         c.player.Order().loop = LOOP_MODES[a.choice];
         return Done();
     }},
    {"set-in", ArgKind::Number, {}, KeyRule<ID_SHOT_SET_IN>,
     [](Context& c, const Arg& a) { return SetPoint(c, a, true); }},
    {"set-out", ArgKind::Number, {}, KeyRule<ID_SHOT_SET_OUT>,
     [](Context& c, const Arg& a) { return SetPoint(c, a, false); }},
    {"clear-range", ArgKind::None, {}, KeyRule<ID_SHOT_CLEAR_RANGE>,
     [](Context& c, const Arg&) { c.player.ClearRange(); return Done(); }},
    {"open", ArgKind::Text, {}, KeyRule<ID_FILE_OPEN>,
     [](Context& c, const Arg& a) { return c.host.Open(a.text) ? Done() : Invalid(); }},
    {"follow-newest", ArgKind::Choice, {"off", "on"}, nullptr,
     [](Context& c, const Arg& a) { c.host.SetFollowNewest(a.choice == 1); return Done(); }},
    {"screenshot", ArgKind::Text, {}, nullptr,
     [](Context& c, const Arg& a) { return c.host.Screenshot(a.text) ? Done() : Invalid(); }},
    {"quit", ArgKind::None, {}, nullptr, [](Context& c, const Arg&) { c.host.Quit(); return Done(); }},
};

const CommandRow* FindCommand(const std::string& name)
{
    for (const CommandRow& row : COMMANDS) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

// Whether text nests arrays and objects deeper than REMOTE_MAX_DEPTH,
// checked before parsing so a line of brackets costs nothing.
bool TooDeep(std::string_view text)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char ch : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (ch == '\\') {
                escaped = true;
            } else if (ch == '"') {
                inString = false;
            }
        } else if (ch == '"') {
            inString = true;
        } else if (ch == '[' || ch == '{') {
            if (++depth > REMOTE_MAX_DEPTH) return true;
        } else if (ch == ']' || ch == '}') {
            --depth;
        }
    }
    return false;
}

// A JSON integer that fits a long long.
bool ReadInteger(const json& value, long long& number)
{
    if (!value.is_number_integer()) return false;
    if (value.is_number_unsigned() && value.get<unsigned long long>() > (unsigned long long)(LLONG_MAX)) return false;
    number = value.get<long long>();
    return true;
}

bool ReadNumber(const json& value, long long& number)
{
    if (value.is_number_integer()) return ReadInteger(value, number);
    if (!value.is_string()) return false;
    const std::string& text = value.get_ref<const std::string&>();
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto [stop, error] = std::from_chars(begin, end, number);
    return error == std::errc() && stop == end && begin != end;
}

bool ReadArg(const CommandRow& row, const json& command, Arg& arg)
{
    const std::size_t wanted = row.kind == ArgKind::None ? 1 : 2;
    if (command.size() != wanted) return false;
    switch (row.kind) {
    case ArgKind::None:
        return true;
    case ArgKind::Number:
        return ReadNumber(command[1], arg.number);
    case ArgKind::Text:
        if (!command[1].is_string() || command[1].get_ref<const std::string&>().empty()) return false;
        arg.text = command[1].get<std::string>();
        return arg.text.find('\0') == std::string::npos;
    case ArgKind::Choice:
        if (!command[1].is_string()) return false;
        for (std::size_t i = 0; i < row.choices.size() && row.choices[i]; ++i) {
            if (command[1].get_ref<const std::string&>() == row.choices[i]) {
                arg.choice = int(i);
                return true;
            }
        }
        return false;
    }
    return false;
}

std::string Reply(long long requestId, const char* error, json data)
{
    json reply;
    reply["request_id"] = requestId;
    reply["error"] = error;
    reply["data"] = std::move(data);
    return RemoteDump(reply) + '\n';
}

// The ISO 8601 UTC time of a last-write time (100-nanosecond intervals
// since 1601), or null when it lies outside what the calendar can say.
json WriteTimeText(std::int64_t fileTime)
{
    constexpr std::int64_t kUnixEpoch = 116444736000000000LL;
    const std::int64_t sinceUnix = fileTime / 10000000 - kUnixEpoch / 10000000;
    std::int64_t remainder = fileTime % 10000000;
    std::time_t seconds = std::time_t(sinceUnix);
    if (remainder < 0) {
        remainder += 10000000;
        --seconds;
    }
    std::tm parts{};
    if (!gmtime_r(&seconds, &parts) || parts.tm_year > 9999 - 1900 || parts.tm_year < -1900) return nullptr;
    // Room for the widest ints the compiler can imagine in every field.
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, int(remainder / 10000));
    return text;
}

}  // namespace

std::string RemoteDump(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

std::string RemoteDispatcher::CommandNames()
{
    std::string names;
    for (const CommandRow& row : COMMANDS) names += std::string(names.empty() ? "" : " ") + row.name;
    return names;
}

std::string RemoteDispatcher::Handle(std::string_view line)
{
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) return {};
    if (TooDeep(line)) return Reply(0, REMOTE_INVALID_COMMAND, nullptr);
    const json request = json::parse(line, nullptr, false);
    if (request.is_discarded() || !request.is_object()) return Reply(0, REMOTE_INVALID_COMMAND, nullptr);

    long long requestId = 0;
    const auto id = request.find("request_id");
    if (id != request.end()) ReadInteger(*id, requestId);

    const auto command = request.find("command");
    if (command == request.end() || !command->is_array() || command->empty() || !(*command)[0].is_string())
        return Reply(requestId, REMOTE_INVALID_COMMAND, nullptr);
    const CommandRow* row = FindCommand((*command)[0].get<std::string>());
    if (!row) return Reply(requestId, REMOTE_INVALID_COMMAND, nullptr);

    Arg arg;
    if (!ReadArg(*row, *command, arg)) return Reply(requestId, REMOTE_INVALID_ARGUMENT, nullptr);
    Context context{m_host, m_host.Player(), *this};
    if (row->available && !row->available(context)) return Reply(requestId, REMOTE_UNAVAILABLE, nullptr);
    Outcome outcome = row->run(context, arg);
    if (outcome.error == REMOTE_SUCCESS) m_host.CommandDone();
    return Reply(requestId, outcome.error, std::move(outcome.data));
}

json RemoteDispatcher::Status() const
{
    const ShotPlayer& player = m_host.Player();
    const CKESTRELDoc& doc = player.Document();
    json status;
    status["count"] = doc.ShotCount();
    const std::int64_t index = doc.DisplayedIndex();
    if (index >= 0) {
        const ShotRecord& shot = doc.Shot(std::size_t(index));
        status["index"] = index;
        status["number"] = doc.ShotNumber(std::size_t(index));
        status["file"] = shot.Path();
        status["last-write-time"] = WriteTimeText(shot.lastWriteTime);
    } else {
        status["index"] = status["number"] = status["file"] = status["last-write-time"] = nullptr;
    }
    status["playing"] = player.Playing();
    status["interval"] = player.IntervalMs();
    status["direction"] = player.Order().reverse ? "reverse" : "forward";
    status["loop"] = LoopName(player.Order().loop);
    if (player.Order().HasRange(doc)) {
        status["in"] = doc.ShotNumber(std::size_t(player.RangeFirst()));
        status["out"] = doc.ShotNumber(std::size_t(player.RangeLast()));
    } else {
        status["in"] = status["out"] = nullptr;
    }
    status["follow"] = m_host.Following();
    status["follow-newest"] = m_host.FollowNewest();
    status["zoom"] = m_host.Zoom();
    status["fit"] = m_host.Fit();
    return status;
}
