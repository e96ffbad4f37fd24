// The client for scripts:
//
//   kestrel --remote PATH COMMAND [ARGS...]   one command; prints the reply's
//                                             data as JSON (nothing when it
//                                             has none); 0 on success, 1 with
//                                             the error otherwise
//   kestrel --remote PATH --events            prints each event line as it
//                                             comes, until the viewer goes
//
// Words that are decimal integers go as JSON numbers, the others as text.
// No window and no display are needed.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

constexpr int REMOTE_REPLY_TIMEOUT_MS = 10000;

// words: what follows --remote. Exit status 0, 1 (no connection, no reply,
// or an error reply) or 2 (usage).
int RunRemoteClient(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// The request line (with its '\n') for a command and its words.
std::string RemoteRequestLine(const std::vector<std::string>& command, long long requestId);
