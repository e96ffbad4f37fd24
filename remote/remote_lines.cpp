#include "remote/remote_lines.h"

#include <algorithm>

bool RemoteLineBuffer::Append(std::string_view bytes, std::vector<std::string>& lines)
{
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (m_partial.size() + piece.size() > m_maxLine) {
            m_partial.clear();
            m_partial.shrink_to_fit();
            return false;
        }
        m_partial.append(piece);
        if (end == std::string_view::npos) break;
        lines.push_back(std::move(m_partial));
        m_partial.clear();
        bytes.remove_prefix(end + 1);
    }
    return true;
}

bool RemoteSendQueue::Push(std::string_view bytes)
{
    if (Size() + bytes.size() > m_maxBytes) return false;
    if (m_sent > 0 && m_sent >= m_bytes.size() / 2) {
        m_bytes.erase(0, m_sent);
        m_sent = 0;
    }
    m_bytes.append(bytes);
    return true;
}

void RemoteSendQueue::Consume(std::size_t count)
{
    m_sent += std::min(count, Size());
    if (m_sent == m_bytes.size()) {
        m_bytes.clear();
        m_sent = 0;
    }
}
