// Shows the upload window "Publish Web" on the current display, as `pelko` does for the
// command line: pelko-publish-preview HOME FILE
#include <cstdio>
#include <string>

#include "platform/net/ftp_uploader.h"
#include "ui/dialogs/publish_window_app.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: pelko-publish-preview HOME FILE\n");
        return 2;
    }
    std::string home = argv[1], file = argv[2];
    return pelko::runPublishWindow(argc, argv, home, file, pelko::ftpUploaders());
}
