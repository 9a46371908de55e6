#include "app/wayland_clipboard_server.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "core/codec/decode.h"
#include "core/codec/encode.h"
#include "core/codec/sink.h"
#include "core/error.h"
#include "platform/wayland/clipboard_source.h"

namespace pelko {

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Error("Cannot open clipboard");
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int serveWaylandClipboard(const std::string& image, const std::string& gif) {
    try {
        std::vector<wayland::ClipboardForm> forms;
        if (gif.empty()) {
            forms.push_back({"image/png", readFile(image)});
        } else {
            // Programs that paste only PNG get the colour-reduced picture the GIF file holds.
            std::vector<std::uint8_t> gifBytes = readFile(gif);
            VectorSink png;
            encodePng(png, decodeGif(gifBytes), EncodeOptions{});
            forms.push_back({"image/png", std::move(png.bytes)});
            forms.push_back({"image/gif", std::move(gifBytes)});
        }
        wayland::Display display;
        wayland::ClipboardSource clipboard(display, std::move(forms));
        std::printf("ready\n");
        std::fflush(stdout);
        std::fclose(stdout);
        clipboard.serve();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}

}  // namespace pelko
