#include "ui/selectors/select_program.h"

#include <unistd.h>

#include <QApplication>

#include "core/capture/selection.h"
#include "core/codec/encode.h"
#include "core/codec/sink.h"
#include "core/file_descriptor.h"
#include "core/settings/main_settings.h"
#include "ui/selectors/selectors.h"

namespace pelko {

namespace {

void writeAll(const std::string& head, const std::vector<std::uint8_t>& body = {}) {
    std::vector<std::uint8_t> bytes(head.begin(), head.end());
    bytes.insert(bytes.end(), body.begin(), body.end());
    // A failure means the pelko command has gone: nobody is left to tell.
    writeAllBytes(STDOUT_FILENO, bytes.data(), bytes.size());
}

// The overlay works in device pixels: Qt's scaling would hand it pointer positions rounded to
// logical pixels, which a scale factor of 2 or more makes miss device pixels. This program
// shows only the overlay, so it runs unscaled.
void runUnscaled() {
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
}

}  // namespace

int runSelectProgram(int& argc, char** argv, Screen& screen, WindowLocator* windows,
                     const MainSettings& settings, int mode) {
    runUnscaled();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelko"));
    try {
        Selectors selectors(screen, windows, settings);
        bool cancelled = false;
        const std::optional<Bitmap> picture = selectors.select(mode, cancelled);
        if (cancelled || !picture) {
            writeAll("cancelled\n");
            return 2;
        }
        VectorSink sink;
        if (!picture->empty()) {
            encodeBmp(sink, *picture);
        }
        writeAll("picture\n", sink.bytes);
        return 0;
    } catch (const std::exception& e) {
        writeAll(std::string("error\n") + e.what());
        return 1;
    }
}

int runPickRegionProgram(int& argc, char** argv, Screen& screen, const MainSettings& settings) {
    runUnscaled();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelko"));
    try {
        const std::optional<Rect> picked = Selectors(screen, nullptr, settings).pickRegion();
        // A click or a straight drag selects no area: nothing a region could be made of.
        const std::optional<Rect> region = picked ? regionWithArea(*picked) : std::nullopt;
        if (!region) {
            writeAll("cancelled\n");
            return 2;
        }
        writeAll("region\n" + geometryText(*region) + "\n");
        return 0;
    } catch (const std::exception& e) {
        writeAll(std::string("error\n") + e.what());
        return 1;
    }
}

}  // namespace pelko
