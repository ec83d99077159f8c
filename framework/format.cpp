// printf-style formatting into std::string: measures first, then writes into the string itself.
// Any length fits; a malformed format yields an empty result rather than garbage.
#include "framework/format.h"

#include <cstdio>

namespace tunaro {

namespace {

void AppendV(std::string& out, const char* fmt, va_list args) {
    if (!fmt)
        return;
    va_list probe;
    va_copy(probe, args);
    char small[256];
    int n = vsnprintf(small, sizeof small, fmt, probe);
    va_end(probe);
    if (n <= 0)
        return;
    if (static_cast<size_t>(n) < sizeof small) {
        out.append(small, static_cast<size_t>(n));
        return;
    }
    size_t old = out.size();
    out.resize(old + static_cast<size_t>(n) + 1);
    va_list again;
    va_copy(again, args);
    int written = vsnprintf(&out[old], static_cast<size_t>(n) + 1, fmt, again);
    va_end(again);
    out.resize(written == n ? old + static_cast<size_t>(n) : old);
}

} // namespace

std::string FormatV(const char* fmt, va_list args) {
    std::string out;
    AppendV(out, fmt, args);
    return out;
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = FormatV(fmt, args);
    va_end(args);
    return out;
}

std::string& AppendFormat(std::string& out, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    AppendV(out, fmt, args);
    va_end(args);
    return out;
}

} // namespace tunaro
