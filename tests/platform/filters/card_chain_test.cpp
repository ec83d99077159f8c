// Graph tests of the video filters behind the simulated tuner card (the first video capture
// device of the prefix): pass-through identity, the tee's three outputs feeding invert,
// down-size and deinterlacer with the same frames, and the overlay chain into the Video Renderer.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/filters/picture.h"
#include "tests/platform/filters/test_graph.h"

using filtertest::ComPtr;
using filtertest::FirstPin;
using filtertest::Frame;
using filtertest::Graph;
using filtertest::MediaType;
using filtertest::PinAt;
using filtertest::Sink;
using filtertest::WaitFor;

namespace {

bool CardInstalled() {
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    std::string path = std::string(dir) + "\\simcard.dll";
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The first device of the video capture category, bound to a filter.
ComPtr<IBaseFilter> BindCard() {
    ComPtr<IBaseFilter> filter;
    ComPtr<ICreateDevEnum> devs;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devs.PutVoid())))
        return filter;
    ComPtr<IEnumMoniker> e;
    if (devs->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, e.Put(), 0) != S_OK)
        return filter;
    IMoniker* m = nullptr;
    while (!filter && e->Next(1, &m, nullptr) == S_OK) {
        ComPtr<IMoniker> mon;
        mon.Attach(m);
        mon->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid());
    }
    return filter;
}

GUID CategoryOf(IPin* pin) {
    GUID cat = GUID_NULL;
    ComPtr<IKsPropertySet> ks;
    DWORD got = 0;
    if (SUCCEEDED(pin->QueryInterface(IID_IKsPropertySet, ks.PutVoid())))
        ks->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &cat, sizeof cat, &got);
    return cat;
}

// The card's preview output, else its capture output.
ComPtr<IPin> VideoOut(IBaseFilter* card) {
    ComPtr<IPin> capture;
    for (int i = 0;; ++i) {
        ComPtr<IPin> p = PinAt(card, i);
        if (!p)
            break;
        PIN_DIRECTION d;
        p->QueryDirection(&d);
        if (d != PINDIR_OUTPUT)
            continue;
        GUID cat = CategoryOf(p.Get());
        if (cat == PIN_CATEGORY_PREVIEW)
            return p;
        if (cat == PIN_CATEGORY_CAPTURE && !capture)
            capture = p;
    }
    return capture;
}

class CardFilters : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        m_graph.reset(new Graph()); // after COM is up
        ASSERT_TRUE(m_graph->Ok());
        if (!CardInstalled())
            GTEST_SKIP() << "no simulated card in this prefix";
        m_card = BindCard();
        ASSERT_TRUE(m_card) << "the simulated card is installed but no capture device binds";
        ASSERT_HRESULT_SUCCEEDED(m_graph->builder->AddFilter(m_card.Get(), L"Video Capture"));
        m_out = VideoOut(m_card.Get());
        ASSERT_TRUE(m_out) << "the card has no video output";
    }
    void TearDown() override {
        m_out.Reset();
        m_card.Reset();
        m_graph.reset();
        CoUninitialize();
    }
    // The connection type of a sink, described.
    static filters::VideoFormat FormatOf(Sink* s) {
        AM_MEDIA_TYPE mt{};
        filters::VideoFormat f;
        if (SUCCEEDED(s->pin->ConnectionMediaType(&mt))) {
            filters::DescribeVideo(mt, &f);
            dshow::FreeMediaType(mt);
        }
        return f;
    }
    std::unique_ptr<Graph> m_graph;
    ComPtr<IBaseFilter> m_card;
    ComPtr<IPin> m_out;
};

TEST_F(CardFilters, GrabberAndOptimiserPassTheCardsFramesUnchanged) {
    ComPtr<IBaseFilter> grab = m_graph->Create(tunaro::kClsidFrameGrabber, L"Trans Form Filter");
    ComPtr<IBaseFilter> opt = m_graph->Create(tunaro::kClsidDispOptim, tunaro::kNameDispOptim);
    ASSERT_TRUE(grab && opt);
    auto* sink = new Sink(MEDIASUBTYPE_YUY2);
    ComPtr<IBaseFilter> k = m_graph->Add(sink, L"Sink");
    ASSERT_HRESULT_SUCCEEDED(
        m_graph->builder->Connect(m_out.Get(), FirstPin(grab.Get(), PINDIR_INPUT).Get()));
    ASSERT_HRESULT_SUCCEEDED(m_graph->builder->ConnectDirect(
        FirstPin(grab.Get(), PINDIR_OUTPUT).Get(), FirstPin(opt.Get(), PINDIR_INPUT).Get(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(
        m_graph->builder->ConnectDirect(FirstPin(opt.Get(), PINDIR_OUTPUT).Get(), sink->pin, nullptr));
    filters::VideoFormat f = FormatOf(sink);
    ASSERT_EQ(f.layout, filters::Layout::Yuy2);
    ASSERT_HRESULT_SUCCEEDED(m_graph->Run());
    ASSERT_TRUE(WaitFor([&] { return sink->pin->Count() >= 3; }));
    ASSERT_HRESULT_SUCCEEDED(m_graph->control->Pause()); // nothing new arrives: grabber and sink agree
    Sleep(100);
    std::vector<Frame> got = sink->pin->Take();
    ASSERT_FALSE(got.empty());
    const Frame& last = got.back();
    ASSERT_EQ(last.data.size(), static_cast<size_t>(f.imageSize));
    ComPtr<IFrameGrabber> grabber;
    ASSERT_HRESULT_SUCCEEDED(grab->QueryInterface(__uuidof(IFrameGrabber), grabber.PutVoid()));
    std::vector<BYTE> copy(last.data.size());
    ASSERT_HRESULT_SUCCEEDED(grabber->GetCurrentFrame(copy.data(), 0));
    EXPECT_EQ(copy, last.data) << "the grabber's frame differs from what went on";
    ComPtr<IDispOptim> still;
    ASSERT_HRESULT_SUCCEEDED(opt->QueryInterface(__uuidof(IDispOptim), still.PutVoid()));
    LONG size = 0;
    ASSERT_HRESULT_SUCCEEDED(still->GetImageSize(&size));
    const int stride = picture::DibStride(f.width, 24);
    ASSERT_EQ(size, 40 + stride * f.height);
    std::vector<BYTE> dib(static_cast<size_t>(size)), want(static_cast<size_t>(stride) * f.height, 0);
    ASSERT_HRESULT_SUCCEEDED(still->GetImage(dib.data(), size));
    picture::Yuv422ToRgb24(last.data.data(), f.stride, picture::Packing::Yuy2, f.width, f.height, want.data(),
                           stride);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), dib.begin() + 40))
        << "the still is not the picture shown";
}

TEST_F(CardFilters, TeeFeedsInvertDownSizeAndDeinterlacerWithTheSameFrames) {
    ComPtr<IBaseFilter> tee = m_graph->Create(CLSID_InfTee, L"INFTEE Filter");
    ComPtr<IBaseFilter> inv = m_graph->Create(tunaro::kClsidVideoInvert, tunaro::kNameVideoInvert);
    ComPtr<IBaseFilter> half = m_graph->Create(tunaro::kClsidDownSize, tunaro::kNameDownSize);
    ComPtr<IBaseFilter> deint = m_graph->Create(tunaro::kClsidDeinterlacer, tunaro::kNameDeinterlacer);
    ASSERT_TRUE(tee && inv && half && deint);
    Sink* sinks[4];
    ComPtr<IBaseFilter> held[4];
    const wchar_t* names[4] = {L"Plain", L"Inverted", L"Half", L"Deinterlaced"};
    for (int i = 0; i < 4; ++i) {
        sinks[i] = new Sink(MEDIASUBTYPE_YUY2);
        held[i] = m_graph->Add(sinks[i], names[i]);
    }
    ASSERT_HRESULT_SUCCEEDED(m_graph->builder->Connect(m_out.Get(), PinAt(tee.Get(), 0).Get()));
    ASSERT_HRESULT_SUCCEEDED(
        m_graph->builder->ConnectDirect(PinAt(tee.Get(), 1).Get(), sinks[0]->pin, nullptr));
    IBaseFilter* mids[3] = {inv.Get(), half.Get(), deint.Get()};
    for (int i = 0; i < 3; ++i) {
        ASSERT_HRESULT_SUCCEEDED(m_graph->builder->ConnectDirect(
            PinAt(tee.Get(), 2 + i).Get(), FirstPin(mids[i], PINDIR_INPUT).Get(), nullptr));
        ASSERT_HRESULT_SUCCEEDED(m_graph->builder->ConnectDirect(FirstPin(mids[i], PINDIR_OUTPUT).Get(),
                                                                 sinks[1 + i]->pin, nullptr));
    }
    filters::VideoFormat f = FormatOf(sinks[0]), fh = FormatOf(sinks[2]);
    ASSERT_EQ(f.layout, filters::Layout::Yuy2);
    EXPECT_EQ(fh.width, picture::HalfWidth(f.width));
    EXPECT_EQ(fh.height, picture::HalfHeight(f.height));
    ASSERT_HRESULT_SUCCEEDED(m_graph->Run());
    ASSERT_TRUE(WaitFor([&] {
        for (Sink* s : sinks)
            if (s->pin->Count() < 3)
                return false;
        return true;
    }));
    m_graph->Stop();
    std::map<REFERENCE_TIME, std::vector<BYTE>> plain;
    for (Frame& fr : sinks[0]->pin->Take())
        plain[fr.start] = std::move(fr.data);
    int compared = 0;
    for (const Frame& fr : sinks[1]->pin->Take()) {
        auto it = plain.find(fr.start);
        if (it == plain.end())
            continue;
        std::vector<BYTE> flipped(it->second.size());
        picture::FlipRows(it->second.data(), f.stride, flipped.data(), f.stride, f.stride, f.height);
        EXPECT_EQ(fr.data, flipped);
        ++compared;
    }
    for (const Frame& fr : sinks[2]->pin->Take()) {
        auto it = plain.find(fr.start);
        if (it == plain.end())
            continue;
        std::vector<BYTE> small(static_cast<size_t>(fh.imageSize));
        picture::HalveYuy2(it->second.data(), f.stride, f.width, f.height, small.data(), fh.stride);
        EXPECT_EQ(fr.data, small);
        ++compared;
    }
    for (const Frame& fr : sinks[3]->pin->Take()) {
        auto it = plain.find(fr.start);
        if (it == plain.end())
            continue;
        ASSERT_EQ(fr.data.size(), it->second.size());
        for (LONG y = 0; y < f.height; y += 2) // the first field passes untouched
            ASSERT_EQ(0,
                      memcmp(&fr.data[static_cast<size_t>(y) * f.stride],
                             &it->second[static_cast<size_t>(y) * f.stride], static_cast<size_t>(f.stride)));
        ++compared;
    }
    EXPECT_GE(compared, 6);
}

TEST_F(CardFilters, OverlayChainFromTheCardRunsIntoTheVideoRenderer) {
    ComPtr<IBaseFilter> deint = m_graph->Create(tunaro::kClsidDeinterlacer, tunaro::kNameDeinterlacer);
    ComPtr<IBaseFilter> opt = m_graph->Create(tunaro::kClsidDispOptim, tunaro::kNameDispOptim);
    ComPtr<IBaseFilter> render = m_graph->Create(CLSID_VideoRenderer, L"VideoRender");
    ComPtr<IBaseFilter> mixer = m_graph->Create(CLSID_OverlayMixer, L"Overlay Mixer");
    ASSERT_TRUE(deint && opt && render && mixer);
    ASSERT_HRESULT_SUCCEEDED(
        m_graph->builder->Connect(m_out.Get(), FirstPin(deint.Get(), PINDIR_INPUT).Get()));
    ASSERT_HRESULT_SUCCEEDED(m_graph->builder->Connect(FirstPin(deint.Get(), PINDIR_OUTPUT).Get(),
                                                       FirstPin(opt.Get(), PINDIR_INPUT).Get()));
    ASSERT_HRESULT_SUCCEEDED(m_graph->builder->ConnectDirect(FirstPin(opt.Get(), PINDIR_OUTPUT).Get(),
                                                             PinAt(mixer.Get(), 0).Get(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(m_graph->builder->ConnectDirect(
        FirstPin(mixer.Get(), PINDIR_OUTPUT).Get(), FirstPin(render.Get(), PINDIR_INPUT).Get(), nullptr));
    ComPtr<IMixerPinConfig> config;
    ASSERT_HRESULT_SUCCEEDED(PinAt(mixer.Get(), 0)->QueryInterface(IID_IMixerPinConfig, config.PutVoid()));
    EXPECT_HRESULT_SUCCEEDED(config->SetAspectRatioMode(AM_ARMODE_STRETCHED));
    ASSERT_HRESULT_SUCCEEDED(m_graph->Run());
    OAFilterState state = State_Stopped;
    m_graph->control->GetState(2000, &state);
    EXPECT_EQ(state, State_Running);
    ComPtr<IDispOptim> still;
    ASSERT_HRESULT_SUCCEEDED(opt->QueryInterface(__uuidof(IDispOptim), still.PutVoid()));
    EXPECT_TRUE(WaitFor([&] {
        LONG size = 0;
        return SUCCEEDED(still->GetImageSize(&size)) && size > 40;
    })) << "no picture reached the display optimiser";
    ASSERT_HRESULT_SUCCEEDED(m_graph->Stop());
}

} // namespace
