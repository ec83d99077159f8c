// Small DirectShow helpers of the engine: device enumeration by category, friendly and display
// names, pins by position, pin interfaces by category and media type, graph files.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <functional>
#include <string>

#include "framework/raii.h"

namespace tunaro {

// Calls visit(moniker, hasName, ansiName) for every device of the category in enumeration order
// until it returns false. S_FALSE when the category is empty or cannot be enumerated.
HRESULT ForEachDevice(const GUID& category,
                      const std::function<bool(IMoniker*, bool hasName, const std::string& name)>& visit);

// The device's "FriendlyName" in the ANSI code page (at most 259 characters).
bool ReadFriendlyName(IMoniker* moniker, std::string* name);
std::wstring DisplayName(IMoniker* moniker);
std::string Narrow(const std::wstring& text);
std::wstring Widen(const char* text);

// The index-th pin of the filter in the given direction.
ComPtr<IPin> PinAt(IBaseFilter* filter, PIN_DIRECTION direction, int index);
// The first output pin of the category (PIN_CATEGORY_CAPTURE, ...) offering the major type (null
// for any); its connection type counts when connected.
ComPtr<IPin> FindOutputPin(IBaseFilter* filter, const GUID& category, const GUID* majorType);

// Connects output index of one filter to input index of another, through intermediate filters
// (intelligent) or directly.
HRESULT ConnectByIndex(IGraphBuilder* graph, IBaseFilter* from, int outputIndex, IBaseFilter* to,
                       int inputIndex, bool direct);

// Writes the graph into a structured-storage file as stream "ActiveMovieGraph".
HRESULT SaveGraphToFile(IGraphBuilder* graph, const char* path);

// The bitmap header of a video media type (VideoInfo or VideoInfo2); null for other formats.
BITMAPINFOHEADER* BitmapHeaderOf(AM_MEDIA_TYPE& type);
// Width and height (lines, always positive) of a video media type.
bool FrameSizeOf(const AM_MEDIA_TYPE& type, long* width, long* height);

// Frees a media type obtained from DirectShow.
void DeleteMediaType(AM_MEDIA_TYPE* type);

} // namespace tunaro
