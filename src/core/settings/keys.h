#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// Every key of settings.ini, declared once: section, name, the default its readers pass when
// the key is absent, and the factory value "Set Settings To Default" writes. Keys whose main
// reader passes the value currently held in memory ("current") carry no fixed default.
// Factory values that depend on the program folder or the installed paint program are
// supplied by the code that writes them (see defaultsettings).
namespace pelko::keys {

struct StringKey {
    std::string_view section, name;
    std::string_view def;      // default of the readers that pass a fixed text
    std::string_view factory;  // written by defaultsettings (empty: computed or none)
};
struct IntKey {
    std::string_view section, name;
    std::int32_t def;      // default of the readers that pass a fixed value
    std::int32_t factory;  // written by defaultsettings, where it writes the key
};
struct BoolKey {
    std::string_view section, name;
    bool def;
    bool factory;
};

// [main]
inline constexpr BoolKey ssreccursor{"main", "ssreccursor", false, true};  // read with current
inline constexpr BoolKey runww{"main", "runww", true, true};
inline constexpr BoolKey runmm{"main", "runmm", false, false};
inline constexpr StringKey saveto{"main", "saveto", "", ""};  // factory "screens/" in ProgramDir
inline constexpr StringKey saveas{"main", "saveas", "bmp", "jpg"};
inline constexpr IntKey sshk{"main", "sshk", 120, 121};
inline constexpr StringKey skin{"main", "skin", "macos", "office2003"};
inline constexpr StringKey language{"main", "language", "", ""};  // read with current

// [general]
inline constexpr BoolKey minimizewc{"general", "minimizewc", true, false};
inline constexpr BoolKey useskins{"general", "useskins", false, true};
inline constexpr BoolKey openeditor{"general", "openeditor", false, true};  // read with current
inline constexpr BoolKey showhint{"general", "showhint", true, true};
inline constexpr StringKey exteditor{"general", "exteditor", "", ""};     // factory: paint program
inline constexpr IntKey screenbgcolor{"general", "screenbgcolor", 0, 0};  // read with current

// [settings]
inline constexpr IntKey wct{"settings", "wct", 0, 1};  // read with current
// Read with current; a stored 0, junk or no key at all means the factory quality.
inline constexpr IntKey jcq{"settings", "jcq", 0, 90};
inline constexpr StringKey screensfilename{"settings", "screensfilename", "", "<%DATE> at <%TIME>"};
inline constexpr BoolKey saveac{"settings", "saveac", false, true};  // read with current
inline constexpr BoolKey clipboardac{"settings", "clipboardac", false, false};
inline constexpr BoolKey paintac{"settings", "paintac", false, false};
// A fixed region never stored is the factory region, not a 1 x 1 pixel.
inline constexpr IntKey startx{"settings", "startx", 100, 100};
inline constexpr IntKey starty{"settings", "starty", 100, 100};
inline constexpr IntKey rwidth{"settings", "rwidth", 400, 400};
inline constexpr IntKey rheight{"settings", "rheight", 300, 300};
inline constexpr IntKey imgwidth{"settings", "imgwidth", 0, 100};
inline constexpr IntKey imgheight{"settings", "imgheight", 0, 100};
inline constexpr IntKey imgpercent{"settings", "imgpercent", 0, 1};
inline constexpr IntKey gifcomp{"settings", "gifcomp", 0, 1};  // the dialog reads it with 1

// [rightaftercapture]
inline constexpr BoolKey ftpac{"rightaftercapture", "ftpac", false, false};
inline constexpr BoolKey email{"rightaftercapture", "email", false, false};

// [watermark]
inline constexpr BoolKey watermarkEnable{"watermark", "enable", false, false};
inline constexpr BoolKey watermarkTransparent{"watermark", "transparent", true, false};
inline constexpr StringKey watermarkImagefile{"watermark", "imagefile", "", ""};  // ProgramDir
inline constexpr IntKey watermarkTop{"watermark", "top", 90, 90};
inline constexpr IntKey watermarkLeft{"watermark", "left", 90, 90};
inline constexpr IntKey watermarkDirection{"watermark", "direction", 1, 1};
inline constexpr IntKey watermarkHtype{"watermark", "htype", 0, 0};
inline constexpr IntKey watermarkVtype{"watermark", "vtype", 0, 0};

// [scaling]
inline constexpr BoolKey scalingEnable{"scaling", "enable", false, false};
inline constexpr IntKey scalingWidth{"scaling", "width", 100, 100};
inline constexpr IntKey scalingHeight{"scaling", "height", 100, 100};
inline constexpr IntKey scalingStype{"scaling", "stype", 1, 1};

// [format], [compression]: the choices of the output dialog's format page, not written by
// defaultsettings. The encoders take their values from settings/saveas, jcq and gifcomp.
inline constexpr IntKey formatFr{"format", "fr", 1, 1};
inline constexpr IntKey gifmethod{"compression", "gifmethod", 1, 1};
inline constexpr IntKey jpegquality{"compression", "jpegquality", 0, 0};  // written only

// [rotate]: the editor's rotate dialog starts from these; it hands its values on through
// editor.ini (see editor_keys.h). Not written by defaultsettings.
inline constexpr IntKey rotateAngle{"rotate", "angle", 0, 0};  // read with current
inline constexpr IntKey rotateRtype{"rotate", "rtype", 1, 1};

// [filename]
inline constexpr IntKey ssnum{"filename", "ssnum", 1, 1};

// [hotkeys]: slots 1 to 8; slot 0 is main/sshk.
inline constexpr std::array<IntKey, 8> hotkeySlots{{
    {"hotkeys", "fullscreen", 24646, 24646},    // Ctrl+Shift+F
    {"hotkeys", "activewindow", 24641, 24641},  // Ctrl+Shift+A
    {"hotkeys", "rectangle", 24658, 24658},     // Ctrl+Shift+R
    {"hotkeys", "ellipse", 24645, 24645},       // Ctrl+Shift+E
    {"hotkeys", "roundedrect", 24660, 24660},   // Ctrl+Shift+T
    {"hotkeys", "object", 24655, 24655},        // Ctrl+Shift+O
    {"hotkeys", "fixedrect", 24647, 24647},     // Ctrl+Shift+G
    {"hotkeys", "freehand", 24648, 24648},      // Ctrl+Shift+H
}};

// [annotate]: the editor's last annotation colour (0x00BBGGRR) and line width.
inline constexpr IntKey annotateColor{"annotate", "color", 0x1E1EE6, 0x1E1EE6};
inline constexpr IntKey annotateWidth{"annotate", "width", 3, 3};

// [notify]: whether a capture shows a desktop notice (0: none).
inline constexpr IntKey notifyEnabled{"notify", "enabled", 1, 1};

// [shortcuts]: whether the start-up message says again how to bind the captures in a desktop
// that binds global keys itself.
inline constexpr BoolKey bindinghint{"shortcuts", "bindinghint", true, true};

// The template every missing or empty template is repaired to.
inline constexpr std::string_view kDefaultTemplate = "<%DATE> at <%TIME>";

}  // namespace pelko::keys
