#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/x11/connection.h"

namespace pelko::x11 {

// "pelko --edit FILE..." hands its files to the editor of a running tray program: the tray
// program owns the selection kEditorOwnerAtom while it runs, and the command appends the
// files' paths, each ended by a NUL byte, to the root window's property kEditRequestAtom,
// which the tray program reads and deletes in one request.
inline constexpr char kEditorOwnerAtom[] = "_PELKO_EDITOR";
inline constexpr char kEditRequestAtom[] = "_PELKO_EDIT_REQUEST";

// The command's side, on a connection of its own ($DISPLAY). Returns false, sending nothing,
// when no tray program runs on the display; throws pelko::Error when there is no display.
bool sendEditRequest(const std::vector<std::string>& paths);

// The tray program's side, on the application's connection.
class EditRequestWatch {
  public:
    explicit EditRequestWatch(const Connection& conn);
    ~EditRequestWatch();
    EditRequestWatch(const EditRequestWatch&) = delete;
    EditRequestWatch& operator=(const EditRequestWatch&) = delete;

    // For a new request: the paths it holds (taken off the display). Other events: none.
    std::optional<std::vector<std::string>> handleEvent(const xcb_generic_event_t* event) const;

  private:
    const Connection& m_conn;
    xcb_atom_t m_request = XCB_NONE;
    xcb_window_t m_owner = XCB_NONE;
};

}  // namespace pelko::x11
