// One skinned control's row of the generated skin layouts, shared by every program's layout so
// that one file can include several of them.
// Written by res/art/skin.py; change the generator, not this file.
#pragma once

namespace tunaro::skin {

// One skinned control: its id, then the row of 11 integers (left, top, width, height, spare 0,
// bitmap ids of the normal, hover and pressed looks, the disabled look or 0, tooltip string id, 1).
struct Row {
    int id;
    int left, top, width, height, spare;
    int normal, hover, pressed, fourth, tooltip, flag;
};

} // namespace tunaro::skin
