// Line pieces, text-mode line ends and the tolerant number parsing shared by the readers of
// the channel list file and the country frequency table.
#include "framework/text_pieces.h"

namespace tunaro {

bool TextPieces::Next(std::string& piece) {
    if (m_pos >= m_text.size() || m_maxChars == 0)
        return false;
    std::size_t end = m_pos;
    std::size_t limit = m_pos + m_maxChars;
    while (end < m_text.size() && end < limit) {
        if (m_text[end++] == '\n')
            break;
    }
    piece.assign(m_text.substr(m_pos, end - m_pos));
    m_pos = end;
    std::size_t nul = piece.find('\0');
    if (nul != std::string::npos)
        piece.resize(nul);
    return true;
}

void CutAtComment(std::string& line) {
    std::size_t cut = line.find(';');
    if (cut == std::string::npos)
        cut = line.find('\n');
    if (cut != std::string::npos)
        line.resize(cut);
}

std::string TextModeToLf(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        out += bytes[i];
    }
    return out;
}

std::string LfToTextMode(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

static bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int32_t ParseInt32(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate in 64 bits and stop growing just past the 32-bit range, so an absurd number in
    // a hand-edited file can neither wrap nor overflow the accumulator.
    constexpr int64_t kBeyond = int64_t{INT32_MAX} + 1;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kBeyond)
            value = kBeyond;
    }
    if (negative)
        return static_cast<int32_t>(-value); // -kBeyond is INT32_MIN itself
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

static char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[i]) != Lower(prefix[i]))
            return false;
    }
    return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size())
        return std::string_view::npos;
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        if (StartsWithNoCase(text.substr(i), needle))
            return i;
    }
    return std::string_view::npos;
}

} // namespace tunaro
