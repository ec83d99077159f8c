// Desktop video mode: the live picture copied every 40 ms into a DirectDraw overlay that shows
// through the desktop's key colour behind the icons; gives everything back when no overlay exists.
#include "engine/desktop_video.h"

// The standard headers come before the shell headers, whose string-safety macros would rename
// the library's own printf functions.
#include <cstring>
#include <string>
#include <vector>

#include <wininet.h>
#include <shlobj.h>
#include <ddraw.h>

#include "engine/capture_graph.h"
#include "engine/engine_build.h"
#include "engine/engine_report.h"
#include "engine/preview_graph.h"
#include "engine/still_grabber.h"
#include "engine/video_rules.h"
#include "framework/debug_print.h"
#include "framework/raii.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

namespace {

constexpr COLORREF kKeyColour = RGB(0, 0, 15);

// {75048700-EF1F-11D0-9888-006097DEACF9}
constexpr GUID kClsidActiveDesktop = {
    0x75048700, 0xef1f, 0x11d0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xde, 0xac, 0xf9}};
// {F490EB00-1240-11D1-9888-006097DEACF9}
constexpr GUID kIidActiveDesktop = {
    0xf490eb00, 0x1240, 0x11d1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xde, 0xac, 0xf9}};

} // namespace

struct DesktopVideo::Overlay {
    // Desktop as it was.
    ComPtr<IActiveDesktop> desktop;
    WCHAR wallpaper[MAX_PATH] = {};
    WCHAR pattern[MAX_PATH] = {};
    COLORREF background = 0;
    bool desktopChanged = false;
    // Overlay.
    ComPtr<IDirectDraw7> draw;
    ComPtr<IDirectDrawSurface7> primary, overlay;
    ComPtr<IDirectDrawClipper> clipper;
    DWORD depth = 0;
    DDCAPS caps = {};
    long width = 0, height = 0;
    std::vector<uint8_t> frame;

    void SaveAndClearDesktop() {
        if (SUCCEEDED(CoCreateInstance(kClsidActiveDesktop, nullptr, CLSCTX_INPROC_SERVER, kIidActiveDesktop,
                                       desktop.ReceiveVoid()))) {
            desktop->GetWallpaper(wallpaper, MAX_PATH, 0);
            desktop->GetPattern(pattern, MAX_PATH, 0);
            desktop->SetWallpaper(L"None", 0);
            desktop->SetPattern(L"None", 0);
            desktop->ApplyChanges(AD_APPLY_ALL);
        }
        background = GetSysColor(COLOR_BACKGROUND);
        const INT element = COLOR_BACKGROUND;
        const COLORREF key = kKeyColour;
        SetSysColors(1, &element, &key);
        desktopChanged = true;
    }

    void RestoreDesktop() {
        if (!desktopChanged)
            return;
        desktopChanged = false;
        if (desktop) {
            desktop->SetWallpaper(wallpaper, 0);
            desktop->SetPattern(pattern, 0);
            desktop->ApplyChanges(AD_APPLY_ALL);
        }
        desktop = nullptr;
        const INT element = COLOR_BACKGROUND;
        SetSysColors(1, &element, &background);
        InvalidateRect(nullptr, nullptr, TRUE);
    }

    bool CreateOverlay() {
        if (FAILED(DirectDrawCreateEx(nullptr, draw.ReceiveVoid(), IID_IDirectDraw7, nullptr)))
            return false;
        if (FAILED(draw->SetCooperativeLevel(nullptr, DDSCL_NORMAL)))
            return false;
        DDSURFACEDESC2 desc = {};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        if (FAILED(draw->CreateSurface(&desc, primary.Receive(), nullptr)))
            return false;
        if (SUCCEEDED(draw->CreateClipper(0, clipper.Receive(), nullptr))) {
            clipper->SetHWnd(0, GetDesktopWindow());
            primary->SetClipper(clipper.get());
        }
        DDPIXELFORMAT format = {};
        format.dwSize = sizeof format;
        if (FAILED(primary->GetPixelFormat(&format)))
            return false;
        depth = format.dwRGBBitCount;
        if (depth != 16 && depth != 24 && depth != 32)
            return false; // 8-bit desktops cannot key an overlay
        caps.dwSize = sizeof caps;
        draw->GetCaps(&caps, nullptr);
        // A display that cannot show an overlay may still hand out overlay surfaces (Wine does);
        // nothing written into them would ever reach the screen.
        if (!(caps.dwCaps & DDCAPS_OVERLAY) || caps.dwMaxVisibleOverlays == 0)
            return false;
        const DWORD fourccs[] = {MAKEFOURCC('Y', 'U', 'Y', '2'), MAKEFOURCC('U', 'Y', 'V', 'Y')};
        for (int round = 0; round < 2 && !overlay; ++round) {
            for (DWORD fourcc : fourccs) {
                DDSURFACEDESC2 o = {};
                o.dwSize = sizeof o;
                o.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
                o.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY;
                o.dwWidth = static_cast<DWORD>(width);
                o.dwHeight = static_cast<DWORD>(height);
                o.ddpfPixelFormat.dwSize = sizeof o.ddpfPixelFormat;
                o.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
                o.ddpfPixelFormat.dwFourCC = fourcc;
                if (SUCCEEDED(draw->CreateSurface(&o, overlay.Receive(), nullptr)))
                    break;
                overlay = nullptr;
            }
        }
        return static_cast<bool>(overlay);
    }

    void Show(const uint8_t* yuy2) {
        DDSURFACEDESC2 desc = {};
        desc.dwSize = sizeof desc;
        if (FAILED(overlay->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr)))
            return;
        const size_t row = static_cast<size_t>(width) * 2;
        auto* dst = static_cast<uint8_t*>(desc.lpSurface);
        if (static_cast<size_t>(desc.lPitch) == row) {
            std::memcpy(dst, yuy2, row * static_cast<size_t>(height));
        } else {
            for (long y = 0; y < height; ++y)
                std::memcpy(dst + static_cast<size_t>(y) * static_cast<size_t>(desc.lPitch),
                            yuy2 + static_cast<size_t>(y) * row, row);
        }
        overlay->Unlock(nullptr);
        RECT source = {0, 0, width, height};
        RECT target = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if ((caps.dwCaps & DDCAPS_ALIGNSIZESRC) && caps.dwAlignSizeSrc)
            source.right -= source.right % static_cast<LONG>(caps.dwAlignSizeSrc);
        if ((caps.dwCaps & DDCAPS_ALIGNBOUNDARYDEST) && caps.dwAlignBoundaryDest)
            target.left -= target.left % static_cast<LONG>(caps.dwAlignBoundaryDest);
        DDOVERLAYFX fx = {};
        fx.dwSize = sizeof fx;
        const DWORD key = depth == 16 ? 1 : 15;
        fx.dckDestColorkey.dwColorSpaceLowValue = key;
        fx.dckDestColorkey.dwColorSpaceHighValue = key;
        overlay->UpdateOverlay(&source, primary.get(), &target, DDOVER_SHOW | DDOVER_KEYDESTOVERRIDE, &fx);
    }

    void ReleaseOverlay() {
        if (overlay && primary)
            overlay->UpdateOverlay(nullptr, primary.get(), nullptr, DDOVER_HIDE, nullptr);
        overlay = nullptr;
        clipper = nullptr;
        primary = nullptr;
        draw = nullptr;
    }
};

DesktopVideo::DesktopVideo(CaptureGraph& graph, PreviewGraph& preview, const StillGrabber& stills)
    : m_graph(graph), m_preview(preview), m_stills(stills) {}

DesktopVideo::~DesktopVideo() {
    Stop();
}

EngineResult DesktopVideo::Start() {
    if (kEngineBuild != EngineBuild::Tv || m_overlay)
        return EngineResultOf(static_cast<bool>(m_overlay));
    if (!m_preview.StartDesktopChain())
        return kEngineFailed;
    auto d = std::make_unique<Overlay>();
    d->SaveAndClearDesktop();
    const FrameSize size = DesktopPreviewSize(m_graph.CardType());
    if (!m_stills.GrabberFrameSize(&d->width, &d->height)) {
        d->width = size.width;
        d->height = size.height;
    }
    if (!d->CreateOverlay()) {
        TUNARO_TRACE("engine: no overlay surface, desktop video mode given up");
        d->ReleaseOverlay();
        d->RestoreDesktop();
        return kEngineFailed;
    }
    m_overlay = std::move(d);
    return kEngineOk;
}

void DesktopVideo::Tick() {
    if (!m_overlay)
        return;
    ComPtr<IFrameGrabber> grabber;
    IBaseFilter* filter = m_graph.Render().grabber.get();
    if (!filter || FAILED(filter->QueryInterface(__uuidof(IFrameGrabber), grabber.ReceiveVoid())))
        return;
    m_overlay->frame.resize(static_cast<size_t>(m_overlay->width) * static_cast<size_t>(m_overlay->height) *
                            2);
    if (SUCCEEDED(
            grabber->GetCurrentFrame(m_overlay->frame.data(), static_cast<LONG>(m_overlay->frame.size()))))
        m_overlay->Show(m_overlay->frame.data());
}

void DesktopVideo::Stop() {
    if (!m_overlay)
        return;
    m_overlay->ReleaseOverlay();
    m_overlay->RestoreDesktop();
    m_overlay.reset();
}

} // namespace tunaro
