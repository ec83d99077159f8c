// Line reading as the channel files have always been read: a fixed buffer filled up to a line
// feed, so a longer line arrives in pieces and each piece counts as a line of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tunaro {

// Hands out the pieces of a text one by one. A piece ends after a line feed (kept) or when it
// holds maxChars characters; text after a NUL inside a piece is dropped, as C strings do.
class TextPieces {
public:
    TextPieces(std::string_view text, std::size_t maxChars) : m_text(text), m_maxChars(maxChars) {}
    bool Next(std::string& piece);

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_maxChars;
};

// Keeps a line up to its first ';' (a comment follows), or else up to its line feed.
void CutAtComment(std::string& line);

// "\r\n" to "\n", as a read in text mode gives it.
std::string TextModeToLf(std::string_view bytes);
// "\n" to "\r\n", as a write in text mode stores it.
std::string LfToTextMode(std::string_view text);

// atol over the start of text: optional blanks, an optional sign, decimal digits. Saturates at
// the limits of 32 bits instead of overflowing, the same on every build.
int32_t ParseInt32(std::string_view text);

// Case-insensitive test that text begins with prefix (ASCII letters only fold).
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Position of needle in text ignoring ASCII case, or npos.
std::size_t FindNoCase(std::string_view text, std::string_view needle);

} // namespace tunaro
