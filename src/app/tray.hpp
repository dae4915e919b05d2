#pragma once
// The notification-area icon's menu: show the window, the three settings
// toggles, the product page, the settings folder and Quit.

#include "app/app.hpp"
#include "app/host.hpp"
#include "ui/menu.hpp"

namespace ovelin::tray_id {
inline constexpr int SHOW = 1000;
inline constexpr int CLOSE_TO_TRAY = 1001;
inline constexpr int QUIT = 1002;
inline constexpr int RESTORE_SESSIONS = 1003;
inline constexpr int TRACK_HISTORY = 1006;
inline constexpr int CHECK_UPDATES = 1007;
inline constexpr int OPEN_SETTINGS_FOLDER = 1008;
}  // namespace ovelin::tray_id

namespace ovelin {

// Where "Check for updates…" leads (also named in the README).
inline constexpr const char* PRODUCT_PAGE = "https://github.com/ovelin/ovelin/releases";

Menu build_tray_menu(const App& app);

// The icon's right-button release or context-menu notification: shows the
// menu at the pointer and carries out the choice.
void open_tray_menu(AppCell& cell, Host& host);

}  // namespace ovelin
