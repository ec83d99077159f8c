// What the card's video filters need to know of a video media type: size, orientation,
// sample layout and row stride, and builders for the types they offer.
#pragma once

#include "platform/dshow/media_type.h"

namespace filters {

enum class Layout { Yuy2, Uyvy, Rgb24, Rgb32, Other };

struct VideoFormat {
    LONG width = 0;
    LONG height = 0;      // always positive
    bool topDown = false; // rows run top to bottom in memory
    Layout layout = Layout::Other;
    int bitsPerPixel = 0;
    int stride = 0;     // bytes per row
    LONG imageSize = 0; // stride * height
    REFERENCE_TIME avgTimePerFrame = 0;
};

// Fills f from a VIDEOINFOHEADER type; false for anything else (or an empty picture).
bool DescribeVideo(const AM_MEDIA_TYPE& mt, VideoFormat* f);
// True for video types of one of the given layouts (Other excluded).
bool IsVideoOf(const AM_MEDIA_TYPE& mt, std::initializer_list<Layout> layouts);
// A VIDEOINFOHEADER type of the given layout (RGB types bottom-up).
dshow::MediaType MakeVideoType(Layout layout, LONG width, LONG height, REFERENCE_TIME avgTimePerFrame);

} // namespace filters
