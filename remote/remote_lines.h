// The two bounded buffers of a connection: the lines coming in, and the
// bytes waiting to go out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Splits what a connection sends into lines ('\n' ends one). A line longer
// than the limit is an overflow: the connection is to be closed, and
// nothing more is kept.
class RemoteLineBuffer {
public:
    explicit RemoteLineBuffer(std::size_t maxLine) : m_maxLine(maxLine) {}

    // Appends bytes and hands back each line they complete (without its
    // '\n'); false when a line overflowed.
    bool Append(std::string_view bytes, std::vector<std::string>& lines);
    std::size_t Pending() const { return m_partial.size(); }

private:
    std::size_t m_maxLine;
    std::string m_partial;
};

// Bytes queued for a connection, at most a limit; what does not fit is
// refused whole, and the connection is then to be dropped.
class RemoteSendQueue {
public:
    explicit RemoteSendQueue(std::size_t maxBytes) : m_maxBytes(maxBytes) {}

    bool Push(std::string_view bytes);
    // The bytes not yet sent, and how many of them went.
    std::string_view Front() const { return std::string_view(m_bytes).substr(m_sent); }
    void Consume(std::size_t count);
    std::size_t Size() const { return m_bytes.size() - m_sent; }
    bool Empty() const { return Size() == 0; }

private:
    std::size_t m_maxBytes;
    std::string m_bytes;
    std::size_t m_sent = 0;
};
