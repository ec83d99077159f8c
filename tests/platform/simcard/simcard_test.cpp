// Tests of the simulated card's driver filters under the system's filter graph manager:
// families and pins, formats, tuning and lock through the property buffers, proc amp,
// crossbar routing, streaming with the stock Smart Tee and renderers, the state file,
// clean restarts, and the device categories the enumerator lists.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <cstring>
#include <map>

#include "tests/platform/simcard/harness.h"
#include "platform/include/ks_tuner.h"
#include "tests/support/e2e.h"

using dshow::ComPtr;
using harness::PinOf;

namespace {

constexpr REFERENCE_TIME kAudioPeriod = 400000;

// The stock Null Renderer (declared by no header of the toolchain's DirectShow set).
const CLSID kClsidNullRenderer = {
    0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

struct Tuning {
    ComPtr<IKsPropertySet> ks;
    HRESULT SetFrequency(uint32_t hz, uint32_t country = 0) {
        tunaro::TunerFrequencyProperty p{};
        p.Property.Set = tunaro::kPropSetTuner;
        p.Property.Id = tunaro::kTunerPropFrequency;
        p.Frequency = hz;
        p.TuningFlags = 1;
        p.Country = country;
        // As callers pass it: instance data inside the 56-byte buffer.
        return ks->Set(tunaro::kPropSetTuner, tunaro::kTunerPropFrequency, &p.Frequency, 32, &p, sizeof p);
    }
    tunaro::TunerFrequencyProperty GetFrequency(HRESULT* hr) {
        tunaro::TunerFrequencyProperty p{};
        DWORD ret = 0;
        *hr =
            ks->Get(tunaro::kPropSetTuner, tunaro::kTunerPropFrequency, &p.Frequency, 32, &p, sizeof p, &ret);
        EXPECT_EQ(ret, 56u);
        return p;
    }
    tunaro::TunerStatusProperty Status() {
        tunaro::TunerStatusProperty p{};
        DWORD ret = 0;
        EXPECT_HRESULT_SUCCEEDED(ks->Get(tunaro::kPropSetTuner, tunaro::kTunerPropStatus, &p.CurrentFrequency,
                                         16, &p, sizeof p, &ret));
        return p;
    }
};

bool Locked(IKsPropertySet* decoder) {
    tunaro::VideoDecoderStatusProperty s{};
    DWORD ret = 0;
    HRESULT hr = decoder->Get(tunaro::kPropSetVideoDecoder, tunaro::kDecoderPropStatus, &s.NumberOfLines, 8,
                              &s, sizeof s, &ret);
    EXPECT_HRESULT_SUCCEEDED(hr);
    EXPECT_EQ(ret, sizeof s);
    return s.SignalLocked != 0;
}

double MeanLuma(const std::vector<BYTE>& f) {
    double sum = 0;
    for (size_t i = 0; i < f.size(); i += 2)
        sum += f[i];
    return f.empty() ? 0 : sum / (f.size() / 2);
}

bool AllZero(const std::vector<BYTE>& d) {
    for (BYTE b : d)
        if (b)
            return false;
    return true;
}

int ThreadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 te{};
    te.dwSize = sizeof te;
    int n = 0;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == GetCurrentProcessId())
            ++n;
    CloseHandle(snap);
    return n;
}

class SimCard : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_TRUE(m_card.Loaded()) << "simcard.dll next to the test";
        ASSERT_HRESULT_SUCCEEDED(m_card.Configure("SAA7134"));
    }
    void TearDown() override { CoUninitialize(); }

    ComPtr<IGraphBuilder> NewGraph() {
        ComPtr<IGraphBuilder> g;
        EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IGraphBuilder, g.PutVoid()));
        return g;
    }
    template <class T> ComPtr<T> Query(IUnknown* u, REFIID iid) {
        ComPtr<T> t;
        EXPECT_HRESULT_SUCCEEDED(u->QueryInterface(iid, t.PutVoid()));
        return t;
    }

    harness::Card m_card;
};

// ---- families and pins ------------------------------------------------------------------------

TEST_F(SimCard, EachFamilyHasItsFiltersAndPins) {
    struct Case {
        const char* family;
        const wchar_t* captureName;
        std::vector<std::wstring> pins;
        bool audioFilter, encoder;
    } cases[] = {
        {"SAA7134", L"Ph7134 Video Capture", {L"Capture", L"Preview", L"VBI", L"Audio"}, true, false},
        {"LUMEN", L"Lumen Grabber K3 Video Capture", {L"Capture", L"Preview", L"VBI", L"Audio"}, true, false},
        {"CX2388X", L"Conexant 2388x Video Capture", {L"Capture", L"Preview", L"VBI"}, true, true},
        {"UTV", L"UTV2820 Video Capture", {L"Capture", L"VBI"}, true, false},
        {"TENBIT", L"TV Card(10BIT) Video Capture", {L"Capture", L"Preview", L"VBI"}, true, false},
        {"PHILIPS", L"TV Card(Philips) Video Capture", {L"Capture", L"Preview", L"VBI"}, true, false},
        {"QRT77", L"QRT77 Video Capture", {L"Capture", L"Preview", L"VBI"}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.family);
        ASSERT_HRESULT_SUCCEEDED(m_card.Configure(c.family));
        {
            ComPtr<IBaseFilter> cap = m_card.Create(harness::kClsidCapture);
            ASSERT_TRUE(cap);
            FILTER_INFO info{};
            cap->QueryFilterInfo(&info);
            EXPECT_STREQ(info.achName, c.captureName);
            for (size_t i = 0; i < c.pins.size(); ++i) {
                ComPtr<IPin> pin = PinOf(cap.Get(), PINDIR_OUTPUT, static_cast<int>(i));
                ASSERT_TRUE(pin) << i;
                EXPECT_EQ(harness::PinName(pin.Get()), c.pins[i]);
                ComPtr<IKsPropertySet> ks = Query<IKsPropertySet>(pin.Get(), IID_IKsPropertySet);
                GUID cat{};
                DWORD ret = 0;
                ASSERT_HRESULT_SUCCEEDED(
                    ks->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &cat, sizeof cat, &ret));
                const GUID want = c.pins[i] == L"Preview" ? PIN_CATEGORY_PREVIEW
                                  : c.pins[i] == L"VBI"   ? PIN_CATEGORY_VBI
                                                          : PIN_CATEGORY_CAPTURE;
                EXPECT_TRUE(cat == want) << i;
            }
            EXPECT_FALSE(PinOf(cap.Get(), PINDIR_OUTPUT, static_cast<int>(c.pins.size())));
            EXPECT_FALSE(PinOf(cap.Get(), PINDIR_INPUT, 0)) << "no input pins shift the output numbers";
        }
        HRESULT hr = S_OK;
        EXPECT_EQ(static_cast<bool>(m_card.Create(harness::kClsidAudio, &hr)), c.audioFilter);
        EXPECT_EQ(static_cast<bool>(m_card.Create(harness::kClsidEncoder, &hr)), c.encoder);
        EXPECT_TRUE(m_card.Create(harness::kClsidTuner));
        EXPECT_TRUE(m_card.Create(harness::kClsidCrossbar));
    }
    ASSERT_HRESULT_SUCCEEDED(m_card.Configure("NONE"));
    HRESULT hr = S_OK;
    EXPECT_FALSE(m_card.Create(harness::kClsidCapture, &hr));
    EXPECT_TRUE(FAILED(hr));
}

// ---- formats ----------------------------------------------------------------------------------

TEST_F(SimCard, VideoPinsOfferEverySizeAtTheStandardsRate) {
    ComPtr<IBaseFilter> cap = m_card.Create(harness::kClsidCapture);
    ASSERT_TRUE(cap);
    for (int pinNo : {0, 1}) {
        ComPtr<IAMStreamConfig> sc =
            Query<IAMStreamConfig>(PinOf(cap.Get(), PINDIR_OUTPUT, pinNo).Get(), IID_IAMStreamConfig);
        int count = 0, size = 0;
        ASSERT_HRESULT_SUCCEEDED(sc->GetNumberOfCapabilities(&count, &size));
        EXPECT_EQ(count, 11);
        EXPECT_EQ(size, static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
        const LONG sizes[][2] = {{720, 576}, {720, 480}, {640, 576}, {640, 480}, {480, 576}, {480, 480},
                                 {360, 576}, {352, 288}, {352, 240}, {320, 240}, {720, 288}};
        for (int i = 0; i < count; ++i) {
            AM_MEDIA_TYPE* mt = nullptr;
            VIDEO_STREAM_CONFIG_CAPS caps{};
            ASSERT_HRESULT_SUCCEEDED(sc->GetStreamCaps(i, &mt, reinterpret_cast<BYTE*>(&caps)));
            dshow::MediaType t(*mt);
            dshow::DeleteMediaType(mt);
            ASSERT_NE(t.VideoInfo(), nullptr);
            EXPECT_TRUE(t.subtype == MEDIASUBTYPE_YUY2);
            EXPECT_EQ(t.VideoInfo()->bmiHeader.biWidth, sizes[i][0]);
            EXPECT_EQ(t.VideoInfo()->bmiHeader.biHeight, sizes[i][1]);
            EXPECT_EQ(t.VideoInfo()->AvgTimePerFrame, 400000);
            EXPECT_EQ(caps.MinFrameInterval, 400000);
            // Every size is accepted and read back.
            ASSERT_HRESULT_SUCCEEDED(sc->SetFormat(&t));
            AM_MEDIA_TYPE* back = nullptr;
            ASSERT_HRESULT_SUCCEEDED(sc->GetFormat(&back));
            dshow::MediaType b(*back);
            dshow::DeleteMediaType(back);
            EXPECT_EQ(b.VideoInfo()->bmiHeader.biWidth, sizes[i][0]);
            EXPECT_EQ(b.VideoInfo()->bmiHeader.biHeight, sizes[i][1]);
            EXPECT_EQ(static_cast<LONG>(b.lSampleSize), sizes[i][0] * sizes[i][1] * 2);
        }
        EXPECT_EQ(sc->GetStreamCaps(count, nullptr, nullptr), E_POINTER);
        dshow::MediaType odd = dshow::MakeYuy2Type(700, 500, 400000);
        EXPECT_TRUE(FAILED(sc->SetFormat(&odd)));
        dshow::MediaType rgb = dshow::MakeYuy2Type(352, 288, 400000);
        rgb.subtype = MEDIASUBTYPE_RGB24;
        EXPECT_TRUE(FAILED(sc->SetFormat(&rgb)));
        // The same header retagged as an MPEG video block of 72 bytes still sets the size.
        dshow::MediaType retag = dshow::MakeYuy2Type(480, 576, 400000);
        retag.formattype = FORMAT_MPEGVideo;
        retag.cbFormat = 72;
        ASSERT_HRESULT_SUCCEEDED(sc->SetFormat(&retag));
        retag.cbFormat = sizeof(VIDEOINFOHEADER);
        AM_MEDIA_TYPE* cur = nullptr;
        ASSERT_HRESULT_SUCCEEDED(sc->GetFormat(&cur));
        EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(cur->pbFormat)->bmiHeader.biWidth, 480);
        EXPECT_TRUE(cur->formattype == FORMAT_VideoInfo);
        dshow::DeleteMediaType(cur);
    }
    // NTSC: 30 frames a second (and 480 lines by default on a fresh card).
    ComPtr<IAMAnalogVideoDecoder> dec = Query<IAMAnalogVideoDecoder>(cap.Get(), IID_IAMAnalogVideoDecoder);
    ASSERT_HRESULT_SUCCEEDED(dec->put_TVFormat(AnalogVideo_NTSC_M));
    EXPECT_EQ(m_card.StateLong("VideoStandard"), 1);
    ComPtr<IAMStreamConfig> sc =
        Query<IAMStreamConfig>(PinOf(cap.Get(), PINDIR_OUTPUT, 0).Get(), IID_IAMStreamConfig);
    // A format without a frame time runs at the standard's rate; a slower rate asked for is kept,
    // a faster one is limited to the standard's.
    for (REFERENCE_TIME asked : {REFERENCE_TIME(0), REFERENCE_TIME(400000), REFERENCE_TIME(200000)}) {
        dshow::MediaType want = dshow::MakeYuy2Type(720, 480, asked);
        ASSERT_HRESULT_SUCCEEDED(sc->SetFormat(&want));
        AM_MEDIA_TYPE* mt = nullptr;
        ASSERT_HRESULT_SUCCEEDED(sc->GetFormat(&mt));
        EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat)->AvgTimePerFrame,
                  asked == 400000 ? 400000 : 333667);
        dshow::DeleteMediaType(mt);
    }
    LONG lines = 0;
    dec->get_NumberOfLines(&lines);
    EXPECT_EQ(lines, 525);
    EXPECT_EQ(dec->put_TVFormat(0), E_INVALIDARG);
    EXPECT_EQ(dec->put_TVFormat(AnalogVideo_PAL_D | AnalogVideo_PAL_B), E_INVALIDARG);
    EXPECT_EQ(m_card.StateLong("VideoStandard"), 1);
    ASSERT_HRESULT_SUCCEEDED(dec->put_TVFormat(AnalogVideo_SECAM_L));
    EXPECT_EQ(m_card.StateLong("VideoStandard"), 262144);
}

// ---- tuner ------------------------------------------------------------------------------------

TEST_F(SimCard, TunerPropertyBuffersAndLock) {
    ComPtr<IBaseFilter> tuner = m_card.Create(harness::kClsidTuner),
                        cap = m_card.Create(harness::kClsidCapture);
    ASSERT_TRUE(tuner && cap);
    Tuning t{Query<IKsPropertySet>(tuner.Get(), IID_IKsPropertySet)};
    ComPtr<IKsPropertySet> dec = Query<IKsPropertySet>(cap.Get(), IID_IKsPropertySet);

    // Mode capabilities: the TV and FM ranges in hertz.
    for (uint32_t mode : {tunaro::kKsTunerModeTv, tunaro::kKsTunerModeFmRadio}) {
        tunaro::TunerModeCapsProperty caps{};
        caps.Mode = mode;
        DWORD ret = 0;
        ASSERT_HRESULT_SUCCEEDED(t.ks->Get(tunaro::kPropSetTuner, tunaro::kTunerPropModeCaps, &caps.Mode, 32,
                                           &caps, sizeof caps, &ret));
        EXPECT_EQ(ret, 56u);
        EXPECT_EQ(caps.MinFrequency, mode == tunaro::kKsTunerModeTv ? 44000000u : 87500000u);
        EXPECT_EQ(caps.MaxFrequency, mode == tunaro::kKsTunerModeTv ? 958000000u : 108000000u);
    }

    const uint32_t stations[] = {49750000,  77250000,  168250000, 175250000, 184250000,
                                 210250000, 471250000, 543250000, 615250000, 855250000};
    for (uint32_t f : stations) {
        ASSERT_HRESULT_SUCCEEDED(t.SetFrequency(f));
        EXPECT_TRUE(Locked(dec.Get())) << f;
        EXPECT_EQ(m_card.StateLong("Frequency"), static_cast<long>(f));
        EXPECT_EQ(m_card.StateLong("Locked"), 1);
        ASSERT_HRESULT_SUCCEEDED(t.SetFrequency(f + 300000)); // fine tuning: still locked
        EXPECT_TRUE(Locked(dec.Get())) << f;
        ASSERT_HRESULT_SUCCEEDED(t.SetFrequency(f + 1000000)); // off the channel
        EXPECT_FALSE(Locked(dec.Get())) << f;
        EXPECT_EQ(m_card.StateLong("Locked"), 0);
    }
    // Read-back of the 56-byte buffer: frequency and country.
    ASSERT_HRESULT_SUCCEEDED(t.SetFrequency(175250000, 49));
    HRESULT hr = E_FAIL;
    tunaro::TunerFrequencyProperty back = t.GetFrequency(&hr);
    ASSERT_HRESULT_SUCCEEDED(hr);
    EXPECT_EQ(back.Frequency, 175250000u);
    EXPECT_EQ(back.Country, 49u);
    EXPECT_EQ(m_card.StateLong("CountryCode"), 49);
    // Instance data alone is enough to tune.
    tunaro::TunerFrequencyProperty body{};
    body.Frequency = 471250000;
    ASSERT_HRESULT_SUCCEEDED(
        t.ks->Set(tunaro::kPropSetTuner, tunaro::kTunerPropFrequency, &body.Frequency, 32, nullptr, 0));
    EXPECT_EQ(m_card.StateLong("Frequency"), 471250000);
    // Out of range: refused, nothing changes.
    EXPECT_TRUE(FAILED(t.SetFrequency(20000000)));
    EXPECT_TRUE(FAILED(t.SetFrequency(990000000)));
    EXPECT_EQ(m_card.StateLong("Frequency"), 471250000);
    // A short buffer is refused rather than overrun.
    BYTE small[40] = {};
    DWORD ret = 0;
    EXPECT_TRUE(FAILED(t.ks->Get(tunaro::kPropSetTuner, tunaro::kTunerPropFrequency, nullptr, 0, small,
                                 sizeof small, &ret)));

    // The NTSC station locks only when the decoder runs a 525-line standard.
    ASSERT_HRESULT_SUCCEEDED(t.SetFrequency(55250000));
    EXPECT_FALSE(Locked(dec.Get()));
    ComPtr<IAMAnalogVideoDecoder> avd = Query<IAMAnalogVideoDecoder>(cap.Get(), IID_IAMAnalogVideoDecoder);
    ASSERT_HRESULT_SUCCEEDED(avd->put_TVFormat(AnalogVideo_NTSC_M));
    EXPECT_TRUE(Locked(dec.Get()));
    LONG hlock = 0;
    avd->get_HorizontalLocked(&hlock);
    EXPECT_EQ(hlock, 1);
}

TEST_F(SimCard, TunerModesCountryAndFmStatus) {
    ComPtr<IBaseFilter> tuner = m_card.Create(harness::kClsidTuner);
    ASSERT_TRUE(tuner);
    ComPtr<IAMTVTuner> tv = Query<IAMTVTuner>(tuner.Get(), IID_IAMTVTuner);
    Tuning t{Query<IKsPropertySet>(tuner.Get(), IID_IKsPropertySet)};
    AMTunerModeType mode = AMTUNER_MODE_DEFAULT;
    ASSERT_HRESULT_SUCCEEDED(tv->get_Mode(&mode));
    EXPECT_EQ(mode, AMTUNER_MODE_TV);
    EXPECT_EQ(m_card.State("TunerMode"), "TV");
    ASSERT_HRESULT_SUCCEEDED(tv->put_Mode(AMTUNER_MODE_FM_RADIO));
    tv->get_Mode(&mode);
    EXPECT_EQ(mode, AMTUNER_MODE_FM_RADIO);
    EXPECT_EQ(m_card.State("TunerMode"), "FM");
    EXPECT_EQ(tv->put_Mode(AMTUNER_MODE_DSS), E_INVALIDARG);
    ASSERT_HRESULT_SUCCEEDED(tv->put_CountryCode(86));
    LONG country = 0;
    tv->get_CountryCode(&country);
    EXPECT_EQ(country, 86);
    EXPECT_EQ(m_card.StateLong("CountryCode"), 86);

    // FM: PLL offset and current frequency while approaching Summit FM (95.3 MHz).
    const uint32_t expect[] = {3, 2, 1, 1, 0, 1};
    uint32_t f = 95300000 - 200000;
    for (uint32_t want : expect) {
        ASSERT_HRESULT_SUCCEEDED(t.SetFrequency(f));
        tunaro::TunerStatusProperty s = t.Status();
        EXPECT_EQ(s.PLLOffset, want) << f;
        EXPECT_EQ(s.CurrentFrequency, f);
        f += 50000;
    }
    LONG signal = -1;
    ASSERT_HRESULT_SUCCEEDED(t.SetFrequency(95300000));
    tv->SignalPresent(&signal);
    EXPECT_EQ(signal, AMTUNER_SIGNALPRESENT);
    EXPECT_EQ(m_card.State("Station"), "Summit FM");
    EXPECT_TRUE(FAILED(t.SetFrequency(175250000))) << "a TV frequency is outside the FM band";
}

// ---- picture controls, audio mode, crossbar ---------------------------------------------------

TEST_F(SimCard, ProcAmpRangesAndVendorAudioMode) {
    ComPtr<IBaseFilter> cap = m_card.Create(harness::kClsidCapture);
    ComPtr<IAMVideoProcAmp> amp = Query<IAMVideoProcAmp>(cap.Get(), IID_IAMVideoProcAmp);
    struct {
        long prop;
        const char* key;
        long mn, mx, def;
    } props[] = {{VideoProcAmp_Brightness, "Brightness", 0, 10000, 5000},
                 {VideoProcAmp_Contrast, "Contrast", 0, 10000, 5000},
                 {VideoProcAmp_Hue, "Hue", -180, 180, 0},
                 {VideoProcAmp_Saturation, "Saturation", 0, 10000, 5000},
                 {VideoProcAmp_Sharpness, "Sharpness", 0, 15, 8},
                 {VideoProcAmp_ColorEnable, "ColorEnable", 0, 1, 1}};
    for (auto& p : props) {
        SCOPED_TRACE(p.key);
        LONG mn, mx, step, def, caps;
        ASSERT_HRESULT_SUCCEEDED(amp->GetRange(p.prop, &mn, &mx, &step, &def, &caps));
        EXPECT_EQ(mn, p.mn);
        EXPECT_EQ(mx, p.mx);
        EXPECT_EQ(def, p.def);
        EXPECT_EQ(caps, VideoProcAmp_Flags_Manual);
        EXPECT_EQ(m_card.StateLong(p.key), p.def);
        ASSERT_HRESULT_SUCCEEDED(amp->Set(p.prop, p.mx, VideoProcAmp_Flags_Manual));
        LONG v = 0, flags = 0;
        amp->Get(p.prop, &v, &flags);
        EXPECT_EQ(v, p.mx);
        EXPECT_EQ(m_card.StateLong(p.key), p.mx);
        EXPECT_EQ(amp->Set(p.prop, p.mx + 1, VideoProcAmp_Flags_Manual), E_INVALIDARG);
        EXPECT_EQ(amp->Set(p.prop, p.mn - 1, VideoProcAmp_Flags_Manual), E_INVALIDARG);
        EXPECT_EQ(amp->Set(p.prop, p.mn, VideoProcAmp_Flags_Auto), E_INVALIDARG);
        EXPECT_EQ(m_card.StateLong(p.key), p.mx);
    }
    LONG a, b, c, d, e;
    EXPECT_TRUE(FAILED(amp->GetRange(VideoProcAmp_Gamma, &a, &b, &c, &d, &e)));

    // Vendor audio mode: a 120-byte buffer, the seventh word carries the mode.
    ComPtr<IKsPropertySet> ks = Query<IKsPropertySet>(cap.Get(), IID_IKsPropertySet);
    uint32_t buf[30] = {};
    buf[6] = 0x16160000;
    ASSERT_HRESULT_SUCCEEDED(ks->Set(tunaro::kPropSetVendorAudio, 4, &buf[6], 96, buf, 120));
    EXPECT_EQ(m_card.StateLong("AudioMode"), 0);
    buf[6] = 0x16160001;
    ASSERT_HRESULT_SUCCEEDED(ks->Set(tunaro::kPropSetVendorAudio, 4, &buf[6], 96, buf, 120));
    EXPECT_EQ(m_card.StateLong("AudioMode"), 1);
    buf[6] = 0x12340000;
    EXPECT_EQ(ks->Set(tunaro::kPropSetVendorAudio, 4, &buf[6], 96, buf, 120), E_INVALIDARG);
    EXPECT_EQ(m_card.StateLong("AudioMode"), 1);
    uint32_t out[30] = {};
    DWORD ret = 0;
    ASSERT_HRESULT_SUCCEEDED(ks->Get(tunaro::kPropSetVendorAudio, 4, &out[6], 96, out, 120, &ret));
    EXPECT_EQ(out[6], 0x16160001u);
}

TEST_F(SimCard, CrossbarOrderAndRoutes) {
    struct {
        const char* family;
        long types[5];
        long related[5];
    } cases[] = {{"SAA7134", {2, 1, 3, 4096, 4097}, {4, 3, 4, 1, 0}},
                 {"UTV", {2, 1, 3, 4097, 4096}, {3, 4, 3, 0, 1}},
                 {"TENBIT", {2, 1, 3, 4097, 4096}, {3, 4, 3, 0, 1}},
                 {"CX2388X", {2, 1, 3, 4096, 4097}, {4, 3, 4, 1, 0}}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.family);
        ASSERT_HRESULT_SUCCEEDED(m_card.Configure(c.family));
        ComPtr<IBaseFilter> xb = m_card.Create(harness::kClsidCrossbar);
        ComPtr<IAMCrossbar> x = Query<IAMCrossbar>(xb.Get(), IID_IAMCrossbar);
        LONG outs = 0, ins = 0;
        ASSERT_HRESULT_SUCCEEDED(x->get_PinCounts(&outs, &ins));
        EXPECT_EQ(outs, 2);
        ASSERT_EQ(ins, 5);
        for (LONG i = 0; i < ins; ++i) {
            LONG rel = -2, type = -2;
            ASSERT_HRESULT_SUCCEEDED(x->get_CrossbarPinInfo(TRUE, i, &rel, &type));
            EXPECT_EQ(type, c.types[i]) << i;
            EXPECT_EQ(rel, c.related[i]) << i;
            EXPECT_EQ(x->CanRoute(0, i), type < 4096 ? S_OK : S_FALSE) << i;
            EXPECT_EQ(x->CanRoute(1, i), type >= 4096 ? S_OK : S_FALSE) << i;
        }
        LONG rel = -2, type = -2;
        ASSERT_HRESULT_SUCCEEDED(x->get_CrossbarPinInfo(FALSE, 0, &rel, &type));
        EXPECT_EQ(type, 12);
        EXPECT_EQ(rel, 1);
        EXPECT_EQ(x->get_CrossbarPinInfo(TRUE, 5, &rel, &type), E_INVALIDARG);
        EXPECT_TRUE(PinOf(xb.Get(), PINDIR_INPUT, 4) && !PinOf(xb.Get(), PINDIR_INPUT, 5));
        // Power-on: the tuner's picture and sound.
        LONG in = -5;
        x->get_IsRoutedTo(0, &in);
        EXPECT_EQ(in, 1);
        EXPECT_EQ(m_card.State("VideoInput"), "Video Tuner");
        EXPECT_EQ(m_card.State("AudioInput"), "Audio Tuner");
        EXPECT_EQ(m_card.StateLong("AudioRouted"), 1);
        ASSERT_HRESULT_SUCCEEDED(x->Route(0, 0));
        EXPECT_EQ(m_card.State("VideoInput"), "Video Composite");
        ASSERT_HRESULT_SUCCEEDED(x->Route(0, 2));
        EXPECT_EQ(m_card.State("VideoInput"), "Video SVideo");
        EXPECT_TRUE(FAILED(x->Route(0, 3))) << "audio input on the video output";
        EXPECT_EQ(m_card.State("VideoInput"), "Video SVideo");
        ASSERT_HRESULT_SUCCEEDED(x->Route(1, -1));
        EXPECT_EQ(m_card.StateLong("AudioRouted"), 0);
        x->get_IsRoutedTo(1, &in);
        EXPECT_EQ(in, -1);
        ASSERT_HRESULT_SUCCEEDED(x->Route(1, c.related[1]));
        EXPECT_EQ(m_card.StateLong("AudioRouted"), 1);
        EXPECT_EQ(m_card.State("AudioInput"), "Audio Tuner");
        EXPECT_TRUE(FAILED(x->Route(2, 0)));
    }
}

// ---- streaming --------------------------------------------------------------------------------

class Preview {
public:
    // capture pin 0 -> Smart Tee -> (capture) video sink, (preview) Null Renderer;
    // audio pin -> audio sink.
    Preview(harness::Card& card, SimCard* test) {
        EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IGraphBuilder, graph.PutVoid()));
        cap = card.Create(harness::kClsidCapture);
        tuner = card.Create(harness::kClsidTuner);
        xbar = card.Create(harness::kClsidCrossbar);
        EXPECT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_SmartTee, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, tee.PutVoid()));
        EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(kClsidNullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IBaseFilter, null.PutVoid()));
        video = new harness::Sink(MEDIATYPE_Video);
        audio = new harness::Sink(MEDIATYPE_Audio);
        videoRef.Attach(video);
        audioRef.Attach(audio);
        graph->AddFilter(cap.Get(), L"Capture");
        graph->AddFilter(tuner.Get(), L"TV Tuner");
        graph->AddFilter(xbar.Get(), L"Video Crossbar");
        graph->AddFilter(tee.Get(), L"SmartTee Filter");
        graph->AddFilter(null.Get(), L"Null Render");
        graph->AddFilter(videoRef.Get(), L"Video Sink");
        graph->AddFilter(audioRef.Get(), L"Audio Sink");
        (void)test;
    }
    HRESULT Build(LONG width, LONG height) {
        ComPtr<IPin> out = PinOf(cap.Get(), PINDIR_OUTPUT, 0);
        ComPtr<IAMStreamConfig> sc;
        out->QueryInterface(IID_IAMStreamConfig, sc.PutVoid());
        dshow::MediaType mt = dshow::MakeYuy2Type(width, height, 0);
        HRESULT hr = sc->SetFormat(&mt);
        if (FAILED(hr))
            return hr;
        if (FAILED(hr = graph->ConnectDirect(out.Get(), PinOf(tee.Get(), PINDIR_INPUT, 0).Get(), nullptr)))
            return hr;
        if (FAILED(hr = graph->ConnectDirect(PinOf(tee.Get(), PINDIR_OUTPUT, 0).Get(), video->pin, nullptr)))
            return hr;
        if (FAILED(hr = graph->ConnectDirect(PinOf(tee.Get(), PINDIR_OUTPUT, 1).Get(),
                                             PinOf(null.Get(), PINDIR_INPUT, 0).Get(), nullptr)))
            return hr;
        return graph->ConnectDirect(PinOf(cap.Get(), PINDIR_OUTPUT, 3).Get(), audio->pin, nullptr);
    }
    HRESULT Run() { return Control()->Run(); }
    HRESULT Stop() { return Control()->Stop(); }
    ComPtr<IMediaControl> Control() {
        ComPtr<IMediaControl> c;
        graph->QueryInterface(IID_IMediaControl, c.PutVoid());
        return c;
    }
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> cap, tuner, xbar, tee, null, videoRef, audioRef;
    harness::Sink* video;
    harness::Sink* audio;
};

TEST_F(SimCard, PreviewGraphStreamsFramesAndSoundInRealTime) {
    Preview p(m_card, this);
    ASSERT_HRESULT_SUCCEEDED(p.Build(352, 288));
    Tuning t{Query<IKsPropertySet>(p.tuner.Get(), IID_IKsPropertySet)};
    ASSERT_HRESULT_SUCCEEDED(t.SetFrequency(49750000));
    EXPECT_EQ(m_card.StateLong("Running"), 0);
    ASSERT_HRESULT_SUCCEEDED(p.Run());
    EXPECT_EQ(m_card.StateLong("Running"), 1);
    Sleep(1200);
    std::vector<harness::Got> frames = p.video->pin->Take();
    std::vector<harness::Got> sound = p.audio->pin->Take();
    long count = p.video->pin->Count();
    ComPtr<IAMDroppedFrames> dropped =
        Query<IAMDroppedFrames>(PinOf(p.cap.Get(), PINDIR_OUTPUT, 0).Get(), IID_IAMDroppedFrames);
    LONG notDropped = 0, lost = -1, avg = 0;
    dropped->GetNumNotDropped(&notDropped);
    dropped->GetNumDropped(&lost);
    dropped->GetAverageFrameSize(&avg);
    // About a second of frame slots at 25 per second (the graph starts its clock a little late);
    // slots a busy machine misses are counted as dropped.
    EXPECT_GE(notDropped + lost, 20);
    EXPECT_LE(notDropped + lost, 34);
    EXPECT_GE(count, 12);
    EXPECT_GE(notDropped + 1, count); // the sink may count a sample the pin has not yet
    EXPECT_EQ(avg, 352 * 288 * 2);
    ASSERT_GE(frames.size(), 10u);
    for (size_t i = 1; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].stop - frames[i].start, 400000);
        EXPECT_GE(frames[i].start, frames[i - 1].stop) << "frames arrive in order";
        EXPECT_EQ((frames[i].start - frames[i - 1].stop) % 400000, 0) << "on the frame grid";
        EXPECT_EQ(frames[i].data.size(), 352u * 288u * 2u);
        EXPECT_NE(frames[i].data, frames[i - 1].data) << "the picture moves";
    }
    // Sound: 40 ms buffers of 48 kHz stereo 16-bit, time-stamped in step with the video.
    ASSERT_GE(sound.size(), 10u);
    for (size_t i = 1; i < sound.size(); ++i) {
        EXPECT_EQ(sound[i].data.size(), 1920u * 4u);
        EXPECT_EQ((sound[i].start - sound[i - 1].stop) % kAudioPeriod, 0);
        EXPECT_GE(sound[i].start, sound[i - 1].stop);
        EXPECT_FALSE(AllZero(sound[i].data));
    }
    EXPECT_GE(m_card.StateLong("FramesDelivered"), 10);

    // Brightness shifts the luma of the frames that follow.
    double before = MeanLuma(frames.back().data);
    ComPtr<IAMVideoProcAmp> amp = Query<IAMVideoProcAmp>(p.cap.Get(), IID_IAMVideoProcAmp);
    ASSERT_HRESULT_SUCCEEDED(amp->Set(VideoProcAmp_Brightness, 9500, VideoProcAmp_Flags_Manual));
    Sleep(200);
    p.video->pin->Take();
    Sleep(200);
    frames = p.video->pin->Take();
    ASSERT_FALSE(frames.empty());
    EXPECT_GT(MeanLuma(frames.back().data), before + 40);

    // Disconnecting the audio route silences the sound; reconnecting brings it back.
    ComPtr<IAMCrossbar> x = Query<IAMCrossbar>(p.xbar.Get(), IID_IAMCrossbar);
    ASSERT_HRESULT_SUCCEEDED(x->Route(1, -1));
    Sleep(200);
    p.audio->pin->Take();
    Sleep(300);
    sound = p.audio->pin->Take();
    ASSERT_FALSE(sound.empty());
    for (const harness::Got& g : sound)
        EXPECT_TRUE(AllZero(g.data));
    ASSERT_HRESULT_SUCCEEDED(x->Route(1, 3));
    Sleep(200);
    p.audio->pin->Take();
    Sleep(300);
    sound = p.audio->pin->Take();
    ASSERT_FALSE(sound.empty());
    EXPECT_FALSE(AllZero(sound.back().data));

    // Standards cannot change under a running graph.
    ComPtr<IAMAnalogVideoDecoder> dec = Query<IAMAnalogVideoDecoder>(p.cap.Get(), IID_IAMAnalogVideoDecoder);
    EXPECT_EQ(dec->put_TVFormat(AnalogVideo_NTSC_M), VFW_E_NOT_STOPPED);

    ASSERT_HRESULT_SUCCEEDED(p.Stop());
    EXPECT_EQ(m_card.StateLong("Running"), 0);
    long total = m_card.StateLong("FramesDelivered");
    EXPECT_GE(total, p.video->pin->Count() - 1);
}

TEST_F(SimCard, AudioPinPlaysThroughTheWaveRenderer) {
    ComPtr<IGraphBuilder> graph = NewGraph();
    ComPtr<IBaseFilter> cap = m_card.Create(harness::kClsidCapture), renderer;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_AudioRender, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IBaseFilter, renderer.PutVoid()));
    graph->AddFilter(cap.Get(), nullptr);
    graph->AddFilter(renderer.Get(), L"Wave Auido Render");
    ASSERT_HRESULT_SUCCEEDED(graph->Connect(PinOf(cap.Get(), PINDIR_OUTPUT, 3).Get(),
                                            PinOf(renderer.Get(), PINDIR_INPUT, 0).Get()));
    ComPtr<IMediaControl> control = Query<IMediaControl>(graph.Get(), IID_IMediaControl);
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    Sleep(700);
    ComPtr<IAMStreamConfig> sc;
    ASSERT_HRESULT_SUCCEEDED(
        PinOf(cap.Get(), PINDIR_OUTPUT, 3)->QueryInterface(IID_IAMStreamConfig, sc.PutVoid()));
    ASSERT_HRESULT_SUCCEEDED(control->Stop());
    EXPECT_EQ(m_card.StateLong("Running"), 0);
}

TEST_F(SimCard, StopAndRestartLeakNoThreadsOrHandles) {
    Preview p(m_card, this);
    ASSERT_HRESULT_SUCCEEDED(p.Build(720, 576));
    ASSERT_HRESULT_SUCCEEDED(p.Run());
    Sleep(400);
    ASSERT_HRESULT_SUCCEEDED(p.Stop());
    int threads = ThreadCount();
    const long handles = e2e::HandleCount();
    ASSERT_GT(handles, 0);
    for (int i = 0; i < 4; ++i) {
        long before = p.video->pin->Count();
        ASSERT_HRESULT_SUCCEEDED(p.Run());
        Sleep(450);
        ASSERT_HRESULT_SUCCEEDED(p.Stop());
        EXPECT_GT(p.video->pin->Count(), before) << "cycle " << i;
        EXPECT_EQ(m_card.StateLong("Running"), 0);
    }
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_LE(e2e::HandleCount(), handles + 2);
}

// ---- device categories -----------------------------------------------------------------------

std::vector<std::pair<std::wstring, std::wstring>> Devices(REFCLSID category) {
    std::vector<std::pair<std::wstring, std::wstring>> out; // friendly name, CLSID
    ComPtr<ICreateDevEnum> devenum;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devenum.PutVoid())))
        return out;
    ComPtr<IEnumMoniker> monikers;
    if (devenum->CreateClassEnumerator(category, monikers.Put(), 0) != S_OK)
        return out;
    IMoniker* m = nullptr;
    while (monikers->Next(1, &m, nullptr) == S_OK) {
        ComPtr<IMoniker> mon;
        mon.Attach(m);
        ComPtr<IPropertyBag> bag;
        if (FAILED(mon->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())))
            continue;
        VARIANT name, clsid;
        VariantInit(&name);
        VariantInit(&clsid);
        bag->Read(L"FriendlyName", &name, nullptr);
        bag->Read(L"CLSID", &clsid, nullptr);
        out.push_back({name.vt == VT_BSTR ? name.bstrVal : L"", clsid.vt == VT_BSTR ? clsid.bstrVal : L""});
        VariantClear(&name);
        VariantClear(&clsid);
    }
    return out;
}

std::vector<std::wstring> OursIn(REFCLSID category) {
    std::vector<std::wstring> names;
    for (auto& d : Devices(category)) {
        CLSID c{};
        if (SUCCEEDED(CLSIDFromString(d.second.c_str(), &c)) &&
            (c == harness::kClsidCapture || c == harness::kClsidTuner || c == harness::kClsidCrossbar ||
             c == harness::kClsidAudio || c == harness::kClsidEncoder || c == harness::kClsidGeneric))
            names.push_back(d.first);
    }
    return names;
}

TEST_F(SimCard, DeviceCategoriesListTheChosenFamily) {
    const GUID encoderCategory = {
        0x19689bf6, 0xc384, 0x48fd, {0xad, 0x51, 0x90, 0xe5, 0x8c, 0x79, 0xf7, 0x0b}};
    using Names = std::vector<std::wstring>;
    struct {
        const char* family;
        bool generic;
        Names video, tuner, crossbar, audio, encoder;
    } cases[] = {
        {"SAA7134",
         false,
         {L"Ph7134 Video Capture"},
         {L"Ph7134 TV Tuner"},
         {L"Cap7134 Crossbar"},
         {L"Ph7134 Audio Capture"},
         {}},
        {"CX2388X",
         false,
         {L"Conexant 2388x Video Capture"},
         {L"Conexant 2388x Tuner"},
         {L"Conexant 2388x Crossbar"},
         {L"2388x AvStream Audio Capture"},
         {L"2388x MPEG Encoder"}},
        {"UTV",
         false,
         {L"UTV2820 Video Capture"},
         {L"UTV2820 TV Tuner"},
         {L"UTV2820 Crossbar"},
         {L"UTV2820 Audio Device"},
         {}},
        {"PHILIPS",
         true,
         {L"Generic USB Camera", L"TV Card(Philips) Video Capture"},
         {L"PhTVTune"},
         {L"TV Card(Philips) Crossbar"},
         {L"TV Card(Philips) Audio Capture"},
         {}},
        {"NONE", false, {}, {}, {}, {}, {}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.family);
        ASSERT_HRESULT_SUCCEEDED(m_card.Configure(c.family, c.generic));
        ASSERT_HRESULT_SUCCEEDED(m_card.Register());
        EXPECT_EQ(OursIn(CLSID_VideoInputDeviceCategory), c.video);
        EXPECT_EQ(OursIn(AM_KSCATEGORY_TVTUNER), c.tuner);
        EXPECT_EQ(OursIn(AM_KSCATEGORY_CROSSBAR), c.crossbar);
        EXPECT_EQ(OursIn(CLSID_AudioInputDeviceCategory), c.audio);
        EXPECT_EQ(OursIn(encoderCategory), c.encoder);
        if (c.generic) {
            // The camera comes first in the whole category, the card right after it.
            auto all = Devices(CLSID_VideoInputDeviceCategory);
            ASSERT_GE(all.size(), 2u);
            EXPECT_EQ(all[0].first, c.video[0]);
            EXPECT_EQ(all[1].first, c.video[1]);
        }
        if (!c.video.empty()) {
            // The listed device binds to a working filter of the family.
            ComPtr<ICreateDevEnum> devenum;
            ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                                      IID_ICreateDevEnum, devenum.PutVoid()));
            ComPtr<IEnumMoniker> monikers;
            ASSERT_EQ(devenum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0),
                      S_OK);
            IMoniker* m = nullptr;
            bool bound = false;
            while (!bound && monikers->Next(1, &m, nullptr) == S_OK) {
                ComPtr<IMoniker> mon;
                mon.Attach(m);
                ComPtr<IBaseFilter> f;
                if (FAILED(mon->BindToObject(nullptr, nullptr, IID_IBaseFilter, f.PutVoid())))
                    continue;
                FILTER_INFO info{};
                f->QueryFilterInfo(&info);
                if (c.video.back() == info.achName)
                    bound = static_cast<bool>(PinOf(f.Get(), PINDIR_OUTPUT, 0));
            }
            EXPECT_TRUE(bound);
        }
    }
    EXPECT_TRUE(Devices(CLSID_VideoInputDeviceCategory).empty() ||
                OursIn(CLSID_VideoInputDeviceCategory).empty());
}

// Puts the prefix's own registration back (the installed DLL, the prefix's simcard.ini).
class RestoreRegistration : public ::testing::Environment {
public:
    void TearDown() override {
        SetEnvironmentVariableA("TUNARO_SIMCARD_INI", nullptr);
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        HMODULE installed = LoadLibraryA("C:\\windows\\system32\\simcard.dll");
        if (installed) {
            auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(
                reinterpret_cast<void*>(GetProcAddress(installed, "DllRegisterServer")));
            if (reg)
                reg();
        }
        CoUninitialize();
    }
};
const auto* const kGRestore = ::testing::AddGlobalTestEnvironment(new RestoreRegistration);

} // namespace
