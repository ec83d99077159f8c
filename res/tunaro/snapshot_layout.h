// Layout of the snapshot browser's skin: background 339, list view 1171 at 12,32 (656 x 128), slider 1176 at
// 12,169 (656 x 16). Written by res/art/skin.py; change the generator, not this file.
#pragma once

#include "res/skin_row.h"

namespace tunaro::skin::snapshot {

// The six buttons.
static const Row kSnapshotButtons[] = {
    {1178, 16, 198, 92, 26, 0, 380, 381, 382, 0, 0, 1},  {1174, 118, 198, 92, 26, 0, 383, 384, 385, 0, 0, 1},
    {1177, 220, 198, 92, 26, 0, 386, 387, 388, 0, 0, 1}, {1173, 322, 198, 92, 26, 0, 389, 390, 391, 0, 0, 1},
    {1175, 424, 198, 92, 26, 0, 392, 393, 394, 0, 0, 1}, {2040, 578, 198, 86, 26, 0, 395, 396, 397, 0, 0, 1},
};

} // namespace tunaro::skin::snapshot
