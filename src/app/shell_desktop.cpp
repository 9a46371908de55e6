#include "app/shell_desktop.h"

#include "app/tray_program.h"
#include "platform/desktop/detached_process.h"
#include "platform/desktop/scratch_dir.h"
#include "platform/net/ftp_uploader.h"

#include "ui/settings/output_settings.h"
#include "ui/shell/main_window.h"
#include "ui/shell/window_outputs.h"

namespace pelko {

ShellServices desktopServices(const ProgramPaths& paths, const std::string& executable,
                              Autostart& autostart, Mailer& mailer, Notifier& notifier) {
    ShellServices s;
    s.paths = paths;
    s.scratchDir = scratchDirPath();
    prepareScratchDir(s.scratchDir);
    s.executablePath = executable;
    // The next session starts the program with the same program folder.
    s.addtostartup = [&autostart, executable, home = homeArguments(paths)](bool on) {
        autostart.set(on, executable, home);
    };
    s.launchProgram = launchProgram;
    s.mailer = &mailer;
    s.makeUploader = ftpUploaders();
    s.notifier = &notifier;
    return s;
}

void setWindowOutputs(ShellServices& s) {
    s.makeOutputs = [s](QWidget* owner, std::function<std::int32_t()> jpegQuality) {
        std::function<void()> formatSettings;
        if (auto* form = dynamic_cast<TForm1*>(owner)) {
            formatSettings = [form] { form->openOutputSettings(Tfrmoutputsettings::FileFormat); };
        }
        return std::unique_ptr<CaptureOutputs>(std::make_unique<WindowOutputs>(
            s, std::move(jpegQuality), owner, std::move(formatSettings)));
    };
}

}  // namespace pelko
