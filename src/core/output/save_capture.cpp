#include "core/output/save_capture.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <future>
#include <system_error>

#include "core/output/file_sink.h"
#include "core/output/image_format.h"
#include "core/settings/ini_file.h"
#include "core/settings/key_access.h"

namespace pelko {

namespace {

constexpr std::string_view kConfiguredTarget = "0";

// The default output folder belongs to the program, so it is made when it is missing;
// any other folder is the user's to create.
void ensureDefaultFolder(const std::string& folder, const ProgramPaths& paths) {
    if (folder == paths.screensDir()) {
        // With its parents: the pictures folder of a new account may not be there yet.
        std::error_code ec;
        std::filesystem::create_directories(paths.screensDir(), ec);
    }
}

}  // namespace

std::string outputFolderInUse(const IniFile& settings, const ProgramPaths& paths) {
    const std::string folder = paths.resolvedFolder(read(settings, keys::saveto));
    struct stat st {};
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return paths.screensDir();
    }
    return folder;
}

void writeImageFile(const Bitmap& bitmap, ImageFormat format, const EncodeOptions& options,
                    const std::string& path) {
    FileSink sink(path);
    encodeImage(sink, bitmap, format, options);
    sink.commitReplace();
}

std::string writeNewImageFile(const Bitmap& bitmap, ImageFormat format,
                              const EncodeOptions& options, const std::string& stem,
                              std::string_view ext) {
    FileSink sink(stem + std::string(ext));
    encodeImage(sink, bitmap, format, options);
    return sink.commitNew(stem, ext);
}

std::optional<std::string> SaveCaptureToFile(const Bitmap& bitmap, int formatOverride,
                                             std::string_view target, const SaveContext& ctx) {
    std::string folder, templ;
    EncodeOptions options;
    options.jpegQuality = ctx.jpegQuality;
    IniFile f(ctx.paths.settingsFile());
    const std::optional<ImageFormat> format =
        ResolveOutputFormat(read(f, keys::saveas), formatOverride);
    if (target == kConfiguredTarget) {
        folder = outputFolderInUse(f, ctx.paths);
        templ = read(f, keys::screensfilename);
    } else {
        std::size_t slash = target.rfind('/');
        std::size_t split = slash == std::string_view::npos ? 0 : slash + 1;
        folder = std::string(target.substr(0, split));
        templ = std::string(target.substr(split));
    }
    options.gifMethod = read(f, keys::gifcomp);
    const std::int32_t number = read(f, keys::ssnum);
    // The number is taken whatever happens to the picture. Storing it waits on the disk and
    // encoding waits on the processors, so the one runs while the other does; the picture's
    // file gets its name only once the number is stored. (The future's destructor waits for
    // the store when the encoding fails.)
    std::future<void> numberStored = std::async(std::launch::async, [&f, number] {
        write(f, keys::ssnum, std::int32_t(std::uint32_t(number) + 1u));
    });
    std::string name = ExpandFileNameTemplate(templ, number, ctx.clock);
    if (!format) {
        numberStored.get();
        return std::nullopt;
    }
    std::string_view ext = extensionOf(*format);
    std::string stem = folder + name;
    if (target != kConfiguredTarget) {
        // A name typed with the format's extension already keeps it as it is.
        std::string path = hasExtensionOf(name, *format) ? stem : stem + std::string(ext);
        FileSink sink(path);
        encodeImage(sink, bitmap, *format, options);
        numberStored.get();
        sink.commitReplace();
        return path;
    }
    ensureDefaultFolder(folder, ctx.paths);
    FileSink sink(stem + std::string(ext));
    encodeImage(sink, bitmap, *format, options);
    numberStored.get();
    return sink.commitNew(stem, ext);
}

}  // namespace pelko
