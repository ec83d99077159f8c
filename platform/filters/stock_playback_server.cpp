// COM server of the playback parts this platform may lack for MPEG program streams
// (stockplayback.ax): the stream splitter and the MPEG video and audio decoders, under the
// stock components' classes and with pins and merit so the graph builder renders a .mpg
// through them. "regsvr32 /i:auto" registers them only where the system cannot play a short
// DVD program stream of its own making: the three go together, since the system's decoders
// are reached only through its splitter.
#include "platform/filters/playback_codecs.h"

#include "platform/dshow/com_ptr.h"
#include "platform/dshow/com_server.h"
#include "platform/encoders/mpeg_program.h"

#include <uuids.h>

#include <cstdio>
#include <string>
#include <vector>

using dshow::ComPtr;

namespace {

// Writes a second of DVD program stream (grey pictures, silence) and asks the system's graph
// builder to render all of it. True when it cannot, with the reason.
bool SystemCannotPlay(std::string* reason) {
    char dir[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    snprintf(file, sizeof file, "%sstandin-check-%lu.mpg", dir, GetCurrentProcessId());
    encoders::MpegSettings settings = encoders::MpegDefaults(encoders::DiscFormat::Dvd, false);
    encoders::MpegProgramWriter writer;
    std::string error;
    if (!writer.Open(file, settings, 48000, 2, &error)) {
        *reason = "no sample stream to try the system's with (" + error + ")";
        return true;
    }
    std::vector<uint8_t> grey(static_cast<size_t>(settings.width) * settings.height * 2, 0x80);
    std::vector<int16_t> silence(48000 / 25 * 2, 0);
    for (int i = 0; i < 25; ++i) {
        writer.WriteVideo(grey.data(), settings.width * 2, i);
        writer.WriteAudio(silence.data(), silence.size() / 2);
    }
    const bool written = writer.Close(&error);
    HRESULT hr = E_FAIL;
    if (written) {
        ComPtr<IGraphBuilder> graph;
        hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              graph.PutVoid());
        if (SUCCEEDED(hr)) {
            wchar_t wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, file, -1, wide, MAX_PATH);
            hr = graph->RenderFile(wide, nullptr);
        }
    }
    DeleteFileA(file);
    if (!written) {
        *reason = "no sample stream to try the system's with (" + error + ")";
        return true;
    }
    if (hr != S_OK) {
        *reason = dshow::SystemMethodFailed("RenderFile of a DVD program stream", hr);
        return true;
    }
    *reason = "the system plays MPEG program streams";
    return false;
}

// Asked once per registration: the answer holds for all three classes (the first registered
// would otherwise answer for the rest).
bool PlaybackNeeded(std::string* reason) {
    static int known = -1;
    static std::string why;
    if (known < 0) {
        known = SystemCannotPlay(&why) ? 1 : 0;
    }
    *reason = why;
    return known == 1;
}

const REGPINTYPES kSplitterIn[] = {{&MEDIATYPE_Stream, &MEDIASUBTYPE_MPEG1System},
                                   {&MEDIATYPE_Stream, &MEDIASUBTYPE_MPEG2_PROGRAM},
                                   {&MEDIATYPE_Stream, &MEDIASUBTYPE_MPEG1VideoCD}};
const REGPINTYPES kSplitterVideo[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG1Payload},
                                      {&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO}};
const REGPINTYPES kSplitterAudio[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG1AudioPayload}};
const REGPINTYPES kVideoIn[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG1Payload},
                                {&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG1Packet},
                                {&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO}};
const REGPINTYPES kVideoOut[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32}};
const REGPINTYPES kAudioIn[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG1AudioPayload},
                                {&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG1Packet},
                                {&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG1Payload},
                                {&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG2_AUDIO}};
const REGPINTYPES kAudioOut[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};

template <size_t N> REGFILTERPINS Pin(const wchar_t* name, BOOL output, const REGPINTYPES (&types)[N]) {
    return {const_cast<LPWSTR>(name), FALSE, output, FALSE, FALSE, &CLSID_NULL, nullptr, N, types};
}

const REGFILTERPINS kSplitterPins[] = {Pin(L"Input", FALSE, kSplitterIn), Pin(L"Video", TRUE, kSplitterVideo),
                                       Pin(L"Audio", TRUE, kSplitterAudio)};
const REGFILTERPINS kVideoPins[] = {Pin(L"Input", FALSE, kVideoIn), Pin(L"Output", TRUE, kVideoOut)};
const REGFILTERPINS kAudioPins[] = {Pin(L"Input", FALSE, kAudioIn), Pin(L"Output", TRUE, kAudioOut)};

const dshow::ServerClass kClasses[] = {
    {{&CLSID_MPEG1Splitter, L"MPEG-I Stream Splitter", filters::CreateMpegSplitter},
     L"MpegSplitter",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     PlaybackNeeded,
     MERIT_NORMAL,
     kSplitterPins,
     3},
    {{&CLSID_CMpegVideoCodec, L"MPEG Video Decoder", filters::CreateMpegVideoDecoder},
     L"MpegVideo",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     PlaybackNeeded,
     MERIT_NORMAL,
     kVideoPins,
     2},
    {{&CLSID_CMpegAudioCodec, L"MPEG Audio Decoder", filters::CreateMpegAudioDecoder},
     L"MpegAudio",
     &CLSID_LegacyAmFilterCategory,
     nullptr,
     PlaybackNeeded,
     MERIT_NORMAL,
     kAudioPins,
     2},
};

} // namespace

DSHOW_SERVER_ENTRY_POINTS(kClasses)
