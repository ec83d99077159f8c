// The skin gallery: shows the TV control panel or the FM window with its generated skin, using
// the kit's skin buttons, volume bar and status text, and can save a picture of it.
//   skin_gallery [busy] [shot FILE.bmp]   (tv build)   fm_gallery [shot FILE.bmp]
#include <windows.h>

#include <string>
#include <vector>

#include "uikit/cyup4_btn.h"
#include "uikit/status_text.h"
#include "tests/support/e2e.h"
#include "uikit/skin_region.h"
#ifdef FM_GALLERY
#include "res/fm/skin_layout.h"
namespace layout = tunaro::skin::fm;
#else
#include "res/tunaro/skin_layout.h"
namespace layout = tunaro::skin::tv;
#endif

using namespace tunaro;

namespace {

#ifdef FM_GALLERY
const int kShapeId = 137;
const char kTitle[] = "Tunaro FM skin gallery";
#else
const int kShapeId = 151;
const char kTitle[] = "Tunaro skin gallery";
#endif

HBITMAP g_background = nullptr;
std::vector<Cyup4Btn*> g_buttons;
StatusText g_status;

void AddButton(HWND parent, const tunaro::skin::Row& r, bool enabled) {
    HWND wnd = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, r.left, r.top, r.width,
                               r.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(r.id)),
                               GetModuleHandleA(nullptr), nullptr);
    Cyup4Btn* b = new Cyup4Btn();
    b->Attach(wnd);
    b->SetBitmaps(r.normal, r.hover, r.pressed, r.fourth);
    if (r.tooltip)
        b->SetTooltipText(static_cast<UINT>(r.tooltip), TRUE);
    EnableWindow(wnd, enabled ? TRUE : FALSE);
    g_buttons.push_back(b);
}

LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wp);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, g_background);
        BITMAP bm = {};
        GetObjectA(g_background, sizeof(bm), &bm);
        BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        return TRUE;
    }
    case WM_LBUTTONDOWN:
        SendMessageA(wnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    MSG m;
    while (GetTickCount() - start < ms) {
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(10);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int) {
    std::string args = cmdLine ? cmdLine : "";
    bool busy = args.find("busy") != std::string::npos;
    std::string shot;
    size_t at = args.find("shot ");
    if (at != std::string::npos)
        shot = args.substr(at + 5);

    g_background =
        static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(kShapeId), IMAGE_BITMAP, 0, 0, 0));
    if (!g_background)
        return 1;
    BITMAP bm = {};
    GetObjectA(g_background, sizeof(bm), &bm);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "TunaroSkinGallery";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, kTitle, WS_POPUP, 40, 40, bm.bmWidth, bm.bmHeight,
                               nullptr, nullptr, instance, nullptr);
    SetWindowRgn(wnd, tunaro::RegionFromBitmap(g_background), FALSE);

#ifdef FM_GALLERY
    for (const auto& r : layout::kFmButtons)
        AddButton(wnd, r, !(busy && (r.id == 403 || r.id == 1015 || r.id == 405)));
    for (int i = 0; i < 10; ++i)
        AddButton(wnd, i < 6 ? layout::kVolumeLit[i] : layout::kVolumeUnlit[i], true);
    const char* texts[][2] = {
        {"12:30:05", "205,52,100,13"}, {"FM Radio", "180,112,70,15"}, {"98.50", "207,149,100,12"}};
    int boxes[3][4] = {{205, 52, 100, 13}, {180, 112, 70, 15}, {207, 149, 100, 12}};
    static StatusText fmTexts[3];
    for (int i = 0; i < 3; ++i) {
        HWND s = CreateWindowExA(0, "STATIC", texts[i][0], WS_CHILD | SS_LEFT, boxes[i][0], boxes[i][1],
                                 boxes[i][2], boxes[i][3], wnd, nullptr, instance, nullptr);
        fmTexts[i].Attach(s);
        fmTexts[i].SetFontHeight(i == 1 ? 12 : 13);
        fmTexts[i].SetTextColor(i == 1 ? RGB(47, 224, 160) : RGB(255, 255, 0));
        fmTexts[i].SetTransparent(true);
        ShowWindow(s, SW_SHOW);
    }
#else
    for (const auto& r : layout::kPanelButtons) {
        if (r.id == 410 || r.id == 408)
            continue; // 410's place is covered by 402/403; 408 and 409 share a place
        bool locked = busy && (r.id == 407 || r.id == 410 || r.id == 406 || r.id == 403 || r.id == 413 ||
                               r.id == 412 || r.id == 409 || r.id == 501 || r.id == 502 || r.id == 1112 ||
                               r.id == 1110 || r.id == 1113 || r.id == 1177 || r.id == 405);
        if (busy && r.id == 411)
            AddButton(wnd, layout::kRecordingRow, true);
        else
            AddButton(wnd, r, !locked);
    }
    for (int i = 0; i < 18; ++i)
        AddButton(wnd, i < 11 ? layout::kVolumeLit[i] : layout::kVolumeUnlit[i], true);
    HWND status = CreateWindowExA(0, "STATIC", busy ? "Recording: 00:12:45" : "TV Tuner", WS_CHILD | SS_LEFT,
                                  170, 70, 180, 16, wnd, reinterpret_cast<HMENU>(1069), instance, nullptr);
    g_status.Attach(status);
    g_status.SetFontHeight(12);
    g_status.SetTextColor(busy ? RGB(45, 255, 56) : RGB(255, 255, 0));
    g_status.SetTransparent(true);
    ShowWindow(status, SW_SHOW);
#endif

    ShowWindow(wnd, SW_SHOW);
    UpdateWindow(wnd);

    int rc = 0;
    if (!shot.empty()) {
        Pump(1500);
        rc = e2e::Screenshot(wnd, shot) ? 0 : 2;
        DestroyWindow(wnd);
    } else {
        MSG m;
        while (GetMessageA(&m, nullptr, 0, 0) > 0) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    for (Cyup4Btn* b : g_buttons)
        delete b;
    DeleteObject(g_background);
    return rc;
}
