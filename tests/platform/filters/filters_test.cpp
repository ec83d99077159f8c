// Graph tests of the card's video filters and the stock stand-ins, created through their
// registration in the prefix: pass-through identity, grabbed frames, still images, flips,
// half size, deinterlacing, the infinite tee's outputs and the mixer into the Video Renderer.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/filters/picture.h"
#include "tests/platform/filters/test_graph.h"

using filtertest::ComPtr;
using filtertest::FirstPin;
using filtertest::Frame;
using filtertest::Graph;
using filtertest::MediaType;
using filtertest::PinAt;
using filtertest::Sink;
using filtertest::Source;
using filtertest::WaitFor;

namespace {

constexpr REFERENCE_TIME kPeriod = 200000; // 50 frames a second keeps the tests short
constexpr LONG kW = 64, kH = 48;

std::vector<BYTE> Expected(LONG w, LONG h, REFERENCE_TIME start) {
    std::vector<BYTE> f(static_cast<size_t>(w) * h * 2);
    filtertest::MovingPattern(f.data(), w, h, static_cast<LONG>(start / kPeriod));
    return f;
}

class Filters : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    void TearDown() override { CoUninitialize(); }
};

// source -> filter -> sink with the given filter; returns false when something is missing.
struct Chain {
    Graph g;
    Source* src = nullptr;
    Sink* sink = nullptr;
    ComPtr<IBaseFilter> srcF, filter, sinkF;
    bool Build(REFCLSID clsid, LONG w, LONG h, REFGUID sinkSubtype = GUID_NULL) {
        if (!g.Ok())
            return false;
        src = new Source(dshow::MakeYuy2Type(w, h, kPeriod), kPeriod, filtertest::MovingPattern);
        sink = new Sink(sinkSubtype);
        srcF = g.Add(src, L"Capture");
        filter = g.Create(clsid, L"Filter");
        sinkF = g.Add(sink, L"Sink");
        if (!filter)
            return false;
        if (FAILED(g.builder->ConnectDirect(src->pin, FirstPin(filter.Get(), PINDIR_INPUT).Get(), nullptr)))
            return false;
        return SUCCEEDED(
            g.builder->ConnectDirect(FirstPin(filter.Get(), PINDIR_OUTPUT).Get(), sink->pin, nullptr));
    }
    // Runs until the sink has n more frames (the source stops producing after them), then stops.
    std::vector<Frame> RunFor(LONG n) {
        src->pin->SetLimit(src->pin->Produced() + n);
        if (FAILED(g.Run()))
            return {};
        WaitFor([&] { return sink->pin->Count() >= static_cast<size_t>(n); });
        g.Stop();
        return sink->pin->Take();
    }
};

TEST_F(Filters, EveryClassIsRegisteredAndCreatable) {
    const CLSID* classes[] = {&tunaro::kClsidFrameGrabber,
                              &tunaro::kClsidDispOptimQrt,
                              &tunaro::kClsidDispOptim,
                              &tunaro::kClsidDeinterlacer,
                              &tunaro::kClsidVideoInvert,
                              &tunaro::kClsidDownSize,
                              &CLSID_InfTee,
                              &CLSID_OverlayMixer};
    for (const CLSID* c : classes) {
        ComPtr<IBaseFilter> f;
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(*c, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, f.PutVoid()));
        CLSID got{};
        ASSERT_HRESULT_SUCCEEDED(f->GetClassID(&got));
        EXPECT_TRUE(got == *c);
    }
}

TEST_F(Filters, GrabberPassesFramesUncopiedAndKeepsTheLast) {
    Chain c;
    ASSERT_TRUE(c.Build(tunaro::kClsidFrameGrabber, kW, kH));
    ComPtr<IFrameGrabber> grab;
    ASSERT_HRESULT_SUCCEEDED(c.filter->QueryInterface(__uuidof(IFrameGrabber), grab.PutVoid()));
    std::vector<BYTE> buf(kW * kH * 2 + 16, 0xAB);
    EXPECT_EQ(grab->GetCurrentFrame(buf.data(), 0), E_FAIL); // nothing has arrived yet
    EXPECT_EQ(grab->GetCurrentFrame(nullptr, 0), E_POINTER);

    c.src->pin->SetLimit(6);
    ASSERT_HRESULT_SUCCEEDED(c.g.Run());
    ASSERT_TRUE(WaitFor([&] { return c.sink->pin->Count() >= 6; }));
    // Still running: the copy is the last frame the sink saw.
    ASSERT_HRESULT_SUCCEEDED(grab->GetCurrentFrame(buf.data(), 0));
    std::vector<Frame> got = c.sink->pin->Take();
    ASSERT_EQ(got.size(), 6u);
    EXPECT_TRUE(std::equal(got.back().data.begin(), got.back().data.end(), buf.begin()));
    EXPECT_EQ(buf[kW * kH * 2], 0xAB) << "wrote past the frame";
    // A length copies that many bytes only.
    std::vector<BYTE> part(32, 0);
    part[20] = 0x5A;
    ASSERT_HRESULT_SUCCEEDED(grab->GetCurrentFrame(part.data(), 20));
    EXPECT_EQ(0, memcmp(part.data(), got.back().data.data(), 20));
    EXPECT_EQ(part[20], 0x5A);
    c.g.Stop();

    std::set<const BYTE*> sourceBuffers = c.src->pin->Buffers();
    for (const Frame& f : got) {
        EXPECT_EQ(f.data, Expected(kW, kH, f.start)) << "frame at " << f.start;
        EXPECT_EQ(sourceBuffers.count(f.pointer), 1u) << "the frame was copied on its way";
    }
}

TEST_F(Filters, GrabberRefusesWhenUnconnected) {
    Graph g;
    ComPtr<IBaseFilter> f = g.Create(tunaro::kClsidFrameGrabber, L"Trans Form Filter");
    ASSERT_TRUE(f);
    ComPtr<IFrameGrabber> grab;
    ASSERT_HRESULT_SUCCEEDED(f->QueryInterface(__uuidof(IFrameGrabber), grab.PutVoid()));
    BYTE b[4];
    EXPECT_EQ(grab->GetCurrentFrame(b, 0), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(grab->GetCurrentFrame(b, -1), E_INVALIDARG);
}

// The preview's grabber chain: the system's AVI Decompressor turns the grabbed YUY2 into RGB.
TEST_F(Filters, GrabberChainDecodesThroughTheAviDecompressor) {
    Graph g;
    auto* src = new Source(dshow::MakeYuy2Type(kW, kH, kPeriod), kPeriod, filtertest::MovingPattern);
    auto* sink = new Sink();
    ComPtr<IBaseFilter> s = g.Add(src, L"Capture"), k = g.Add(sink, L"Sink");
    ComPtr<IBaseFilter> grab = g.Create(tunaro::kClsidFrameGrabber, L"Trans Form Filter");
    ComPtr<IBaseFilter> dec = g.Create(CLSID_AVIDec, L"VideoRender");
    ASSERT_TRUE(grab && dec);
    ASSERT_HRESULT_SUCCEEDED(
        g.builder->ConnectDirect(src->pin, FirstPin(grab.Get(), PINDIR_INPUT).Get(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(g.builder->ConnectDirect(FirstPin(grab.Get(), PINDIR_OUTPUT).Get(),
                                                      FirstPin(dec.Get(), PINDIR_INPUT).Get(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(g.builder->Connect(FirstPin(dec.Get(), PINDIR_OUTPUT).Get(), sink->pin));
    AM_MEDIA_TYPE mt{};
    ASSERT_HRESULT_SUCCEEDED(sink->pin->ConnectionMediaType(&mt));
    MediaType out(mt);
    dshow::FreeMediaType(mt);
    filters::VideoFormat f;
    ASSERT_TRUE(filters::DescribeVideo(out, &f));
    ASSERT_TRUE(f.layout == filters::Layout::Rgb32 || f.layout == filters::Layout::Rgb24);
    EXPECT_EQ(f.width, kW);
    EXPECT_EQ(f.height, kH);
    src->pin->SetLimit(3);
    ASSERT_HRESULT_SUCCEEDED(g.Run());
    ASSERT_TRUE(WaitFor([&] { return sink->pin->Count() >= 3; }));
    g.Stop();
    for (const Frame& fr : sink->pin->Take()) {
        std::vector<BYTE> in = Expected(kW, kH, fr.start), want(static_cast<size_t>(f.imageSize));
        BYTE* base = f.topDown ? want.data() + static_cast<size_t>(f.stride) * (kH - 1) : want.data();
        int pitch = f.topDown ? -f.stride : f.stride;
        if (f.layout == filters::Layout::Rgb32)
            picture::Yuv422ToRgb32(in.data(), kW * 2, picture::Packing::Yuy2, kW, kH, base, pitch);
        else
            picture::Yuv422ToRgb24(in.data(), kW * 2, picture::Packing::Yuy2, kW, kH, base, pitch);
        EXPECT_EQ(fr.data, want);
    }
}

// The packed DIB the optimiser should give for a YUY2 frame.
std::vector<BYTE> DibOf(const std::vector<BYTE>& yuy2, LONG w, LONG h) {
    int stride = picture::DibStride(w, 24);
    std::vector<BYTE> dib(sizeof(BITMAPINFOHEADER) + static_cast<size_t>(stride) * h, 0);
    picture::Yuv422ToRgb24(yuy2.data(), w * 2, picture::Packing::Yuy2, w, h,
                           dib.data() + sizeof(BITMAPINFOHEADER), stride);
    return dib;
}

template <class Itf> void CheckOptimiser(REFCLSID clsid, REFIID iid, REFIID otherIid) {
    const LONG w = 66, h = 20; // a row of 198 bytes: padded to 200 in the DIB
    Chain c;
    ASSERT_TRUE(c.Build(clsid, w, h));
    ComPtr<Itf> opt;
    ASSERT_HRESULT_SUCCEEDED(c.filter->QueryInterface(iid, opt.PutVoid()));
    ComPtr<IUnknown> other;
    EXPECT_EQ(c.filter->QueryInterface(otherIid, other.PutVoid()), E_NOINTERFACE);
    LONG size = -1;
    ASSERT_HRESULT_SUCCEEDED(opt->GetImageSize(&size));
    EXPECT_EQ(size, 0); // nothing displayed yet
    EXPECT_HRESULT_SUCCEEDED(opt->SetMode(0));
    EXPECT_EQ(opt->SetMode(7), E_INVALIDARG);

    std::vector<Frame> got = c.RunFor(4);
    ASSERT_EQ(got.size(), 4u);
    std::set<const BYTE*> sourceBuffers = c.src->pin->Buffers();
    for (const Frame& f : got) {
        EXPECT_EQ(f.data, Expected(w, h, f.start));
        EXPECT_EQ(sourceBuffers.count(f.pointer), 1u) << "the frame was copied on its way";
    }
    ASSERT_HRESULT_SUCCEEDED(opt->GetImageSize(&size));
    const LONG stride = 200;
    ASSERT_EQ(size, 40 + stride * h);
    std::vector<BYTE> dib(static_cast<size_t>(size));
    EXPECT_EQ(opt->GetImage(dib.data(), size - 1), E_OUTOFMEMORY);
    ASSERT_HRESULT_SUCCEEDED(opt->GetImage(dib.data(), size));
    BITMAPINFOHEADER bih;
    memcpy(&bih, dib.data(), sizeof bih);
    EXPECT_EQ(bih.biSize, 40u);
    EXPECT_EQ(bih.biWidth, w);
    EXPECT_EQ(bih.biHeight, h); // bottom-up
    EXPECT_EQ(bih.biPlanes, 1);
    EXPECT_EQ(bih.biBitCount, 24);
    EXPECT_EQ(bih.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(bih.biSizeImage, static_cast<DWORD>(stride * h));
    std::vector<BYTE> want = DibOf(got.back().data, w, h);
    EXPECT_TRUE(std::equal(want.begin() + 40, want.end(), dib.begin() + 40)) << "pixels differ";
}

TEST_F(Filters, DisplayOptimiserPassesThroughAndGivesThePackedDib) {
    CheckOptimiser<IDispOptim>(tunaro::kClsidDispOptim, __uuidof(IDispOptim), __uuidof(IDispOptimQrt));
}

TEST_F(Filters, QrtDisplayOptimiserHasItsOwnInterface) {
    CheckOptimiser<IDispOptimQrt>(tunaro::kClsidDispOptimQrt, __uuidof(IDispOptimQrt), __uuidof(IDispOptim));
}

TEST_F(Filters, DisplayOptimiserHoldModeKeepsTheStillImage) {
    Chain c;
    ASSERT_TRUE(c.Build(tunaro::kClsidDispOptim, kW, kH));
    ComPtr<IDispOptim> opt;
    ASSERT_HRESULT_SUCCEEDED(c.filter->QueryInterface(__uuidof(IDispOptim), opt.PutVoid()));
    std::vector<Frame> first = c.RunFor(2);
    ASSERT_EQ(first.size(), 2u);
    LONG size = 0;
    opt->GetImageSize(&size);
    std::vector<BYTE> held(static_cast<size_t>(size)), later(held.size());
    ASSERT_HRESULT_SUCCEEDED(opt->GetImage(held.data(), size));
    ASSERT_HRESULT_SUCCEEDED(opt->SetMode(1));
    std::vector<Frame> more = c.RunFor(3);
    ASSERT_EQ(more.size(), 3u);
    ASSERT_HRESULT_SUCCEEDED(opt->GetImage(later.data(), size));
    EXPECT_EQ(held, later);
    // Back to live: the next frames replace it.
    ASSERT_HRESULT_SUCCEEDED(opt->SetMode(0));
    std::vector<Frame> last = c.RunFor(3);
    ASSERT_FALSE(last.empty());
    ASSERT_HRESULT_SUCCEEDED(opt->GetImage(later.data(), size));
    EXPECT_NE(held, later);
    std::vector<BYTE> want = DibOf(last.back().data, kW, kH);
    EXPECT_TRUE(std::equal(want.begin() + 40, want.end(), later.begin() + 40));
}

TEST_F(Filters, InvertTurnsThePictureUpsideDown) {
    Chain c;
    ASSERT_TRUE(c.Build(tunaro::kClsidVideoInvert, kW, kH));
    std::vector<Frame> got = c.RunFor(3);
    ASSERT_EQ(got.size(), 3u);
    for (const Frame& f : got) {
        std::vector<BYTE> in = Expected(kW, kH, f.start), flipped(in.size());
        picture::FlipRows(in.data(), kW * 2, flipped.data(), kW * 2, kW * 2, kH);
        EXPECT_EQ(f.data, flipped);
        EXPECT_NE(f.data, in);
    }
}

TEST_F(Filters, DownSizeHalvesThePicture) {
    Chain c;
    ASSERT_TRUE(c.Build(tunaro::kClsidDownSize, 720, 576));
    AM_MEDIA_TYPE mt{};
    ASSERT_HRESULT_SUCCEEDED(c.sink->pin->ConnectionMediaType(&mt));
    MediaType out(mt);
    dshow::FreeMediaType(mt);
    filters::VideoFormat f;
    ASSERT_TRUE(filters::DescribeVideo(out, &f));
    EXPECT_EQ(f.width, 360);
    EXPECT_EQ(f.height, 288);
    EXPECT_TRUE(out.subtype == MEDIASUBTYPE_YUY2);
    std::vector<Frame> got = c.RunFor(2);
    ASSERT_EQ(got.size(), 2u);
    for (const Frame& fr : got) {
        ASSERT_EQ(fr.data.size(), 360u * 288 * 2);
        std::vector<BYTE> in = Expected(720, 576, fr.start), want(fr.data.size());
        picture::HalveYuy2(in.data(), 1440, 720, 576, want.data(), 720);
        EXPECT_EQ(fr.data, want);
    }
}

// Interlaced test picture: a bright bar moving right by 8 pixels a frame, the second field taken
// half a frame after the first (4 pixels further on), so the bar's edges comb.
void InterlacedBar(BYTE* frame, LONG w, LONG h, LONG n) {
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w * 2; ++x) {
            bool chroma = x & 1;
            LONG from = (n * 8 + ((y & 1) ? 4 : 0)) % w;
            bool bar = ((x / 2 - from + w) % w) < 16;
            frame[static_cast<size_t>(y) * w * 2 + x] = chroma ? 128 : (bar ? 235 : 60);
        }
}

TEST_F(Filters, DeinterlacerRemovesTheCombWhereThePictureMoves) {
    Graph g;
    auto* src = new Source(dshow::MakeYuy2Type(kW, kH, kPeriod), kPeriod, InterlacedBar);
    auto* sink = new Sink();
    ComPtr<IBaseFilter> s = g.Add(src, L"Capture"), k = g.Add(sink, L"Sink");
    ComPtr<IBaseFilter> d = g.Create(tunaro::kClsidDeinterlacer, tunaro::kNameDeinterlacer);
    ASSERT_TRUE(d);
    ASSERT_HRESULT_SUCCEEDED(
        g.builder->ConnectDirect(src->pin, FirstPin(d.Get(), PINDIR_INPUT).Get(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(
        g.builder->ConnectDirect(FirstPin(d.Get(), PINDIR_OUTPUT).Get(), sink->pin, nullptr));
    src->pin->SetLimit(4);
    ASSERT_HRESULT_SUCCEEDED(g.Run());
    ASSERT_TRUE(WaitFor([&] { return sink->pin->Count() >= 4; }));
    g.Stop();
    std::vector<Frame> got = sink->pin->Take();
    ASSERT_EQ(got.size(), 4u);
    const size_t row = static_cast<size_t>(kW) * 2;
    for (size_t i = 1; i < got.size(); ++i) {
        LONG n = static_cast<LONG>(got[i].start / kPeriod);
        std::vector<BYTE> in(got[i].data.size());
        InterlacedBar(in.data(), kW, kH, n);
        int combedIn = 0, combedOut = 0;
        for (LONG y = 1; y + 1 < kH; y += 2)
            for (size_t x = 0; x < row; x += 2) {
                size_t at = static_cast<size_t>(y) * row + x;
                combedIn += in[at] != in[at - row];
                combedOut += got[i].data[at] != got[i].data[at - row];
            }
        EXPECT_GT(combedIn, 0);
        EXPECT_EQ(combedOut, 0) << "the moving bar still combs frame " << n;
        // The first field is never touched.
        for (LONG y = 0; y < kH; y += 2)
            ASSERT_EQ(0, memcmp(&got[i].data[y * row], &in[y * row], row));
    }
}

TEST_F(Filters, DeinterlacerKeepsAStillPictureIntact) {
    Graph g;
    auto still = [](BYTE* frame, LONG w, LONG h, LONG) { filtertest::MovingPattern(frame, w, h, 0); };
    auto* src = new Source(dshow::MakeYuy2Type(kW, kH, kPeriod), kPeriod, still);
    auto* sink = new Sink();
    ComPtr<IBaseFilter> s = g.Add(src, L"Capture"), k = g.Add(sink, L"Sink");
    ComPtr<IBaseFilter> d = g.Create(tunaro::kClsidDeinterlacer, tunaro::kNameDeinterlacer);
    ASSERT_TRUE(d);
    ASSERT_HRESULT_SUCCEEDED(
        g.builder->ConnectDirect(src->pin, FirstPin(d.Get(), PINDIR_INPUT).Get(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(
        g.builder->ConnectDirect(FirstPin(d.Get(), PINDIR_OUTPUT).Get(), sink->pin, nullptr));
    src->pin->SetLimit(3);
    ASSERT_HRESULT_SUCCEEDED(g.Run());
    ASSERT_TRUE(WaitFor([&] { return sink->pin->Count() >= 3; }));
    g.Stop();
    std::vector<Frame> got = sink->pin->Take();
    ASSERT_EQ(got.size(), 3u);
    std::vector<BYTE> in(got[0].data.size());
    filtertest::MovingPattern(in.data(), kW, kH, 0);
    EXPECT_NE(got[0].data, in); // no history yet: the second field is interpolated
    EXPECT_EQ(got[1].data, in);
    EXPECT_EQ(got[2].data, in);
}

TEST_F(Filters, InfiniteTeeFeedsEveryConnectedOutput) {
    Graph g;
    auto* src = new Source(dshow::MakeYuy2Type(kW, kH, kPeriod), kPeriod, filtertest::MovingPattern);
    ComPtr<IBaseFilter> s = g.Add(src, L"Capture");
    ComPtr<IBaseFilter> tee = g.Create(CLSID_InfTee, L"INFTEE Filter");
    ASSERT_TRUE(tee);
    // Before the input is connected there is one output, which cannot connect.
    ASSERT_TRUE(PinAt(tee.Get(), 1));
    EXPECT_FALSE(PinAt(tee.Get(), 2));
    ASSERT_HRESULT_SUCCEEDED(g.builder->ConnectDirect(src->pin, PinAt(tee.Get(), 0).Get(), nullptr));
    Sink* sinks[3];
    ComPtr<IBaseFilter> held[3];
    for (int i = 0; i < 3; ++i) {
        sinks[i] = new Sink();
        held[i] = g.Add(sinks[i], i == 0 ? L"Sink1" : i == 1 ? L"Sink2" : L"Sink3");
        ComPtr<IPin> out = PinAt(tee.Get(), 1 + i);
        ASSERT_TRUE(out) << "no free output " << i + 1;
        ASSERT_HRESULT_SUCCEEDED(g.builder->ConnectDirect(out.Get(), sinks[i]->pin, nullptr));
    }
    // A fourth, free output has appeared; the names count up.
    ComPtr<IPin> free = PinAt(tee.Get(), 4);
    ASSERT_TRUE(free);
    PIN_INFO info{};
    free->QueryPinInfo(&info);
    if (info.pFilter)
        info.pFilter->Release();
    EXPECT_STREQ(info.achName, L"Output4");
    ComPtr<IPin> peer;
    EXPECT_EQ(free->ConnectedTo(peer.Put()), VFW_E_NOT_CONNECTED);

    src->pin->SetLimit(5);
    ASSERT_HRESULT_SUCCEEDED(g.Run());
    ASSERT_TRUE(WaitFor([&] {
        return sinks[0]->pin->Count() >= 5 && sinks[1]->pin->Count() >= 5 && sinks[2]->pin->Count() >= 5;
    }));
    g.Stop();
    std::set<const BYTE*> sourceBuffers = src->pin->Buffers();
    std::vector<Frame> first = sinks[0]->pin->Take();
    ASSERT_EQ(first.size(), 5u);
    for (int i = 1; i < 3; ++i) {
        std::vector<Frame> got = sinks[i]->pin->Take();
        ASSERT_EQ(got.size(), first.size());
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].start, first[k].start);
            EXPECT_EQ(got[k].data, Expected(kW, kH, got[k].start));
            EXPECT_EQ(sourceBuffers.count(got[k].pointer), 1u);
        }
    }
}

TEST_F(Filters, OverlayMixerDeliversRgb32AndConfiguresItsInput) {
    Chain c;
    ASSERT_TRUE(c.Build(CLSID_OverlayMixer, kW, kH));
    ComPtr<IPin> in = PinAt(c.filter.Get(), 0);
    ComPtr<IMixerPinConfig> config;
    ASSERT_HRESULT_SUCCEEDED(in->QueryInterface(IID_IMixerPinConfig, config.PutVoid()));
    ASSERT_HRESULT_SUCCEEDED(config->SetAspectRatioMode(AM_ARMODE_STRETCHED));
    AM_ASPECT_RATIO_MODE mode = AM_ARMODE_CROP;
    ASSERT_HRESULT_SUCCEEDED(config->GetAspectRatioMode(&mode));
    EXPECT_EQ(mode, AM_ARMODE_STRETCHED);
    EXPECT_EQ(config->SetAspectRatioMode(static_cast<AM_ASPECT_RATIO_MODE>(9)), E_INVALIDARG);
    // The configuration belongs to the pin: asking it for IPin gives the pin back.
    ComPtr<IPin> back;
    ASSERT_HRESULT_SUCCEEDED(config->QueryInterface(IID_IPin, back.PutVoid()));
    EXPECT_EQ(back.Get(), in.Get());

    AM_MEDIA_TYPE mt{};
    ASSERT_HRESULT_SUCCEEDED(c.sink->pin->ConnectionMediaType(&mt));
    MediaType out(mt);
    dshow::FreeMediaType(mt);
    EXPECT_TRUE(out.subtype == MEDIASUBTYPE_RGB32);
    std::vector<Frame> got = c.RunFor(3);
    ASSERT_EQ(got.size(), 3u);
    for (const Frame& f : got) {
        std::vector<BYTE> want(static_cast<size_t>(kW) * kH * 4);
        std::vector<BYTE> in422 = Expected(kW, kH, f.start);
        picture::Yuv422ToRgb32(in422.data(), kW * 2, picture::Packing::Yuy2, kW, kH, want.data(), kW * 4);
        EXPECT_EQ(f.data, want);
    }
}

// The preview's overlay chain, as the engine builds it, into the system's Video Renderer.
TEST_F(Filters, OverlayChainRunsIntoTheVideoRenderer) {
    Graph g;
    auto* src = new Source(dshow::MakeYuy2Type(720, 576, 400000), 400000, filtertest::MovingPattern);
    ComPtr<IBaseFilter> s = g.Add(src, L"Capture");
    ComPtr<IBaseFilter> deint = g.Create(tunaro::kClsidDeinterlacer, tunaro::kNameDeinterlacer);
    ComPtr<IBaseFilter> opt = g.Create(tunaro::kClsidDispOptim, tunaro::kNameDispOptim);
    ComPtr<IBaseFilter> render = g.Create(CLSID_VideoRenderer, L"VideoRender");
    ComPtr<IBaseFilter> mixer = g.Create(CLSID_OverlayMixer, L"Overlay Mixer");
    ASSERT_TRUE(deint && opt && render && mixer);
    ASSERT_HRESULT_SUCCEEDED(
        g.builder->ConnectDirect(src->pin, FirstPin(deint.Get(), PINDIR_INPUT).Get(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(g.builder->Connect(FirstPin(deint.Get(), PINDIR_OUTPUT).Get(),
                                                FirstPin(opt.Get(), PINDIR_INPUT).Get()));
    ASSERT_HRESULT_SUCCEEDED(g.builder->ConnectDirect(FirstPin(opt.Get(), PINDIR_OUTPUT).Get(),
                                                      PinAt(mixer.Get(), 0).Get(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(g.builder->ConnectDirect(FirstPin(mixer.Get(), PINDIR_OUTPUT).Get(),
                                                      FirstPin(render.Get(), PINDIR_INPUT).Get(), nullptr));
    ComPtr<IMixerPinConfig> config;
    ASSERT_HRESULT_SUCCEEDED(PinAt(mixer.Get(), 0)->QueryInterface(IID_IMixerPinConfig, config.PutVoid()));
    EXPECT_HRESULT_SUCCEEDED(config->SetAspectRatioMode(AM_ARMODE_STRETCHED));

    ASSERT_HRESULT_SUCCEEDED(g.Run());
    OAFilterState state = State_Stopped;
    g.control->GetState(2000, &state);
    EXPECT_EQ(state, State_Running);
    ComPtr<IDispOptim> still;
    ASSERT_HRESULT_SUCCEEDED(opt->QueryInterface(__uuidof(IDispOptim), still.PutVoid()));
    ASSERT_TRUE(WaitFor([&] {
        LONG size = 0;
        return SUCCEEDED(still->GetImageSize(&size)) && size > 0;
    }));
    // The renderer shows the mixer's RGB32 picture: its current image has the full size.
    ComPtr<IBasicVideo> video;
    ASSERT_HRESULT_SUCCEEDED(g.builder->QueryInterface(IID_IBasicVideo, video.PutVoid()));
    long w = 0, h = 0;
    ASSERT_HRESULT_SUCCEEDED(video->GetVideoSize(&w, &h));
    EXPECT_EQ(w, 720);
    EXPECT_EQ(h, 576);
    Sleep(300);
    EXPECT_GE(src->pin->Delivered(), 3);
    ASSERT_HRESULT_SUCCEEDED(g.Stop());
}

} // namespace
