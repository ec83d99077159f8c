// The file a writing filter is given through IFileSinkFilter(2): kept, checked and handed back
// the same way by every filter that writes a file of its own (MPEG encoder, dump, ASF writer).
#pragma once

#include <windows.h>

#include <dshow.h>

#include <string>

namespace dshow {

class FileSinkName {
public:
    // major/subtype: the media type GetCurFile reports for the file (GUID_NULL for none).
    // unsetAnswer: what GetCurFile answers before a name was given (E_FAIL, or S_OK with a
    // null name as the system's ASF writer does).
    FileSinkName(REFGUID major, REFGUID subtype, HRESULT unsetAnswer)
        : m_major(major), m_subtype(subtype), m_unsetAnswer(unsetAnswer) {}

    // Checks a name given to SetFileName: E_POINTER for none, invalidAnswer for an empty one
    // or one longer than a path may be; S_OK when it can be kept. The caller checks its state
    // and then calls Keep.
    HRESULT Check(LPCOLESTR name, HRESULT invalidAnswer) const;
    void Keep(LPCOLESTR name) { m_name = name; }

    // IFileSinkFilter::GetCurFile: a CoTaskMemAlloc copy of the name, and the file's type.
    HRESULT Give(LPOLESTR* name, AM_MEDIA_TYPE* mt) const;

    const std::wstring& Name() const { return m_name; }
    bool Empty() const { return m_name.empty(); }
    // The name in UTF-8, for libraries that open files by narrow names.
    std::string Utf8() const;
    // Whether the file can be created (or, when it exists, written) now; a file that was not
    // there is not left behind. The Win32 error as an HRESULT otherwise.
    HRESULT ProbeCreatable() const;

private:
    GUID m_major, m_subtype;
    HRESULT m_unsetAnswer;
    std::wstring m_name;
};

} // namespace dshow
