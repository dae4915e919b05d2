#pragma once
// The exact bytes of the files a first start writes.

namespace ovelin::testing {

inline constexpr const char DEFAULT_SETTINGS_JSON[] = R"({
  "schema_version": 1,
  "close_to_tray": true,
  "restore_sessions_on_start": false,
  "track_history": true,
  "sync_mode": "local",
  "alias_trigger_tab": true,
  "autocomplete_history": true,
  "default_working_dir": null,
  "font": {
    "family": "SF Mono",
    "fallbacks": [
      "Menlo",
      "Monaco",
      "Cascadia Mono",
      "Consolas"
    ],
    "size_pt": 12.0
  },
  "keys": {
    "nav_modifier": "alt",
    "chrome_tab_keys": true
  },
  "remote": {
    "enabled": false,
    "bind_addr": "0.0.0.0:57420",
    "allow_control": false
  }
})";

inline constexpr const char DEFAULT_ALIASES_JSON[] = R"({
  "schema_version": 1,
  "aliases": [],
  "quick_keys": [
    {
      "chord": "Ctrl+Alt+R",
      "action": {
        "type": "rename_tab"
      }
    },
    {
      "chord": "Ctrl+Alt+H",
      "action": {
        "type": "show_help"
      }
    }
  ]
})";

}  // namespace ovelin::testing
