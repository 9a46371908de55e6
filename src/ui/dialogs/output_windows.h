#pragma once

#include <string>

#include "core/output/mailer.h"
#include "core/output/uploader.h"

class QWidget;

namespace pelko {

class Tfrmftp;

// Opens a new FTP upload window for the file at path, its name already in txfilename; earlier
// windows stay open with their own files. owner (may be null) is the window's parent.
Tfrmftp* showPublishWindow(const std::string& path, const std::string& programDir,
                           const MakeUploader& makeUploader, QWidget* owner);

// Hands the file at path to the mail program; without one, or when it refuses, tells the user
// "Error while trying to send email".
void sendFileByMail(Mailer* mailer, const std::string& path, QWidget* owner);

}  // namespace pelko
