// Scratch directories and the in-memory INI source used by the TV core tests.
#include "tests/tv/test_support.h"

#include "framework/text_pieces.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/e2e.h"

#include <algorithm>
#include <cctype>

namespace tvtest {

ScratchDir::ScratchDir() : e2e::ScratchDir("tvcore") {
    EXPECT_TRUE(Made()) << Path();
}

std::string ReadAll(const std::string& path) {
    std::string out;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    CloseHandle(h);
    return out;
}

void WriteAll(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
    CloseHandle(h);
}

static std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

void MapIni::Set(const std::string& section, const std::string& key, const std::string& value) {
    m_values[{Lower(section), Lower(key)}] = value;
}

std::string MapIni::ReadString(const char* section, const char* key, const char* def,
                               std::size_t maxChars) const {
    ++reads;
    auto it = m_values.find({Lower(section), Lower(key)});
    std::string v = it == m_values.end() ? std::string(def) : it->second;
    return v.substr(0, maxChars);
}

int32_t MapIni::ReadInt(const char* section, const char* key, int32_t def) const {
    ++reads;
    auto it = m_values.find({Lower(section), Lower(key)});
    return it == m_values.end() ? def : tunaro::ParseInt32(it->second);
}

} // namespace tvtest
