// Tests of the framework's core: formatting, the language rule against the registry, and the
// RAII holders' release of COM references, kernel handles and GDI objects.
#include "framework/format.h"
#include "framework/language.h"
#include "framework/raii.h"

#include <gtest/gtest.h>

#include <string>

using namespace tunaro;

TEST(Format, FormatsLikePrintfAtAnyLength) {
    EXPECT_EQ(Format("Error %x: Cannot run graph", 0x80004005u), "Error 80004005: Cannot run graph");
    EXPECT_EQ(Format("%.2f MHz", 55.25), "55.25 MHz");
    EXPECT_EQ(Format("cap%ld.BMP", 12L), "cap12.BMP");
    EXPECT_EQ(Format("%s", ""), "");
    std::string big(5000, 'x');
    std::string out = Format("[%s]%d", big.c_str(), 7);
    ASSERT_EQ(out.size(), 5003u);
    EXPECT_EQ(out.substr(0, 2), "[x");
    EXPECT_EQ(out.substr(4999), "xx]7");
}

TEST(Format, AppendKeepsWhatIsThere) {
    std::string s = "Recording: ";
    AppendFormat(s, "%02d:%02d:%02d", 1, 2, 3);
    EXPECT_EQ(s, "Recording: 01:02:03");
    std::string big(300, 'y');
    AppendFormat(s, "%s", big.c_str());
    EXPECT_EQ(s.size(), 19u + 300u);
}

TEST(Language, RuleUsesLow16Bits) {
    for (long chinese : {4L, 1028L, 2052L, 3076L, 4100L, 0x10000L + 2052L})
        EXPECT_EQ(LanguageFromNumber(chinese), kLanguageChinese) << chinese;
    for (long english : {0L, 1L, 1033L, 2051L, 2053L, 65536L, -1L})
        EXPECT_EQ(LanguageFromNumber(english), kLanguageEnglish) << english;
    EXPECT_EQ(LanguageFromText("2052"), kLanguageChinese);
    EXPECT_EQ(LanguageFromText(" 2052xyz"), kLanguageChinese);
    EXPECT_EQ(LanguageFromText("1033"), kLanguageEnglish);
    EXPECT_EQ(LanguageFromText(""), kLanguageEnglish);
    EXPECT_EQ(LanguageFromText("abc"), kLanguageEnglish);
    EXPECT_EQ(LanguageFromText(nullptr), kLanguageEnglish);
}

// Each case writes its own key under HKCU so the suite's real setting is never touched.
class LanguageRegistry : public ::testing::Test {
protected:
    const char* m_base = "Software\\TunaroFrameworkTest";
    std::string m_subkey = std::string(m_base) + "\\Lang";

    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, m_subkey.c_str()); }
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, m_subkey.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, m_base);
    }
    void Write(DWORD type, const void* data, DWORD size) {
        RegKey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, m_subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  key.Receive(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.get(), "Language", 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    void WriteText(const std::string& text) { Write(REG_SZ, text.c_str(), DWORD(text.size() + 1)); }
    LanguageMode Read() { return ReadLanguageMode(HKEY_CURRENT_USER, m_subkey.c_str()); }
};

TEST_F(LanguageRegistry, TextValues) {
    WriteText("2052");
    EXPECT_EQ(Read(), kLanguageChinese);
    WriteText("1033");
    EXPECT_EQ(Read(), kLanguageEnglish);
    WriteText("");
    EXPECT_EQ(Read(), kLanguageEnglish);
    WriteText("1028");
    EXPECT_EQ(Read(), kLanguageChinese);
}

TEST_F(LanguageRegistry, MissingKeyOrValueIsEnglish) {
    EXPECT_EQ(Read(), kLanguageEnglish);
    WriteText("2052");
    {
        RegKey key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, m_subkey.c_str(), 0, KEY_SET_VALUE, key.Receive()),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegDeleteValueA(key.get(), "Language"), ERROR_SUCCESS);
    }
    EXPECT_EQ(Read(), kLanguageEnglish);
}

TEST_F(LanguageRegistry, UnterminatedAndOversizedValuesAreSafe) {
    // Stored without a terminating zero: still read as "2052".
    Write(REG_SZ, "2052", 4);
    EXPECT_EQ(Read(), kLanguageChinese);
    // Longer than any value the installer writes: treated as missing, not overrun.
    std::string big = "2052" + std::string(400, '0');
    WriteText(big);
    EXPECT_EQ(Read(), kLanguageEnglish);
    DWORD number = 2052;
    Write(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(Read(), kLanguageChinese);
}

namespace {
// A COM object that counts its references.
struct CountingUnknown : IUnknown {
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
};
} // namespace

TEST(Raii, ComPtrBalancesReferences) {
    CountingUnknown obj;
    {
        ComPtr<IUnknown> a(&obj);
        EXPECT_EQ(obj.refs, 2);
        ComPtr<IUnknown> b = a;
        EXPECT_EQ(obj.refs, 3);
        ComPtr<IUnknown> c = std::move(b);
        EXPECT_EQ(obj.refs, 3);
        EXPECT_FALSE(b);
        ComPtr<IUnknown> d;
        EXPECT_EQ(a.As(d), S_OK);
        EXPECT_EQ(obj.refs, 4);
        d = a; // self-family assignment keeps the count right
        EXPECT_EQ(obj.refs, 4);
        a = a;
        EXPECT_EQ(obj.refs, 4);
        *d.Receive() = nullptr; // Receive releases the old pointer
        EXPECT_EQ(obj.refs, 3);
        IUnknown* raw = c.Detach();
        EXPECT_EQ(obj.refs, 3);
        d.Attach(raw);
    }
    EXPECT_EQ(obj.refs, 1);
}

TEST(Raii, HandlesAreClosedOnceOnReset) {
    HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(raw, nullptr);
    DWORD flags = 0;
    {
        Handle h(raw);
        Handle moved = std::move(h);
        EXPECT_FALSE(h.valid());
        EXPECT_TRUE(GetHandleInformation(raw, &flags));
    }
    EXPECT_FALSE(GetHandleInformation(raw, &flags));

    FileHandle none;
    EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(none);
}

TEST(Raii, GdiObjectsAreDeleted) {
    HRGN raw = CreateRectRgn(0, 0, 10, 10);
    ASSERT_NE(raw, nullptr);
    {
        Region r(raw);
        EXPECT_EQ(GetObjectType(raw), DWORD(OBJ_REGION));
    }
    EXPECT_EQ(GetObjectType(raw), 0u);

    HBRUSH b1 = CreateSolidBrush(RGB(1, 2, 3));
    HBRUSH b2 = CreateSolidBrush(RGB(4, 5, 6));
    Brush brush(b1);
    brush.Reset(b2);
    EXPECT_EQ(GetObjectType(b1), 0u);
    EXPECT_EQ(GetObjectType(b2), DWORD(OBJ_BRUSH));
}
