#include "core/capture/capture_notice.h"

#include <algorithm>

#include "core/settings/key_access.h"

namespace pelko {

Thumbnail makeThumbnail(const Bitmap& bitmap, int maxSide) {
    Thumbnail t;
    if (bitmap.width() <= 0 || bitmap.height() <= 0) {
        return t;
    }
    const int longer = std::max(bitmap.width(), bitmap.height());
    const double factor = longer > maxSide ? double(maxSide) / longer : 1.0;
    t.width = std::max(1, int(bitmap.width() * factor));
    t.height = std::max(1, int(bitmap.height() * factor));
    t.rgb.reserve(std::size_t(t.width) * std::size_t(t.height) * 3);
    for (int y = 0; y < t.height; ++y) {
        const int sy = int((std::int64_t(y) * bitmap.height()) / t.height);
        for (int x = 0; x < t.width; ++x) {
            const int sx = int((std::int64_t(x) * bitmap.width()) / t.width);
            const Rgb c = bitmap.colorAt(sx, sy);
            t.rgb.insert(t.rgb.end(), {c.r, c.g, c.b});
        }
    }
    return t;
}

bool notificationsEnabled(const IniFile& settings) {
    return read(settings, keys::notifyEnabled) != 0;
}

std::optional<CaptureNotice> describeCapture(const CaptureResult& result,
                                             const OutputTargets& outputs, Thumbnail picture) {
    if (result.cancelled) {
        return std::nullopt;
    }
    CaptureNotice notice;
    notice.picture = std::move(picture);
    if (!result.files.empty()) {
        const std::string& file = result.files.front();
        const std::size_t slash = file.rfind('/');
        notice.summary = "Screenshot saved";
        notice.body = slash == std::string::npos
                          ? file
                          : file.substr(slash + 1) + " in " + file.substr(0, slash + 1);
        if (outputs.clipboard) {
            notice.body += ", and copied to the clipboard";
        }
        notice.file = file;
        return notice;
    }
    if (outputs.clipboard) {
        notice.summary = "Screenshot copied";
        notice.body = "The picture is on the clipboard";
        return notice;
    }
    return std::nullopt;
}

CaptureResult takescreenAnnounced(CapturePipeline& pipeline, unsigned mode, Notifier* notifier,
                                  const OutputTargets& outputs) {
    if (!notifier) {
        return pipeline.takescreen(mode);
    }
    Thumbnail picture;
    pipeline.onPicture = [&](const Bitmap& bitmap) { picture = makeThumbnail(bitmap); };
    CaptureResult result = pipeline.takescreen(mode);
    pipeline.onPicture = nullptr;
    if (auto notice = describeCapture(result, outputs, std::move(picture))) {
        notifier->show(*notice);
    }
    return result;
}

}  // namespace pelko
