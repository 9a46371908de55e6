#include "core/capture/pipeline.h"

#include "core/capture/capture_mode.h"
#include "core/capture/run_settings.h"
#include "core/codec/apply_watermark.h"
#include "core/error.h"
#include "core/image/scale.h"

namespace pelko {

void CaptureOutputs::openFilesInEditor(const std::vector<std::string>&) {
    throw notAvailable("Editor");
}

namespace {

constexpr int kHidePauseMs = 100;

// Puts back what a run changed, on every way out of it.
class RunRestore {
  public:
    RunRestore(MainSettings& state, CaptureHost& host)
        : m_state(state), m_host(host), m_mode(state.currentMode) {}
    ~RunRestore() {
        m_state.currentMode = m_mode;
        if (m_hidden) {
            m_host.restoreMainWindow();
        }
    }
    RunRestore(const RunRestore&) = delete;
    RunRestore& operator=(const RunRestore&) = delete;
    void hidden() { m_hidden = true; }

  private:
    MainSettings& m_state;
    CaptureHost& m_host;
    std::int32_t m_mode;
    bool m_hidden = false;
};

// Scales the run's picture by the scale values read at the start of the run. The target has
// the picture's format (depth and palette), as a fresh copy of the screen would.
void scaleCapture(Bitmap& bitmap, const RunSettings& run) {
    const ScaleSize size = scaledSize(run.scale.kind, run.scale.width, run.scale.height,
                                      bitmap.width(), bitmap.height());
    Bitmap target(0, 0, bitmap.depth());
    target.setPalette(bitmap.palette());
    ScaleBitmap(bitmap, target, size.width, size.height);
    target.setDeviceDependent(bitmap.deviceDependent());
    bitmap = std::move(target);
}

}  // namespace

CaptureResult CapturePipeline::takescreen(unsigned mode) {
    RunRestore restore(m_state, m_host);
    if (mode != 0) {
        m_state.currentMode = std::int32_t(mode);
    }
    const RunSettings run =
        readRunSettings(IniFile(m_paths.settingsFile()), m_state.cbenablescaling, m_paths);
    if (run.hideWhileCapturing && m_host.mainWindowVisible()) {
        m_host.hideMainWindow();
        restore.hidden();
        m_host.pause(kHidePauseMs);
    }

    CaptureResult result;
    Bitmap bitmap;
    m_sources.ApplySystemPalette(bitmap);
    const CaptureModeInfo* kind = captureModeInfo(m_state.currentMode);
    if (regionOverride) {
        bitmap = m_sources.CaptureScreenArea(*regionOverride, m_state.ssreccursor);
    } else {
        switch (kind ? kind->mode : CaptureMode::WholeScreen) {
            case CaptureMode::ActiveWindow:
                if (auto window = m_sources.FindActiveWindow()) {
                    m_sources.CaptureActiveWindow(bitmap, *window, m_state.ssreccursor);
                    break;
                }
                return takescreen(unsigned(CaptureMode::WholeScreen));
            case CaptureMode::Rectangle:
            case CaptureMode::Ellipse:
            case CaptureMode::Object:
            case CaptureMode::RoundedRectangle:
            case CaptureMode::Freehand: {
                bool cancelled = false;
                std::optional<Bitmap> selected = m_host.select(m_state.currentMode, cancelled);
                // A zero-size selection ends the run like a cancel: there is no picture to save.
                if (cancelled || !selected || selected->empty()) {
                    result.cancelled = true;
                    return result;
                }
                bitmap = std::move(*selected);
                break;
            }
            case CaptureMode::FixedRegion:
                bitmap =
                    m_sources.CaptureRegion(IniFile(m_paths.settingsFile()), m_state.ssreccursor);
                break;
            case CaptureMode::Default:
            case CaptureMode::WholeScreen:
                // Whole screen; also the kind a run falls back to when no valid default kind is
                // stored (a missing or hand-edited settings/wct).
                m_sources.CaptureWholeScreen(bitmap, m_state.ssreccursor);
                break;
        }
    }
    // The scaling box counts as it is now, after the source; the values are the run's.
    if (m_state.cbenablescaling) {
        scaleCapture(bitmap, run);
    }
    if (run.watermark.enabled) {
        const auto& w = run.watermark;
        ApplyWatermark(bitmap, w.imageFile, w.top, w.left, w.transparent, w.direction,
                       w.horizontalUnit, w.verticalUnit);
    }
    if (onPicture) {
        onPicture(bitmap);
    }
    runOutputs(bitmap, result);
    return result;
}

void CapturePipeline::runOutputs(const Bitmap& bitmap, CaptureResult& result) {
    auto written = [&](std::vector<std::string> files) {
        for (std::string& file : files) {
            if (onFileWritten) {
                onFileWritten(file);
            }
            result.files.push_back(std::move(file));
        }
    };
    const OutputTargets& out = m_state.outputs;
    if (out.save && saveOverride) {
        written(saveOverride(bitmap));
    } else if (out.save) {
        SaveContext ctx{m_paths, m_state.jpegQuality, m_clock};
        if (auto path = SaveCaptureToFile(bitmap, formatOverride, "0", ctx)) {
            written({*path});
        }
    }
    if (out.clipboard) {
        written(m_outputs.copyToClipboard(bitmap));
    }
    if (out.paint) {
        written(m_outputs.openInPaint(bitmap));
    }
    if (out.ftp) {
        written(m_outputs.publishWeb(bitmap));
    }
    if (out.email) {
        written(m_outputs.sendEmail(bitmap));
    }
    if (m_state.cbopenineditor) {
        written(m_outputs.openInEditor(bitmap));
    }
}

}  // namespace pelko
