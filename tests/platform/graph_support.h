// Graph plumbing shared by the recording tests of the platform stand-ins: the installed
// simulated card, pins by direction and number, temporary files, and stopping what a failed
// Run left paused.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <map>
#include <string>

#include "platform/dshow/com_ptr.h"

namespace graphtest {

// The first device of the video capture category (the simulated card), bound to a filter.
dshow::ComPtr<IBaseFilter> BindCard();
// The n-th pin of a direction, as the engine addresses "output pin 1".
dshow::ComPtr<IPin> PinOf(IBaseFilter* f, PIN_DIRECTION dir, int n);
// The first output pin whose first media type has this major type.
dshow::ComPtr<IPin> OutputCarrying(IBaseFilter* f, REFGUID major);
// The device of a category whose friendly name contains name, the last such one as the
// engine's search keeps it, bound to a filter.
dshow::ComPtr<IBaseFilter> FindByName(REFCLSID category, const wchar_t* name);
// This graph manager leaves filters paused after a failed Run: stop every filter.
void StopEach(IGraphBuilder* graph);
// A file name in the temporary directory.
std::string TempFile(const char* name);
std::wstring Wide(const std::string& s);

// Values of a ffprobe report (mediacheck::Probe): a number (-1 when missing) or the text.
double Number(const std::map<std::string, std::string>& m, const std::string& key);
std::string Text(const std::map<std::string, std::string>& m, const std::string& key);
// The key prefix ("streams.stream.N.") of the first stream of a type ("video", "audio").
std::string StreamOf(const std::map<std::string, std::string>& m, const char* type);

} // namespace graphtest
