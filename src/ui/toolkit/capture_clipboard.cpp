#include "ui/toolkit/capture_clipboard.h"

#include <QByteArray>

#include "ui/toolkit/bitmap_image.h"

namespace pelko {

std::unique_ptr<QMimeData> clipboardMimeData(const ClipboardContent& content) {
    auto data = std::make_unique<QMimeData>();
    data->setImageData(toQImage(content.image));
    if (!content.gifFile.empty()) {
        data->setData(QString::fromLatin1(kGifMimeType),
                      QByteArray(reinterpret_cast<const char*>(content.gifFile.data()),
                                 qsizetype(content.gifFile.size())));
    }
    return data;
}

void CopyCaptureToClipboard(const Bitmap& bitmap, int formatOverride, const ProgramPaths& paths,
                            QClipboard& clipboard) {
    if (const auto content = clipboardContent(bitmap, formatOverride, paths)) {
        clipboard.setMimeData(clipboardMimeData(*content).release(), QClipboard::Clipboard);
    }
}

}  // namespace pelko
