// The time-shift graphs: the ring written by the DVD recording graph, played by a graph of its
// own that follows the growing file, and the still that holds the paused moment meanwhile.
#include "engine/timeshift_graph.h"

#include <vector>

#include "engine/capture_graph.h"
#include "engine/dshow_util.h"
#include "engine/engine_report.h"
#include "engine/recording_graph.h"
#include "engine/still_grabber.h"
#include "engine/still_image.h"
#include "framework/debug_print.h"
#include "platform/include/outside_filters.h"

namespace tunaro {

namespace {

// Stream time of the ring in the player's units (100 ns).
constexpr LONGLONG kUnitsPerMs = 10000;
// The ring's writer must have put its first pictures into the file before a player can read
// its layout: how long a resume waits for that at most, and how many bytes that takes.
constexpr DWORD kFirstDataWaitMs = 3000;
constexpr LONGLONG kFirstDataBytes = 256 * 1024;
// Room for the largest still a card gives (720 x 576 at 32 bits, with its header).
constexpr size_t kStillCapacity = 2 * 1024 * 1024;
// How long a pause waits for the first picture of a preview that has just started.
constexpr DWORD kFirstPictureWaitMs = 1500;
// How long the end of a shift waits for the last handle on the ring's files to go.
constexpr DWORD kRemoveWaitMs = 1500;
// A writer whose file has not grown for this long has failed (a full disk, a lost card).
constexpr DWORD kWriterStallMs = 3000;
// Record type of the ring: the DVD program stream.
constexpr int kRingRecordType = 0;
// The still of the paused moment, beside the ring.
constexpr const char* kStillName = "paused.bmp";

LONGLONG FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The sound the capture graph plays while live TV is shown: off while the picture is shifted.
void SetLiveSound(IGraphBuilder* graph, bool on) {
    ComPtr<IBasicAudio> audio;
    if (graph && SUCCEEDED(graph->QueryInterface(IID_IBasicAudio, audio.ReceiveVoid())))
        audio->put_Volume(on ? 0 : -10000);
}

} // namespace

TimeShiftGraph::TimeShiftGraph(CaptureGraph& graph, RecordingGraph& recording, const StillGrabber& stills)
    : m_graph(graph), m_recording(recording), m_stills(stills) {}

TimeShiftGraph::~TimeShiftGraph() {
    End(true);
}

int64_t TimeShiftGraph::NowMs() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now = {};
    QueryPerformanceCounter(&now);
    return frequency.QuadPart ? now.QuadPart * 1000 / frequency.QuadPart : GetTickCount();
}

EngineResult TimeShiftGraph::Begin(const std::string& folder, int64_t capacityMs, int previewMode) {
    if (Active() || m_recording.Capturing() || folder.empty() || capacityMs <= 0 || !m_graph.FilterGraph())
        return kEngineFailed;
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        ErrorReport("Cannot create the time shift folder %s", folder.c_str());
        return kEngineFailed;
    }
    m_folder = folder;
    // The paused moment: the live picture as it is now, shown over the window at once.
    m_stillFile = folder + "\\" + kStillName;
    // A preview started a moment ago may not have shown its first picture yet.
    std::vector<uint8_t> packed(kStillCapacity);
    long size = m_stills.CopyImageMem(packed.data(), packed.size(), previewMode);
    for (DWORD waited = 0; size <= 0 && waited < kFirstPictureWaitMs; waited += 20) {
        Sleep(20);
        size = m_stills.CopyImageMem(packed.data(), packed.size(), previewMode);
    }
    packed.resize(size > 0 ? static_cast<size_t>(size) : 0);
    if (packed.empty() || !ShowStill(packed)) {
        m_stillFile.clear();
        RemoveRing();
        ErrorReport("There is no picture to pause");
        return kEngineFailed;
    }
    m_frozenAt = NowMs();
    // The same picture as a file, for snapshots while it is shown.
    const std::vector<uint8_t> bmp = BmpFileFromPacked(packed.data(), packed.size());
    {
        FileHandle out(CreateFileA(m_stillFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!out || bmp.empty() ||
            !WriteFile(out.get(), bmp.data(), static_cast<DWORD>(bmp.size()), &written, nullptr))
            TUNARO_TRACE("engine: the paused picture could not be kept in %s", m_stillFile.c_str());
    }
    m_ring = TimeShiftRing(capacityMs, capacityMs);
    const std::string first = TimeShiftSegmentFile(folder, 1);
    if (m_recording.StartCaptureMPEG(first.c_str(), kRingRecordType) != kEngineOk) {
        HideStill();
        m_stillFile.clear();
        RemoveRing();
        return kEngineFailed; // the recording graph reported why and gave the preview back
    }
    // The live picture and sound go on being written, not shown: the still holds the window.
    m_graph.Window().Disown();
    SetLiveSound(m_graph.FilterGraph(), false);
    m_ringStart = NowMs();
    m_ring.Begin(m_ringStart);
    m_writing = true;
    m_writerSize = -1;
    m_writerSeen = 0;
    if (m_stillWindow)
        SetWindowPos(m_stillWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    TUNARO_TRACE("engine: time shift into %s", first.c_str());
    return kEngineOk;
}

bool TimeShiftGraph::ShowStill(const std::vector<uint8_t>& packed) {
    HWND owner = m_graph.Owner();
    if (!owner || packed.size() < sizeof(BITMAPINFOHEADER))
        return false;
    RECT client = {};
    GetClientRect(owner, &client);
    const int width = client.right > 0 ? client.right : 1;
    const int height = client.bottom > 0 ? client.bottom : 1;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(packed.data());
    const long pictureHeight =
        info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    // The picture stretched to the window once, into a bitmap the window shows as it is.
    HDC screen = GetDC(owner);
    HBITMAP bitmap = screen ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    HDC memory = screen ? CreateCompatibleDC(screen) : nullptr;
    bool drawn = false;
    if (bitmap && memory) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        SetStretchBltMode(memory, COLORONCOLOR);
        drawn = StretchDIBits(memory, 0, 0, width, height, 0, 0, info->bmiHeader.biWidth, pictureHeight,
                              packed.data() + info->bmiHeader.biSize, info, DIB_RGB_COLORS, SRCCOPY) > 0;
        SelectObject(memory, old);
    }
    if (memory)
        DeleteDC(memory);
    if (screen)
        ReleaseDC(owner, screen);
    if (!drawn) {
        if (bitmap)
            DeleteObject(bitmap);
        return false;
    }
    HWND still = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_REALSIZECONTROL, 0,
                                 0, width, height, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!still) {
        DeleteObject(bitmap);
        return false;
    }
    SendMessageA(still, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    SetWindowPos(still, HWND_TOP, 0, 0, width, height, SWP_SHOWWINDOW);
    UpdateWindow(still);
    HideStill();
    m_stillWindow = still;
    m_stillBitmap = bitmap;
    return true;
}

void TimeShiftGraph::HideStill() {
    if (m_stillWindow)
        DestroyWindow(m_stillWindow);
    m_stillWindow = nullptr;
    if (m_stillBitmap)
        DeleteObject(m_stillBitmap);
    m_stillBitmap = nullptr;
}

EngineResult TimeShiftGraph::BuildPlayer() {
    if (m_player)
        return kEngineOk;
    const ShiftLocation at = m_ring.Locate(m_ring.Position(NowMs()));
    const std::string file = TimeShiftSegmentFile(m_folder, at.number);
    // The writer's first pictures must be in the file for its layout to be read.
    const DWORD waitStart = GetTickCount();
    while (FileSize(file) < kFirstDataBytes && GetTickCount() - waitStart < kFirstDataWaitMs)
        Sleep(20);

    ComPtr<IBaseFilter> source, splitter;
    ComPtr<IFileSourceFilter> load;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  m_player.ReceiveVoid());
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(kClsidFollowSource, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              source.ReceiveVoid());
    if (SUCCEEDED(hr))
        hr = source->QueryInterface(IID_IFileSourceFilter, load.ReceiveVoid());
    if (SUCCEEDED(hr))
        hr = load->Load(Widen(file.c_str()).c_str(), nullptr);
    if (SUCCEEDED(hr))
        hr = m_player->AddFilter(source.get(), kNameFollowSource);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_MPEG1Splitter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              splitter.ReceiveVoid());
    if (SUCCEEDED(hr))
        hr = m_player->AddFilter(splitter.get(), L"MPEG-I Stream Splitter");
    if (SUCCEEDED(hr))
        hr = ConnectByIndex(m_player.get(), source.get(), 0, splitter.get(), 0, true);
    // The picture passes the frame grabber on its way to the renderer, for stills of it.
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(kClsidFrameGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              m_playerGrabber.ReceiveVoid());
    if (SUCCEEDED(hr))
        hr = m_player->AddFilter(m_playerGrabber.get(), L"Frame Grabber");
    int rendered = 0;
    for (int i = 0; SUCCEEDED(hr); ++i) {
        ComPtr<IPin> out = PinAt(splitter.get(), PINDIR_OUTPUT, i);
        if (!out)
            break;
        bool video = false;
        ComPtr<IEnumMediaTypes> types;
        AM_MEDIA_TYPE* offered = nullptr;
        if (SUCCEEDED(out->EnumMediaTypes(types.Receive())) && types->Next(1, &offered, nullptr) == S_OK) {
            video = offered->majortype == MEDIATYPE_Video;
            DeleteMediaType(offered);
        }
        // The decoder first, so the grabber keeps decoded pictures.
        ComPtr<IBaseFilter> decoder;
        ComPtr<IPin> grabberOut = PinAt(m_playerGrabber.get(), PINDIR_OUTPUT, 0);
        if (video && grabberOut &&
            SUCCEEDED(CoCreateInstance(CLSID_CMpegVideoCodec, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                       decoder.ReceiveVoid())) &&
            SUCCEEDED(m_player->AddFilter(decoder.get(), L"MPEG Video Decoder")) &&
            SUCCEEDED(
                m_player->ConnectDirect(out.get(), PinAt(decoder.get(), PINDIR_INPUT, 0).get(), nullptr)) &&
            SUCCEEDED(ConnectByIndex(m_player.get(), decoder.get(), 0, m_playerGrabber.get(), 0, true)) &&
            SUCCEEDED(m_player->Render(grabberOut.get())))
            ++rendered;
        else if (SUCCEEDED(m_player->Render(out.get())))
            ++rendered;
    }
    if (SUCCEEDED(hr) && rendered == 0)
        hr = VFW_E_CANNOT_RENDER;
    if (SUCCEEDED(hr))
        hr = m_player->QueryInterface(IID_IMediaControl, m_playerControl.ReceiveVoid());
    if (SUCCEEDED(hr))
        hr = m_player->QueryInterface(IID_IMediaSeeking, m_playerSeeking.ReceiveVoid());
    TUNARO_TRACE("engine: time shift player for %s: %d streams rendered (%08lx)", file.c_str(), rendered,
                 static_cast<unsigned long>(hr));
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot play the time shift buffer", static_cast<unsigned>(hr));
        ReleasePlayer();
        return kEngineFailed;
    }
    m_playerWindow.Attach(m_player.get(), m_graph.Owner(), nullptr);
    m_playerWindow.SetDrain(m_graph.Window().Drain());
    return kEngineOk;
}

void TimeShiftGraph::ReleasePlayer() {
    if (m_playerControl)
        m_playerControl->Stop();
    m_playerWindow.Detach();
    m_playerGrabber = nullptr;
    m_playerSeeking = nullptr;
    m_playerControl = nullptr;
    if (m_player) {
        // Every filter leaves the graph, so none outlives it holding the file.
        ComPtr<IEnumFilters> filters;
        std::vector<ComPtr<IBaseFilter>> all;
        if (SUCCEEDED(m_player->EnumFilters(filters.Receive()))) {
            IBaseFilter* f = nullptr;
            while (filters->Next(1, &f, nullptr) == S_OK) {
                all.emplace_back(f);
                f->Release();
            }
        }
        for (ComPtr<IBaseFilter>& f : all)
            m_player->RemoveFilter(f.get());
    }
    m_player = nullptr;
}

HRESULT TimeShiftGraph::SeekPlayer(int64_t positionMs) {
    if (!m_playerSeeking)
        return E_UNEXPECTED;
    LONGLONG position = positionMs * kUnitsPerMs;
    return m_playerSeeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                         AM_SEEKING_NoPositioning);
}

EngineResult TimeShiftGraph::Resume() {
    if (m_ring.State() != ShiftState::Paused)
        return kEngineFailed;
    const bool built = static_cast<bool>(m_player);
    if (BuildPlayer() != kEngineOk)
        return kEngineFailed;
    const int64_t now = NowMs();
    if (!built)
        SeekPlayer(m_ring.Position(now));
    const HRESULT hr = m_playerControl->Run();
    if (FAILED(hr)) {
        ErrorReport("Error %x: Cannot play the time shift buffer", static_cast<unsigned>(hr));
        ReleasePlayer();
        return kEngineFailed;
    }
    m_ring.Resume(now);
    HideStill(); // the player's picture is up
    return kEngineOk;
}

EngineResult TimeShiftGraph::Pause() {
    if (m_ring.State() != ShiftState::Playing || !m_playerControl)
        return kEngineFailed;
    m_playerControl->Pause();
    m_ring.Pause(NowMs());
    return kEngineOk;
}

ShiftStep TimeShiftGraph::Step(long seconds) {
    const int64_t now = NowMs();
    const ShiftStep step = m_ring.Step(now, static_cast<int64_t>(seconds) * 1000);
    if (step == ShiftStep::ToLive) {
        End();
        return step;
    }
    if (step != ShiftStep::Moved)
        return step;
    if (!m_player) {
        // Paused on the still: the player comes up paused at the new place.
        if (BuildPlayer() != kEngineOk)
            return step;
        m_playerControl->Pause();
    }
    SeekPlayer(m_ring.Position(now));
    HideStill(); // the picture of the new place is up
    return step;
}

void TimeShiftGraph::Tick() {
    // Paused on the still with enough of the ring written: the player is made ready, cued at
    // the paused picture under the still, so that Play only has to run it.
    if (m_ring.State() != ShiftState::Paused || m_player || !m_stillWindow)
        return;
    if (FileSize(TimeShiftSegmentFile(m_folder, m_ring.Locate(m_ring.Position(NowMs())).number)) <
        kFirstDataBytes)
        return;
    if (BuildPlayer() != kEngineOk)
        return;
    SeekPlayer(m_ring.Position(NowMs()));
    m_playerControl->Pause();
    SetWindowPos(m_stillWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void TimeShiftGraph::End(bool forShutdown) {
    // (Forward at the live edge has emptied the ring already; the graphs are still here.)
    if (!m_writing && !m_player && !m_stillWindow)
        return;
    ReleasePlayer();
    HideStill();
    m_ring.End();
    if (m_writing && m_recording.Capturing()) {
        SetLiveSound(m_graph.FilterGraph(), true);
        // The file is closed; the live preview comes back unless the engine is going.
        if (forShutdown)
            m_recording.EndForShutdown();
        else
            m_recording.StopCapture();
    }
    m_writing = false;
    m_stillFile.clear();
    RemoveRing();
    TUNARO_TRACE("engine: back to live TV");
}

void TimeShiftGraph::RemoveRing() {
    if (m_folder.empty())
        return;
    // A writer or reader thread may close its file a moment after its graph stopped.
    DWORD waited = 0;
    for (;;) {
        bool left = false;
        WIN32_FIND_DATAA found = {};
        HANDLE find = FindFirstFileA((m_folder + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if ((IsTimeShiftSegmentName(name) || name == kStillName) &&
                    !DeleteFileA((m_folder + "\\" + name).c_str()))
                    left = true;
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        if (RemoveDirectoryA(m_folder.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
            GetLastError() == ERROR_PATH_NOT_FOUND)
            return;
        if (waited >= kRemoveWaitMs) {
            TUNARO_TRACE("engine: the time shift folder %s stays (%lu)%s", m_folder.c_str(), GetLastError(),
                         left ? ", a file in use" : "");
            return;
        }
        Sleep(50);
        waited += 50;
    }
}

bool TimeShiftGraph::WriterFailed() {
    if (!Active())
        return false;
    if (!m_recording.Capturing())
        return true;
    const LONGLONG size = FileSize(TimeShiftSegmentFile(m_folder, m_ring.Segments().back().number));
    const DWORD now = GetTickCount();
    if (size != m_writerSize || m_writerSeen == 0) {
        m_writerSize = size;
        m_writerSeen = now ? now : 1;
        return false;
    }
    return now - m_writerSeen >= kWriterStallMs;
}

int TimeShiftGraph::SaveBmpFile(const char* path) const {
    if (!path || !Active())
        return 0;
    if (m_stillWindow || !m_player)
        return !m_stillFile.empty() && CopyFileA(m_stillFile.c_str(), path, FALSE) ? 1 : 0;
    // The grabber's last picture, as the decoder gave it (uncompressed, bottom-up).
    ComPtr<IFrameGrabber> grabber;
    ComPtr<IPin> in = PinAt(m_playerGrabber.get(), PINDIR_INPUT, 0);
    AM_MEDIA_TYPE type = {};
    if (!in || !m_playerGrabber ||
        FAILED(m_playerGrabber->QueryInterface(__uuidof(IFrameGrabber), grabber.ReceiveVoid())) ||
        in->ConnectionMediaType(&type) != S_OK)
        return 0;
    std::vector<uint8_t> packed;
    if (BITMAPINFOHEADER* header = BitmapHeaderOf(type)) {
        BITMAPINFOHEADER h = *header;
        h.biSizeImage = 0; // what the picture needs, from its size
        packed.assign(reinterpret_cast<const uint8_t*>(&h), reinterpret_cast<const uint8_t*>(&h) + sizeof h);
        const uint32_t bytes = PackedImageDataSize(packed.data(), packed.size());
        packed.resize(sizeof h + bytes);
        const HRESULT got =
            bytes ? grabber->GetCurrentFrame(packed.data() + sizeof h, static_cast<LONG>(bytes)) : E_FAIL;
        if (FAILED(got)) {
            TUNARO_TRACE("engine: no still of the picture played (%08lx)", static_cast<unsigned long>(got));
            packed.clear();
        }
    }
    if (type.pbFormat)
        CoTaskMemFree(type.pbFormat);
    if (type.pUnk)
        type.pUnk->Release();
    const std::vector<uint8_t> file = BmpFileFromPacked(packed.data(), packed.size());
    if (file.empty())
        return 0;
    FileHandle out(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return out && WriteFile(out.get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr) &&
                   written == file.size()
               ? 1
               : 0;
}

void TimeShiftGraph::FitOwner() {
    if (m_player)
        m_playerWindow.FitOwner(m_graph.Owner());
    RECT client = {};
    if (m_stillWindow && GetClientRect(m_graph.Owner(), &client))
        SetWindowPos(m_stillWindow, HWND_TOP, 0, 0, client.right, client.bottom, 0);
}

} // namespace tunaro
