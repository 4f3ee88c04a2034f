// Where QUOR's editor draws text: the name row and the meter labels. Golden
// images allow those areas to come out a little differently with other
// versions of the fonts.
#pragma once

#include <vector>

#include "editor/records.h"

inline const std::vector<IRECT> kQuorEditorTextAreas = {
    IRECT(0, 642, 1215, 672), IRECT(1088, 13, 1108, 33), IRECT(1088, 88, 1108, 108)};
