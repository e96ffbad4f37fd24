// The control protocol: one JSON object a line each way.
//
//   request  {"command": ["name", arg, ...], "request_id": N}
//   reply    {"request_id": N, "error": "success", "data": ...}
//   event    {"event": "name", ...fields}
//
// A reply's error is "success", "invalid command" (not a request, or a name
// we do not know), "invalid argument" (missing, extra, or of the wrong kind
// or range) or "unavailable" (the command may not run now, by the same rules
// as its key). request_id is echoed when it is an integer, 0 otherwise.
// Number arguments may be given as JSON integers or as decimal text, so a
// shell client can pass every word as text. Empty lines are ignored.
//
// RemoteDispatcher runs the commands of one table onto a RemoteHost and its
// player; it never throws and never holds more than the line it is given.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

class RemoteHost;

inline constexpr const char* REMOTE_SUCCESS = "success";
inline constexpr const char* REMOTE_INVALID_COMMAND = "invalid command";
inline constexpr const char* REMOTE_INVALID_ARGUMENT = "invalid argument";
inline constexpr const char* REMOTE_UNAVAILABLE = "unavailable";

// Deepest nesting of arrays and objects a request may have.
constexpr int REMOTE_MAX_DEPTH = 32;

// JSON text of value on one line, invalid UTF-8 (file names) replaced.
std::string RemoteDump(const nlohmann::json& value);

class RemoteDispatcher {
public:
    explicit RemoteDispatcher(RemoteHost& host) : m_host(host) {}

    // The reply line (with its '\n') to one request line (without it);
    // empty for an empty line.
    std::string Handle(std::string_view line);

    // The get-status object.
    nlohmann::json Status() const;

    // The names of every command, in table order.
    static std::string CommandNames();

private:
    RemoteHost& m_host;
};
