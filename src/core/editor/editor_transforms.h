#pragma once

#include <string>

#include "core/image/bitmap.h"
#include "core/settings/program_paths.h"

namespace pelko {

// The file through which the editor's transform dialogs hand their values to the editor.
inline std::string editorIniPath(const ProgramPaths& paths) {
    return paths.programDir + "/lib/editor.ini";
}

// The editor's transforms of the shown picture. Each reads its values back from editor.ini
// and works on a copy: the picture changes only when the whole transform succeeds, so an
// error leaves it as it was.
void scalePictureFromIni(Bitmap& picture, const std::string& editorIni);
void watermarkPictureFromIni(Bitmap& picture, const std::string& editorIni,
                             const std::string& defaultWatermark);
void rotatePictureFromIni(Bitmap& picture, const std::string& editorIni);

}  // namespace pelko
