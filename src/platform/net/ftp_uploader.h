#pragma once

#include <memory>

#include "core/output/uploader.h"
#include "platform/net/ftp_session.h"

namespace pelko {

// Uploads over FTP: the upload window's uploader, an FtpSession with its own thread.
class FtpUploader final : public Uploader {
  public:
    explicit FtpUploader(FtpTimeouts timeouts = {}) : m_session(timeouts) {}
    void start(UploadRequest request, UploadReports reports) override;
    void cancel() override;
    void disconnect() override;

  private:
    FtpSession m_session;
};

// Makes an FtpUploader for each window.
MakeUploader ftpUploaders(FtpTimeouts timeouts = {});

}  // namespace pelko
