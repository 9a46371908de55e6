#include "core/settings/annotate_choices.h"

#include "core/settings/key_access.h"

namespace pelko {

AnnotateChoices readAnnotateChoices(const IniFile& settings) {
    AnnotateChoices out;
    const std::int32_t color = read(settings, keys::annotateColor);
    out.color = fromColorRef(ColorRef(color) & 0xFFFFFF);
    const std::int32_t width = read(settings, keys::annotateWidth);
    out.width = width >= 1 && width <= kMaxAnnotateWidth ? width : keys::annotateWidth.def;
    return out;
}

void writeAnnotateChoices(IniFile& settings, const AnnotateChoices& choices) {
    IniFile::Batch batch(settings);
    write(settings, keys::annotateColor, std::int32_t(toColorRef(choices.color)));
    write(settings, keys::annotateWidth, choices.width);
    batch.commit();
}

}  // namespace pelko
