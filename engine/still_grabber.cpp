// Stills from the display optimiser's packed bitmap or the grabber's YUY2 frame.
#include "engine/still_grabber.h"

#include <dshow.h>

#include <algorithm>

#include "engine/capture_graph.h"
#include "engine/card_rules.h"
#include "engine/dshow_util.h"
#include "engine/engine_build.h"
#include "engine/still_image.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

namespace {

bool WriteWholeFile(const char* path, const void* data, size_t size) {
    FileHandle file(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

// Which source a still comes from: the display optimiser's picture or the grabber's frame.
// The library previews through the grabber chain only: there the optimiser's picture is used when
// the optimiser is part of the graph (a recording's preview branch), the grabber's frame otherwise.
bool StillFromOptimiser(const CaptureGraph& graph, int previewMode) {
    if (kEngineBuild == EngineBuild::Tv)
        return previewMode == 1;
    if (previewMode != 0)
        return false;
    ComPtr<IPin> in = PinAt(graph.Render().dispOptim.get(), PINDIR_INPUT, 0);
    ComPtr<IPin> peer;
    return in && in->ConnectedTo(peer.Receive()) == S_OK;
}

} // namespace

bool StillGrabber::GrabberFrameSize(long* width, long* height) const {
    ComPtr<IPin> in = PinAt(m_graph.Render().grabber.get(), PINDIR_INPUT, 0);
    AM_MEDIA_TYPE type = {};
    if (in && in->ConnectionMediaType(&type) == S_OK) {
        const bool ok = FrameSizeOf(type, width, height);
        if (type.pbFormat)
            CoTaskMemFree(type.pbFormat);
        if (type.pUnk)
            type.pUnk->Release();
        if (ok)
            return true;
    }
    IAMStreamConfig* config = m_graph.VideoConfig();
    if (!config)
        return false;
    AM_MEDIA_TYPE* current = nullptr;
    if (FAILED(config->GetFormat(&current)) || !current)
        return false;
    const bool ok = FrameSizeOf(*current, width, height);
    DeleteMediaType(current);
    return ok;
}

bool StillGrabber::GrabYuy2(long* width, long* height, std::vector<uint8_t>* frame) const {
    ComPtr<IFrameGrabber> grabber;
    IBaseFilter* filter = m_graph.Render().grabber.get();
    if (!filter || FAILED(filter->QueryInterface(__uuidof(IFrameGrabber), grabber.ReceiveVoid())))
        return false;
    if (!GrabberFrameSize(width, height) || !StillSizeFits(*width, *height))
        return false;
    const size_t bytes = Yuy2Stride(*width) * static_cast<size_t>(*height);
    frame->assign(bytes, 0);
    return SUCCEEDED(grabber->GetCurrentFrame(frame->data(), static_cast<LONG>(bytes)));
}

bool StillGrabber::OptimiserImage(std::vector<uint8_t>* packed) const {
    IBaseFilter* optimiser = m_graph.Render().dispOptim.get();
    if (!optimiser)
        return false;
    LONG size = 0;
    HRESULT hr;
    if (m_graph.CardType() == kCardQrt77 && kEngineBuild == EngineBuild::Tv) {
        ComPtr<IDispOptimQrt> o;
        if (FAILED(optimiser->QueryInterface(__uuidof(IDispOptimQrt), o.ReceiveVoid())) ||
            FAILED(o->GetImageSize(&size)) || size <= 0)
            return false;
        packed->assign(static_cast<size_t>(size), 0);
        hr = o->GetImage(packed->data(), size);
    } else {
        ComPtr<IDispOptim> o;
        if (FAILED(optimiser->QueryInterface(__uuidof(IDispOptim), o.ReceiveVoid())) ||
            FAILED(o->GetImageSize(&size)) || size <= 0)
            return false;
        packed->assign(static_cast<size_t>(size), 0);
        hr = o->GetImage(packed->data(), size);
    }
    return SUCCEEDED(hr);
}

int StillGrabber::SaveBmpFile(const char* path, int previewMode) const {
    if (!path)
        return 0;
    std::vector<uint8_t> file;
    if (StillFromOptimiser(m_graph, previewMode)) {
        std::vector<uint8_t> packed;
        if (!OptimiserImage(&packed))
            return 0; // no picture: nothing is written
        file = BmpFileFromPacked(packed.data(), packed.size());
    } else {
        long width = 0, height = 0;
        std::vector<uint8_t> frame;
        if (!GrabYuy2(&width, &height, &frame))
            return 0;
        const auto info = MakeBgr24InfoHeader(width, height);
        const size_t dataSize = Bgr24Stride(width) * static_cast<size_t>(height);
        const auto header = MakeBmpFileHeader(static_cast<uint32_t>(dataSize));
        file.resize(kBmpDataOffset + dataSize);
        std::copy(header.begin(), header.end(), file.begin());
        std::copy(info.begin(), info.end(), file.begin() + kBmpFileHeaderSize);
        Yuy2ToBgr24(frame.data(), width, height, file.data() + kBmpDataOffset);
    }
    if (file.empty())
        return 0;
    return WriteWholeFile(path, file.data(), file.size()) ? 1 : 0;
}

long StillGrabber::ImageMemSize(int previewMode) const {
    if (StillFromOptimiser(m_graph, previewMode)) {
        std::vector<uint8_t> packed;
        return OptimiserImage(&packed) ? static_cast<long>(packed.size()) : 0;
    }
    long width = 0, height = 0;
    if (!GrabberFrameSize(&width, &height) || width <= 0 || height <= 0)
        return 0;
    return static_cast<long>(kBmpInfoHeaderSize + Bgr24Stride(width) * static_cast<size_t>(height));
}

long StillGrabber::CopyImageMem(BYTE* buffer, int previewMode) const {
    return CopyImageMem(buffer, static_cast<size_t>(-1), previewMode);
}

long StillGrabber::CopyImageMem(BYTE* buffer, size_t capacity, int previewMode) const {
    if (!buffer)
        return 0;
    if (StillFromOptimiser(m_graph, previewMode)) {
        std::vector<uint8_t> packed;
        if (!OptimiserImage(&packed) || packed.size() > capacity)
            return 0;
        std::copy(packed.begin(), packed.end(), buffer);
        return static_cast<long>(packed.size());
    }
    long width = 0, height = 0;
    std::vector<uint8_t> frame;
    if (!GrabYuy2(&width, &height, &frame))
        return 0;
    const size_t size = kBmpInfoHeaderSize + Bgr24Stride(width) * static_cast<size_t>(height);
    if (size > capacity)
        return 0;
    const auto info = MakeBgr24InfoHeader(width, height);
    std::copy(info.begin(), info.end(), buffer);
    Yuy2ToBgr24(frame.data(), width, height, buffer + kBmpInfoHeaderSize);
    return static_cast<long>(size);
}

} // namespace tunaro
