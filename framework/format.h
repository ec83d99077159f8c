// printf-style formatting into std::string, for user texts, file names and debug lines.
// The format is checked by the compiler like printf's; no fixed-size buffers, no truncation.
#pragma once

#include <cstdarg>
#include <string>

#if defined(__clang__) // the host build of the pure logic (fuzzing)
#define TUNARO_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))
#elif defined(__GNUC__)
#define TUNARO_PRINTF_LIKE(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define TUNARO_PRINTF_LIKE(fmt, args)
#endif

namespace tunaro {

// Format("Error %x: Cannot run graph", hr) -> "Error 80004005: Cannot run graph".
std::string Format(const char* fmt, ...) TUNARO_PRINTF_LIKE(1, 2);
std::string FormatV(const char* fmt, va_list args);
// Appends to out; returns out.
std::string& AppendFormat(std::string& out, const char* fmt, ...) TUNARO_PRINTF_LIKE(2, 3);

} // namespace tunaro
