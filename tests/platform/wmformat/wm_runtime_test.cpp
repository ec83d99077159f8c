// The Windows Media profile runtime as programs reach it (wmvcore.dll, WMCreateProfileManager):
// the installed profiles load with sound as the first stream, stream configurations describe
// their media types through the two-call buffer protocol and can be changed and given back,
// and empty, corrupt or wrong profile texts are refused.
#include <gtest/gtest.h>

#include <windows.h>

#include <dshow.h>
#include <mmreg.h>
#include <uuids.h>
#include <wmsdkidl.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/dshow/com_ptr.h"

using dshow::ComPtr;

namespace {

class WmRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        m_runtime = LoadLibraryA("wmvcore.dll");
        ASSERT_TRUE(m_runtime) << "no Windows Media Format runtime";
        using Create = HRESULT(WINAPI*)(IWMProfileManager**);
        auto create = reinterpret_cast<Create>(
            reinterpret_cast<void*>(GetProcAddress(m_runtime, "WMCreateProfileManager")));
        ASSERT_TRUE(create);
        ASSERT_HRESULT_SUCCEEDED(create(m_manager.Put()));
    }
    void TearDown() override {
        m_manager.Reset();
        if (m_runtime)
            FreeLibrary(m_runtime);
        CoUninitialize();
    }
    // A profile file of the system directory, as the engine reads it: its bytes and a null.
    static std::vector<WCHAR> SystemProfile(const char* name) {
        char dir[MAX_PATH];
        GetSystemDirectoryA(dir, MAX_PATH);
        std::ifstream in(std::string(dir) + "\\" + name, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<WCHAR> text(bytes.size() / 2 + 1, 0);
        memcpy(text.data(), bytes.data(), bytes.size() / 2 * 2);
        return text;
    }
    // The media type of a stream (two calls: size, then the type with its format behind it).
    static std::vector<BYTE> MediaType(IWMStreamConfig* config) {
        ComPtr<IWMMediaProps> props;
        DWORD size = 0;
        if (FAILED(config->QueryInterface(__uuidof(IWMMediaProps), props.PutVoid())) ||
            FAILED(props->GetMediaType(nullptr, &size)) || size < sizeof(WM_MEDIA_TYPE))
            return {};
        std::vector<BYTE> buffer(size);
        DWORD small = size - 1;
        if (props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data()), &small) == S_OK)
            return {}; // a buffer too small must be refused
        if (FAILED(props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data()), &size)))
            return {};
        return buffer;
    }

    HMODULE m_runtime = nullptr;
    ComPtr<IWMProfileManager> m_manager;
};

TEST_F(WmRuntime, TheVideoProfileHasSoundFirstThenAWmv2Picture) {
    std::vector<WCHAR> text = SystemProfile("WMV9.prx");
    ASSERT_GT(text.size(), 100u) << "WMV9.prx is not installed in the system directory";
    ComPtr<IWMProfile> profile;
    ASSERT_HRESULT_SUCCEEDED(m_manager->LoadProfileByData(text.data(), profile.Put()));
    DWORD count = 0;
    ASSERT_HRESULT_SUCCEEDED(profile->GetStreamCount(&count));
    ASSERT_EQ(count, 2u);

    ComPtr<IWMStreamConfig> audio, video;
    ASSERT_HRESULT_SUCCEEDED(profile->GetStream(0, audio.Put()));
    ASSERT_HRESULT_SUCCEEDED(profile->GetStream(1, video.Put()));
    GUID type;
    ASSERT_HRESULT_SUCCEEDED(audio->GetStreamType(&type));
    EXPECT_EQ(type, MEDIATYPE_Audio);
    ASSERT_HRESULT_SUCCEEDED(video->GetStreamType(&type));
    EXPECT_EQ(type, MEDIATYPE_Video);

    std::vector<BYTE> a = MediaType(audio.Get());
    ASSERT_FALSE(a.empty());
    const auto* at = reinterpret_cast<const WM_MEDIA_TYPE*>(a.data());
    ASSERT_EQ(at->formattype, FORMAT_WaveFormatEx);
    ASSERT_GE(at->cbFormat, sizeof(WAVEFORMATEX));
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(at->pbFormat);
    EXPECT_EQ(at->pbFormat, a.data() + sizeof(WM_MEDIA_TYPE)) << "the format lies in the caller's buffer";
    EXPECT_EQ(wfx->wFormatTag, 0x161);
    EXPECT_EQ(wfx->nChannels, 2);
    EXPECT_EQ(at->cbFormat, sizeof(WAVEFORMATEX) + wfx->cbSize);

    std::vector<BYTE> v = MediaType(video.Get());
    ASSERT_FALSE(v.empty());
    const auto* vt = reinterpret_cast<const WM_MEDIA_TYPE*>(v.data());
    ASSERT_EQ(vt->formattype, FORMAT_VideoInfo);
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(vt->pbFormat);
    EXPECT_EQ(vih->bmiHeader.biCompression, MAKEFOURCC('W', 'M', 'V', '2'));
    EXPECT_EQ(vih->bmiHeader.biWidth, 352);
    EXPECT_EQ(vih->bmiHeader.biHeight, 288);
    EXPECT_EQ(vih->AvgTimePerFrame, 400000);

    // The input names (connection names) the writer's pins take.
    WORD length = 0;
    ASSERT_HRESULT_SUCCEEDED(video->GetConnectionName(nullptr, &length));
    std::vector<WCHAR> name(length);
    ASSERT_HRESULT_SUCCEEDED(video->GetConnectionName(name.data(), &length));
    EXPECT_STREQ(name.data(), L"Video409");
}

TEST_F(WmRuntime, TheSoundProfileHasOneStreamAndChangesReachTheProfileOnlyWhenGivenBack) {
    std::vector<WCHAR> text = SystemProfile("RecordSetting.prx");
    ASSERT_GT(text.size(), 100u) << "RecordSetting.prx is not installed in the system directory";
    ComPtr<IWMProfile> profile;
    ASSERT_HRESULT_SUCCEEDED(m_manager->LoadProfileByData(text.data(), profile.Put()));
    DWORD count = 0;
    ASSERT_HRESULT_SUCCEEDED(profile->GetStreamCount(&count));
    ASSERT_EQ(count, 1u);
    ComPtr<IWMStreamConfig> audio;
    ASSERT_HRESULT_SUCCEEDED(profile->GetStream(0, audio.Put()));
    WORD number = 0;
    ASSERT_HRESULT_SUCCEEDED(audio->GetStreamNumber(&number));
    ASSERT_HRESULT_SUCCEEDED(audio->SetBitrate(64000));
    DWORD bits = 0;
    ComPtr<IWMStreamConfig> again;
    ASSERT_HRESULT_SUCCEEDED(profile->GetStreamByNumber(number, again.Put()));
    ASSERT_HRESULT_SUCCEEDED(again->GetBitrate(&bits));
    EXPECT_EQ(bits, 128000u) << "a stream configuration is a copy";
    ASSERT_HRESULT_SUCCEEDED(profile->ReconfigStream(audio.Get()));
    ASSERT_HRESULT_SUCCEEDED(profile->GetStreamByNumber(number, again.Put()));
    ASSERT_HRESULT_SUCCEEDED(again->GetBitrate(&bits));
    EXPECT_EQ(bits, 64000u);
    EXPECT_HRESULT_FAILED(profile->AddStream(audio.Get())) << "the stream number is taken";
    EXPECT_HRESULT_FAILED(profile->GetStreamByNumber(9, again.Put()));
    ASSERT_HRESULT_SUCCEEDED(profile->RemoveStreamByNumber(number));
    ASSERT_HRESULT_SUCCEEDED(profile->GetStreamCount(&count));
    EXPECT_EQ(count, 0u);
}

TEST_F(WmRuntime, EmptyCorruptAndForeignTextsAreRefused) {
    const wchar_t* bad[] = {
        L"",
        L"\xFEFF",
        L"<profile version=\"589824\"></profile>",
        L"<profile version=\"589824\"><streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\"",
        L"<html><body>not a profile</body></html>",
        L"\x3C70\x6F72\x6669",
    };
    for (const wchar_t* text : bad) {
        ComPtr<IWMProfile> profile;
        EXPECT_HRESULT_FAILED(m_manager->LoadProfileByData(text, profile.Put())) << "accepted: " << text;
        EXPECT_FALSE(profile);
    }
    ComPtr<IWMProfile> profile;
    EXPECT_EQ(m_manager->LoadProfileByData(nullptr, profile.Put()), E_POINTER);
}

} // namespace
