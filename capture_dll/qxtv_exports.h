// The exported functions of the capture library zentaviq_Capture: their signatures (the ordinals
// are fixed by zentaviq_Capture.def) and the buffer sizes callers give them. A program may bind
// them by name or, as Tunaro FM does, by ordinal through the pointer types below.
#pragma once

#include <windows.h>

// Exported through the .def file only, so the export table holds exactly its names.
#define QXTV_API extern "C"

namespace tunaro {

// The enumerations write the device names into one block of kQxtvDeviceSlots buffers of
// kQxtvNameBufferSize bytes each (name i at names + i * kQxtvNameBufferSize), as a
// char[kQxtvDeviceSlots][kQxtvNameBufferSize] array passes it.
constexpr int kQxtvNameBufferSize = 260;
constexpr int kQxtvDeviceSlots = 10;
// The image copy's buffer holds at least this many bytes (bitmap header and pixels).
constexpr long kQxtvImageBufferSize = 1327104;
// File paths and station names are refused from this length on.
constexpr int kQxtvPathMax = MAX_PATH;
constexpr int kQxtvStationNameMax = 255;

} // namespace tunaro

QXTV_API int WINAPI QXTV_CoInitialize();
QXTV_API int WINAPI QXTV_CoUninitialize();
QXTV_API int WINAPI QXTV_EnumVideoDevice(int* count, char* names);
QXTV_API int WINAPI QXTV_SelectVideoDevice(const char* name);
QXTV_API int WINAPI QXTV_StartVideoPreview(HWND owner, HWND drain);
QXTV_API int WINAPI QXTV_SetVideoSource(int index);
QXTV_API int WINAPI QXTV_SetVideoFormat(long standard);
QXTV_API int WINAPI QXTV_SetPreviewMode(int mode);
QXTV_API int WINAPI QXTV_SaveBmpFile(const char* path);
QXTV_API int WINAPI QXTV_SetVideoWindowsPos(long left, long top, long width, long height);
QXTV_API int WINAPI QXTV_GetVideoFormat(long* standard);
QXTV_API int WINAPI QXTV_SetBrightNess(long value);
QXTV_API int WINAPI QXTV_GetBrightNess(long* value, long* maximum, long* minimum, long* defaultValue);
QXTV_API int WINAPI QXTV_SetHue(long value);
QXTV_API int WINAPI QXTV_GetHue(long* value, long* maximum, long* minimum, long* defaultValue);
QXTV_API int WINAPI QXTV_SetSharpNess(long value);
QXTV_API int WINAPI QXTV_GetSharepNess(long* value, long* maximum, long* minimum, long* defaultValue);
QXTV_API int WINAPI QXTV_SetSaturation(long value);
QXTV_API int WINAPI QXTV_GetSaturation(long* value, long* maximum, long* minimum, long* defaultValue);
QXTV_API int WINAPI QXTV_SetContrast(long value);
QXTV_API int WINAPI QXTV_GetContrast(long* value, long* maximum, long* minimum, long* defaultValue);
QXTV_API int WINAPI QXTV_StartCaptureMPG4(const char* file);
QXTV_API int WINAPI QXTV_StopCaptureMPG4();
QXTV_API int WINAPI QXTV_StartCaptureAVI(const char* file);
QXTV_API int WINAPI QXTV_StopCaptureAVI();
QXTV_API int WINAPI QXTV_AutoScanTune(int* done, int* found, int* count);
QXTV_API int WINAPI QXTV_SetCurrentChannel(int index);
QXTV_API int WINAPI QXTV_SetChannelName(int index, const char* name);
QXTV_API const char* WINAPI QXTV_GetChannelName(int index);
QXTV_API int WINAPI QXTV_DeleteChannel(int index);
QXTV_API int WINAPI QXTV_GetChannelNumber(int index);
QXTV_API long WINAPI QXTV_GetFrequency(int index);
QXTV_API int WINAPI QXTV_SetFrequency(int index, long frequency);
QXTV_API int WINAPI QXTV_SetChannelNumber(int index, int number);
QXTV_API int WINAPI QXTV_GetChannelListSize();
QXTV_API int WINAPI QXTV_StopDevice();
QXTV_API int WINAPI QXTV_StartCapureMP3(const char* file);
QXTV_API int WINAPI QXTV_StopCapureMP3();
QXTV_API int WINAPI QXTV_SelectAudioDevice(const char* name);
QXTV_API int WINAPI QXTV_EnumAudioDevice(int* count, char* names);
QXTV_API int WINAPI QXTV_StartDevice();
QXTV_API long WINAPI QXTV_CopyImageMem(BYTE* buffer);
QXTV_API int WINAPI QXTV_AudioMute(int mute);
QXTV_API int WINAPI QXTV_SetTVMode(int fm);
QXTV_API int WINAPI QXTV_FMScanTuner(int mode, int abort, int* done, int* found, int* ignored,
                                     long* frequency, int* progress);
QXTV_API int WINAPI QXTV_AddChannel(const char* name, long frequency);
QXTV_API int WINAPI QXTV_StopCaptureAudioWMA();
QXTV_API int WINAPI QXTV_StartCaptureAudioWMA(const char* file);
QXTV_API int WINAPI QXTV_DeviceUTVMute2820();
