#include "core/settings/annotate_choices.h"

#include "core/settings/keys.h"

namespace pelko {

AnnotateChoices readAnnotateChoices(const IniFile& settings) {
    AnnotateChoices out;
    const std::int32_t color = settings.readInteger(
        keys::annotateColor.section, keys::annotateColor.name, keys::annotateColor.def);
    out.color = fromColorRef(ColorRef(color) & 0xFFFFFF);
    const std::int32_t width = settings.readInteger(
        keys::annotateWidth.section, keys::annotateWidth.name, keys::annotateWidth.def);
    out.width = width >= 1 && width <= kMaxAnnotateWidth ? width : keys::annotateWidth.def;
    return out;
}

void writeAnnotateChoices(IniFile& settings, const AnnotateChoices& choices) {
    IniFile::Batch batch(settings);
    settings.writeInteger(keys::annotateColor.section, keys::annotateColor.name,
                          std::int32_t(toColorRef(choices.color)));
    settings.writeInteger(keys::annotateWidth.section, keys::annotateWidth.name, choices.width);
    batch.commit();
}

}  // namespace pelko
