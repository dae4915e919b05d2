#include "ui/profile_editor.hpp"

#include <charconv>

#include "core/ids.hpp"
#include "proto/quote.hpp"
#include "proto/unicode.hpp"
#include "ui/palette.hpp"

namespace ovelin {

namespace {

constexpr std::array<KindRows, 4> KIND_ROWS{{
    {{"Command", "", "", "", ""}, false},
    {{"Host", "Port", "User", "Identity file", "Extra args"}, false},
    {{"Host", "Port", "User", "Domain", ""}, true},
    {{"Host", "Port", "Viewer path", "Extra args", ""}, false},
}};

std::string trimmed(std::string_view s) { return std::string(trim_white_space(s)); }

std::optional<std::string> optional_text(std::string_view s) {
    std::string t = trimmed(s);
    if (t.empty()) return std::nullopt;
    return t;
}

}  // namespace

const KindRows& kind_rows(int kind_index) {
    if (kind_index < 0 || kind_index >= static_cast<int>(KIND_ROWS.size())) kind_index = 0;
    return KIND_ROWS[static_cast<std::size_t>(kind_index)];
}

DialogLayout profile_editor_layout(bool editing) {
    using enum ControlKind;
    namespace id = profile_editor_ids;
    std::string kinds, colors = "Default";
    for (const char* k : KIND_NAMES) kinds += (kinds.empty() ? "" : "\n") + std::string(k);
    for (const char* c : palette::GROUP_NAMES) colors += "\n" + std::string(c);
    DialogLayout layout{editing ? "Edit profile" : "New profile", 422, 352, {}, id::NAME};
    auto& c = layout.controls;
    c.push_back({Label, 0, "Kind", 12, 16, 130, 20});
    c.push_back({DropDown, id::KIND, kinds, 150, 12, 260, 200});
    c.push_back({Label, 0, "Name", 12, 46, 130, 20});
    c.push_back({Edit, id::NAME, "", 150, 42, 260, 24, FIELD_LIMIT});
    c.push_back({Label, 0, "Group", 12, 76, 130, 20});
    c.push_back({Edit, id::GROUP, "", 150, 72, 260, 24, FIELD_LIMIT});
    c.push_back({Label, 0, "Color", 12, 106, 130, 20});
    c.push_back({DropDown, id::COLOR, colors, 150, 102, 260, 200});
    for (int i = 0; i < PROFILE_ROWS; ++i) {
        c.push_back({Label, id::ROW_LABEL + i, "", 12, 136 + 30 * i, 130, 20});
        // Row 1 is the port in every kind that shows it.
        c.push_back({Edit, id::ROW_EDIT + i, "", 150, 132 + 30 * i, 260, 24, i == 1 ? PORT_LIMIT : FIELD_LIMIT});
    }
    c.push_back({CheckBox, id::FULLSCREEN, "Fullscreen", 150, 282, 120, 24});
    c.push_back({CheckBox, id::ADMIN, "Admin session", 280, 282, 130, 24});
    c.push_back({Button, id::OK, "OK", 238, 312, 80, 28});
    c.push_back({Button, id::CANCEL, "Cancel", 326, 312, 84, 28});
    return layout;
}

ProfileForm fill_form(const ConnectionProfile* profile) {
    ProfileForm f;
    if (!profile) return f;
    f.kind = static_cast<int>(profile->kind.index());
    f.name = profile->name;
    f.group = profile->group.value_or("");
    // The bar draws a stored index modulo 8; the list shows the same colour
    // rather than nothing (which would save as garbage).
    f.color = profile->color ? *profile->color % 8 + 1 : 0;
    auto& r = f.rows;
    std::visit(
        [&](const auto& k) {
            using K = std::decay_t<decltype(k)>;
            if constexpr (std::is_same_v<K, LocalShell>) {
                r[0] = k.command;
            } else {
                r[0] = k.host;
                r[1] = std::to_string(k.port);
                if constexpr (std::is_same_v<K, Ssh>) {
                    r[2] = k.user.value_or("");
                    r[3] = k.identity_file.value_or("");
                    r[4] = join_arguments(k.extra_args);
                } else if constexpr (std::is_same_v<K, Rdp>) {
                    r[2] = k.user.value_or("");
                    r[3] = k.domain.value_or("");
                    f.fullscreen = k.fullscreen;
                    f.admin = k.admin;
                } else {
                    r[2] = k.viewer_path.value_or("");
                    r[3] = join_arguments(k.extra_args);
                }
            }
        },
        profile->kind);
    return f;
}

std::uint16_t read_port(std::string_view text, std::uint16_t fallback) {
    text = trim_white_space(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return fallback;
    unsigned long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return fallback;  // not all digits, or huge
    if (value == 0 || value > 65535) return fallback;
    return static_cast<std::uint16_t>(value);
}

std::expected<ConnectionProfile, std::string> save_form(const ProfileForm& form, const ConnectionProfile* editing) {
    ConnectionProfile p;
    p.name = trimmed(form.name);
    if (p.name.empty()) return std::unexpected("A profile name is required.");
    const int kind = form.kind >= 0 && form.kind < 4 ? form.kind : 0;
    const auto& r = form.rows;
    std::string first = trimmed(r[0]);
    if (kind == 0) {
        if (first.empty()) return std::unexpected("A shell command is required.");
        p.kind = LocalShell{first};
    } else {
        if (first.empty()) return std::unexpected("A host is required.");
        if (kind == 1)
            p.kind = Ssh{first, read_port(r[1], 22), optional_text(r[2]), optional_text(r[3]), split_arguments(r[4])};
        else if (kind == 2)
            p.kind = Rdp{first, read_port(r[1], 3389), optional_text(r[2]), optional_text(r[3]), form.fullscreen,
                         form.admin};
        else
            p.kind = Vnc{first, read_port(r[1], 5900), optional_text(r[2]), split_arguments(r[3])};
    }
    p.id = editing && !editing->id.empty() ? editing->id : new_id("p");
    p.group = optional_text(form.group);
    if (form.color > 0 && form.color <= 8) p.color = static_cast<std::uint8_t>(form.color - 1);
    return p;
}

}  // namespace ovelin
