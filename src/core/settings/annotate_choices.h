#pragma once

#include "core/image/bitmap.h"
#include "core/settings/ini_file.h"

namespace pelko {

// The colour and width the editor's annotation tools start with: the last ones chosen.
struct AnnotateChoices {
    Rgb color;
    int width = 3;
};

inline constexpr int kMaxAnnotateWidth = 20;

// A width out of 1 to kMaxAnnotateWidth, or junk, reads as the default.
AnnotateChoices readAnnotateChoices(const IniFile& settings);
void writeAnnotateChoices(IniFile& settings, const AnnotateChoices& choices);

}  // namespace pelko
