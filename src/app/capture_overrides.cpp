#include "app/capture_overrides.h"

#include <filesystem>

#include "app/picture_output.h"
#include "core/output/image_format.h"
#include "core/settings/ini_file.h"
#include "core/settings/key_access.h"

namespace pelko {

void applyOverrides(const CaptureOverrides& o, MainSettings& state) {
    if (o.pointer) {
        state.ssreccursor = *o.pointer;
    }
    if (o.jpegQuality) {
        state.jpegQuality = *o.jpegQuality;
    }
    if (o.clipboardOnly || o.output) {
        state.outputs = OutputTargets{};
        state.outputs.save = bool(o.output);
        state.outputs.clipboard = o.clipboardOnly;
        state.cbopenineditor = false;
    }
}

std::vector<std::string> selectorOptionArguments(const CaptureOverrides& o) {
    if (!o.pointer) {
        return {};
    }
    return {*o.pointer ? "--pointer" : "--no-pointer"};
}

std::vector<std::string> writeOutputOverride(const CaptureOverrides& o, const MainSettings& state,
                                             const ProgramPaths& paths, const Bitmap& bitmap) {
    const IniFile settings(paths.settingsFile());
    std::optional<ImageFormat> format = o.format;
    if (!format && *o.output == kStandardOutput) {
        format = ImageFormat::Png;
    }
    if (!format) {
        format = formatOfPath(*o.output);
    }
    if (!format) {
        format = ResolveOutputFormat(read(settings, keys::saveas), 0);
    }
    EncodeOptions options;
    options.jpegQuality = state.jpegQuality;
    options.gifMethod = read(settings, keys::gifcomp);
    writePictureTo(*o.output, bitmap, format.value_or(ImageFormat::Png), options);
    if (*o.output == kStandardOutput) {
        return {*o.output};
    }
    // The path printed and announced names the file wherever the reader of it stands.
    return {std::filesystem::absolute(*o.output).string()};
}

}  // namespace pelko
