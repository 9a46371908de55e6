#include "platform/net/ftp_uploader.h"

#include <utility>

#include "platform/net/ftp_address.h"

namespace pelko {

void FtpUploader::start(UploadRequest request, UploadReports reports) {
    FtpUploadRequest ftp{
        {parseFtpAddress(request.host), std::move(request.user), std::move(request.password)},
        std::move(request.folder),
        std::move(request.localFile),
        std::move(request.remoteName)};
    FtpStartReports r;
    r.connected = std::move(reports.connected);
    r.folderChanged = std::move(reports.folderChanged);
    r.progress = {std::move(reports.begin), std::move(reports.work), std::move(reports.end)};
    r.finished = std::move(reports.finished);
    m_session.start(std::move(ftp), std::move(r));
}

void FtpUploader::cancel() {
    m_session.cancel();
}

void FtpUploader::disconnect() {
    m_session.disconnect();
}

MakeUploader ftpUploaders(FtpTimeouts timeouts) {
    return
        [timeouts] { return std::unique_ptr<Uploader>(std::make_unique<FtpUploader>(timeouts)); };
}

}  // namespace pelko
