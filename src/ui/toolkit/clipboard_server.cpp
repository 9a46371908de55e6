#include "ui/toolkit/clipboard_server.h"

#include <fcntl.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>

#include "core/codec/decode.h"
#include "core/error.h"
#include "ui/toolkit/capture_clipboard.h"

namespace pelko {

namespace {

ClipboardContent readContent(const std::string& imageFile, const std::string& gifFile) {
    ClipboardContent content;
    // The file is a capture of this program's own, as large as the screens are: not held to
    // the limit for pictures from elsewhere.
    content.image = readPictureFile(imageFile, DecodeLimits{std::size_t(1) << 29});
    if (!gifFile.empty()) {
        content.gifFile = readFileBytes(gifFile);
    }
    ::unlink(imageFile.c_str());
    if (!gifFile.empty()) {
        ::unlink(gifFile.c_str());
    }
    return content;
}

// Nobody reads this process's output after the "ready" line: the command that started it has
// moved on, and holding its pipes open would keep its readers waiting.
void detachStandardStreams() {
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull >= 0) {
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        ::close(devNull);
    }
}

}  // namespace

int serveClipboard(int& argc, char** argv, const std::string& imageFile,
                   const std::string& gifFile) {
    ClipboardContent content;
    try {
        content = readContent(imageFile, gifFile);
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0') {
            throw Error("Pelko needs an X11 display");
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }

    QGuiApplication app(argc, argv);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(clipboardMimeData(content).release(), QClipboard::Clipboard);
    content = {};
    if (!clipboard->ownsClipboard()) {
        std::cerr << "Cannot open clipboard\n";
        return 1;
    }
    QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) {
            QCoreApplication::quit();
        }
    });
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    detachStandardStreams();
    return QGuiApplication::exec();
}

}  // namespace pelko
