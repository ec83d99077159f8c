// The file name of a writing filter: the checks of SetFileName, the copy GetCurFile hands out,
// and a probe of whether the file can be created.
#include "platform/dshow/file_sink.h"

#include <cstring>
#include <cwchar>

namespace dshow {

HRESULT FileSinkName::Check(LPCOLESTR name, HRESULT invalidAnswer) const {
    if (!name)
        return E_POINTER;
    if (!*name || wcslen(name) >= MAX_PATH)
        return invalidAnswer;
    return S_OK;
}

HRESULT FileSinkName::Give(LPOLESTR* name, AM_MEDIA_TYPE* mt) const {
    if (!name)
        return E_POINTER;
    *name = nullptr;
    if (mt) {
        memset(mt, 0, sizeof *mt);
        mt->majortype = m_major;
        mt->subtype = m_subtype;
    }
    if (m_name.empty())
        return m_unsetAnswer;
    const size_t bytes = (m_name.size() + 1) * sizeof(wchar_t);
    *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!*name)
        return E_OUTOFMEMORY;
    memcpy(*name, m_name.c_str(), bytes);
    return S_OK;
}

std::string FileSinkName::Utf8() const {
    std::string path;
    const int n = WideCharToMultiByte(CP_UTF8, 0, m_name.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n > 1) {
        path.resize(static_cast<size_t>(n - 1));
        WideCharToMultiByte(CP_UTF8, 0, m_name.c_str(), -1, &path[0], n, nullptr, nullptr);
    }
    return path;
}

HRESULT FileSinkName::ProbeCreatable() const {
    if (m_name.empty())
        return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    const bool existed = GetFileAttributesW(m_name.c_str()) != INVALID_FILE_ATTRIBUTES;
    HANDLE h =
        CreateFileW(m_name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(GetLastError());
    CloseHandle(h);
    if (!existed)
        DeleteFileW(m_name.c_str());
    return S_OK;
}

} // namespace dshow
