#include "core/records_json.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "core/json_reader.hpp"

namespace ovelin {

using json::Node;
using Json = nlohmann::ordered_json;

std::vector<QuickKey> default_quick_keys() {
    return {QuickKey{"Ctrl+Alt+R", RenameTab{}}, QuickKey{"Ctrl+Alt+H", ShowHelp{}}};
}

std::string float_text(float value) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    std::string s(buf, ec == std::errc() ? end : buf);
    if (std::isfinite(value) && s.find_first_of(".eE") == std::string::npos) s += ".0";
    return s;
}

namespace {

// ---------------------------------------------------------------- decoding --

struct DecodeError {
    std::string message;
};

std::string describe(const Node& n) {
    switch (n.kind) {
        case Node::Kind::Null: return "null";
        case Node::Kind::Bool: return std::string("boolean `") + (n.boolean ? "true" : "false") + "`";
        case Node::Kind::Int: return "integer `" + std::to_string(n.int_value) + "`";
        case Node::Kind::Uint: return "integer `" + std::to_string(n.uint_value) + "`";
        case Node::Kind::Float: return "floating point `" + n.text + "`";
        case Node::Kind::String: return "string " + Json(n.text).dump();
        case Node::Kind::Array: return "sequence";
        case Node::Kind::Object: return "map";
    }
    return "value";
}

class Decoder {
public:
    explicit Decoder(const json::Document& doc) : doc_(doc) {}

    [[noreturn]] void fail(const Node& at, const std::string& message) const {
        throw DecodeError{message + " at " + json::position_text(doc_.input, at.end_offset)};
    }
    [[noreturn]] void wrong_type(const Node& n, std::string_view expected) const {
        fail(n, "invalid type: " + describe(n) + ", expected " + std::string(expected));
    }

    const Node& object(const Node& n, std::string_view what) const {
        if (n.kind != Node::Kind::Object) wrong_type(n, what);
        return n;
    }
    const Node& required(const Node& obj, std::string_view key) const {
        const Node* v = obj.find(key);
        if (!v) fail(obj, "missing field `" + std::string(key) + "`");
        return *v;
    }

    std::string str(const Node& n) const {
        if (n.kind != Node::Kind::String) wrong_type(n, "a string");
        return n.text;
    }
    std::optional<std::string> opt_str(const Node* n) const {
        if (!n || n->kind == Node::Kind::Null) return std::nullopt;
        return str(*n);
    }
    bool boolean(const Node& n) const {
        if (n.kind != Node::Kind::Bool) wrong_type(n, "a boolean");
        return n.boolean;
    }
    bool boolean_or(const Node& obj, std::string_view key, bool absent) const {
        const Node* n = obj.find(key);
        return n ? boolean(*n) : absent;
    }

    template <class U>
    U uint(const Node& n, std::string_view name) const {
        const auto max = std::numeric_limits<U>::max();
        if (n.kind == Node::Kind::Int) {  // only negatives arrive here
            if (n.int_value < 0 || static_cast<std::uint64_t>(n.int_value) > max)
                fail(n, "invalid value: " + describe(n) + ", expected " + std::string(name));
            return static_cast<U>(n.int_value);
        }
        if (n.kind == Node::Kind::Uint) {
            if (n.uint_value > max)
                fail(n, "invalid value: " + describe(n) + ", expected " + std::string(name));
            return static_cast<U>(n.uint_value);
        }
        wrong_type(n, name);
    }
    template <class U>
    U uint_or(const Node& obj, std::string_view key, std::string_view name, U absent) const {
        const Node* n = obj.find(key);
        return n ? uint<U>(*n, name) : absent;
    }
    std::optional<std::uint8_t> opt_u8(const Node* n) const {
        if (!n || n->kind == Node::Kind::Null) return std::nullopt;
        return uint<std::uint8_t>(*n, "u8");
    }

    float f32(const Node& n) const {
        double d = 0;
        switch (n.kind) {
            case Node::Kind::Int: d = static_cast<double>(n.int_value); break;
            case Node::Kind::Uint: d = static_cast<double>(n.uint_value); break;
            case Node::Kind::Float: d = n.float_value; break;
            default: wrong_type(n, "f32");
        }
        // A value beyond f32 would be written back as a non-number and make
        // the file unreadable; refuse it here instead.
        float f = static_cast<float>(d);
        if (!std::isfinite(f)) fail(n, "invalid value: " + describe(n) + ", expected f32");
        return f;
    }

    std::vector<std::string> strings(const Node& n) const {
        if (n.kind != Node::Kind::Array) wrong_type(n, "a sequence");
        std::vector<std::string> out;
        out.reserve(n.items.size());
        for (const Node& item : n.items) out.push_back(str(item));
        return out;
    }
    std::vector<std::string> strings_or_empty(const Node& obj, std::string_view key) const {
        const Node* n = obj.find(key);
        return n ? strings(*n) : std::vector<std::string>{};
    }

    template <class T, class F>
    std::vector<T> list(const Node& n, F&& each) const {
        if (n.kind != Node::Kind::Array) wrong_type(n, "a sequence");
        std::vector<T> out;
        out.reserve(n.items.size());
        for (const Node& item : n.items) out.push_back(each(item));
        return out;
    }

    // The "type" tag of a tagged record, checked against the known names.
    std::size_t tag(const Node& obj, std::initializer_list<std::string_view> names) const {
        const Node& t = required(obj, "type");
        std::string name = str(t);
        std::size_t i = 0;
        for (std::string_view known : names) {
            if (known == name) return i;
            ++i;
        }
        std::string expected = names.size() > 2 ? "one of " : "";
        i = 0;
        for (std::string_view known : names) {
            if (i > 0) expected += names.size() == 2 ? " or " : ", ";
            expected += "`" + std::string(known) + "`";
            ++i;
        }
        fail(t, "unknown variant `" + name + "`, expected " + expected);
    }

private:
    const json::Document& doc_;
};

ProfileKind decode_kind(const Decoder& d, const Node& n) {
    d.object(n, "internally tagged enum ProfileKind");
    switch (d.tag(n, {"local_shell", "ssh", "rdp", "vnc"})) {
        case 0: return LocalShell{d.str(d.required(n, "command"))};
        case 1: {
            Ssh s;
            s.host = d.str(d.required(n, "host"));
            s.port = d.uint_or<std::uint16_t>(n, "port", "u16", 22);
            s.user = d.opt_str(n.find("user"));
            s.identity_file = d.opt_str(n.find("identity_file"));
            s.extra_args = d.strings_or_empty(n, "extra_args");
            return s;
        }
        case 2: {
            Rdp r;
            r.host = d.str(d.required(n, "host"));
            r.port = d.uint_or<std::uint16_t>(n, "port", "u16", 3389);
            r.user = d.opt_str(n.find("user"));
            r.domain = d.opt_str(n.find("domain"));
            r.fullscreen = d.boolean_or(n, "fullscreen", false);
            r.admin = d.boolean_or(n, "admin", false);
            return r;
        }
        default: {
            Vnc v;
            v.host = d.str(d.required(n, "host"));
            v.port = d.uint_or<std::uint16_t>(n, "port", "u16", 5900);
            v.viewer_path = d.opt_str(n.find("viewer_path"));
            v.extra_args = d.strings_or_empty(n, "extra_args");
            return v;
        }
    }
}

ConnectionProfile decode_profile(const Decoder& d, const Node& n) {
    d.object(n, "struct ConnectionProfile");
    ConnectionProfile p;
    p.id = d.str(d.required(n, "id"));
    p.name = d.str(d.required(n, "name"));
    p.kind = decode_kind(d, d.required(n, "kind"));
    p.group = d.opt_str(n.find("group"));
    p.color = d.opt_u8(n.find("color"));
    return p;
}

QuickAction decode_action(const Decoder& d, const Node& n) {
    d.object(n, "internally tagged enum QuickAction");
    switch (d.tag(n, {"open_profile", "send_text", "run_alias", "rename_tab", "show_help"})) {
        case 0: return OpenProfile{d.str(d.required(n, "profile_id"))};
        case 1: return SendText{d.str(d.required(n, "text"))};
        case 2: return RunAlias{d.str(d.required(n, "alias"))};
        case 3: return RenameTab{};
        default: return ShowHelp{};
    }
}

template <class T>
T decode(const Decoder& d, const Node& n);

template <>
ProfilesFile decode(const Decoder& d, const Node& n) {
    d.object(n, "struct ProfilesFile");
    ProfilesFile f;
    f.schema_version = d.uint<std::uint32_t>(d.required(n, "schema_version"), "u32");
    f.profiles = d.list<ConnectionProfile>(d.required(n, "profiles"),
                                           [&](const Node& p) { return decode_profile(d, p); });
    return f;
}

template <>
AliasesFile decode(const Decoder& d, const Node& n) {
    d.object(n, "struct AliasesFile");
    AliasesFile f;
    f.schema_version = d.uint<std::uint32_t>(d.required(n, "schema_version"), "u32");
    if (const Node* a = n.find("aliases"))
        f.aliases = d.list<Alias>(*a, [&](const Node& e) {
            d.object(e, "struct Alias");
            return Alias{d.str(d.required(e, "name")), d.str(d.required(e, "expansion")),
                         d.boolean_or(e, "send_enter", false)};
        });
    if (const Node* q = n.find("quick_keys"))
        f.quick_keys = d.list<QuickKey>(*q, [&](const Node& e) {
            d.object(e, "struct QuickKey");
            return QuickKey{d.str(d.required(e, "chord")), decode_action(d, d.required(e, "action"))};
        });
    return f;
}

template <>
Settings decode(const Decoder& d, const Node& n) {
    d.object(n, "struct Settings");
    Settings s;
    s.schema_version = d.uint_or<std::uint32_t>(n, "schema_version", "u32", 0);
    s.close_to_tray = d.boolean(d.required(n, "close_to_tray"));
    s.restore_sessions_on_start = d.boolean(d.required(n, "restore_sessions_on_start"));
    s.track_history = d.boolean(d.required(n, "track_history"));
    {
        const Node& m = d.required(n, "sync_mode");
        if (m.kind != Node::Kind::String) d.wrong_type(m, "enum SyncMode");
        if (m.text == "local")
            s.sync_mode = SyncMode::Local;
        else if (m.text == "cloud")
            s.sync_mode = SyncMode::Cloud;
        else
            d.fail(m, "unknown variant `" + m.text + "`, expected `local` or `cloud`");
    }
    s.alias_trigger_tab = d.boolean_or(n, "alias_trigger_tab", false);
    s.autocomplete_history = d.boolean_or(n, "autocomplete_history", true);
    s.default_working_dir = d.opt_str(n.find("default_working_dir"));
    if (const Node* f = n.find("font")) {
        d.object(*f, "struct FontSettings");
        if (const Node* v = f->find("family")) s.font.family = d.opt_str(v);
        if (const Node* v = f->find("fallbacks")) s.font.fallbacks = d.strings(*v);
        if (const Node* v = f->find("size_pt")) s.font.size_pt = d.f32(*v);
    }
    if (const Node* k = n.find("keys")) {
        d.object(*k, "struct KeySettings");
        if (const Node* v = k->find("nav_modifier")) s.keys.nav_modifier = d.str(*v);
        s.keys.chrome_tab_keys = d.boolean_or(*k, "chrome_tab_keys", true);
    }
    if (const Node* r = n.find("remote")) {
        d.object(*r, "struct RemoteSettings");
        s.remote.enabled = d.boolean_or(*r, "enabled", false);
        if (const Node* v = r->find("bind_addr")) s.remote.bind_addr = d.str(*v);
        s.remote.allow_control = d.boolean_or(*r, "allow_control", false);
    }
    return s;
}

template <>
SessionsFile decode(const Decoder& d, const Node& n) {
    d.object(n, "struct SessionsFile");
    SessionsFile f;
    f.schema_version = d.uint<std::uint32_t>(d.required(n, "schema_version"), "u32");
    f.sessions = d.list<SessionRecord>(d.required(n, "sessions"), [&](const Node& e) {
        d.object(e, "struct SessionRecord");
        SessionRecord r;
        r.id = d.str(d.required(e, "id"));
        r.profile_id = d.opt_str(e.find("profile_id"));
        r.title = d.opt_str(e.find("title"));
        r.group = d.opt_str(e.find("group"));
        r.color = d.opt_u8(e.find("color"));
        return r;
    });
    return f;
}

template <>
HistoryEntry decode(const Decoder& d, const Node& n) {
    d.object(n, "struct HistoryEntry");
    return HistoryEntry{d.uint<std::uint64_t>(d.required(n, "ts"), "u64"),
                        d.str(d.required(n, "line"))};
}

// ---------------------------------------------------------------- encoding --

Json opt(const std::optional<std::string>& v) { return v ? Json(*v) : Json(nullptr); }
Json opt(const std::optional<std::uint8_t>& v) { return v ? Json(*v) : Json(nullptr); }
Json strings(const std::vector<std::string>& v) {
    Json a = Json::array();
    for (const auto& s : v) a.push_back(s);
    return a;
}

Json encode(const ProfileKind& kind) {
    Json j = Json::object();
    std::visit(
        [&](const auto& k) {
            using K = std::decay_t<decltype(k)>;
            if constexpr (std::is_same_v<K, LocalShell>) {
                j["type"] = "local_shell";
                j["command"] = k.command;
            } else if constexpr (std::is_same_v<K, Ssh>) {
                j["type"] = "ssh";
                j["host"] = k.host;
                j["port"] = k.port;
                j["user"] = opt(k.user);
                j["identity_file"] = opt(k.identity_file);
                j["extra_args"] = strings(k.extra_args);
            } else if constexpr (std::is_same_v<K, Rdp>) {
                j["type"] = "rdp";
                j["host"] = k.host;
                j["port"] = k.port;
                j["user"] = opt(k.user);
                j["domain"] = opt(k.domain);
                j["fullscreen"] = k.fullscreen;
                j["admin"] = k.admin;
            } else {
                j["type"] = "vnc";
                j["host"] = k.host;
                j["port"] = k.port;
                j["viewer_path"] = opt(k.viewer_path);
                j["extra_args"] = strings(k.extra_args);
            }
        },
        kind);
    return j;
}

Json encode(const QuickAction& action) {
    Json j = Json::object();
    std::visit(
        [&](const auto& a) {
            using A = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<A, OpenProfile>) {
                j["type"] = "open_profile";
                j["profile_id"] = a.profile_id;
            } else if constexpr (std::is_same_v<A, SendText>) {
                j["type"] = "send_text";
                j["text"] = a.text;
            } else if constexpr (std::is_same_v<A, RunAlias>) {
                j["type"] = "run_alias";
                j["alias"] = a.alias;
            } else if constexpr (std::is_same_v<A, RenameTab>) {
                j["type"] = "rename_tab";
            } else {
                j["type"] = "show_help";
            }
        },
        action);
    return j;
}

Json encode(const ProfilesFile& f) {
    Json j = Json::object();
    j["schema_version"] = f.schema_version;
    Json list = Json::array();
    for (const ConnectionProfile& p : f.profiles) {
        Json e = Json::object();
        e["id"] = p.id;
        e["name"] = p.name;
        e["kind"] = encode(p.kind);
        e["group"] = opt(p.group);
        e["color"] = opt(p.color);
        list.push_back(std::move(e));
    }
    j["profiles"] = std::move(list);
    return j;
}

Json encode(const AliasesFile& f) {
    Json j = Json::object();
    j["schema_version"] = f.schema_version;
    Json aliases = Json::array();
    for (const Alias& a : f.aliases) {
        Json e = Json::object();
        e["name"] = a.name;
        e["expansion"] = a.expansion;
        e["send_enter"] = a.send_enter;
        aliases.push_back(std::move(e));
    }
    j["aliases"] = std::move(aliases);
    Json keys = Json::array();
    for (const QuickKey& q : f.quick_keys) {
        Json e = Json::object();
        e["chord"] = q.chord;
        e["action"] = encode(q.action);
        keys.push_back(std::move(e));
    }
    j["quick_keys"] = std::move(keys);
    return j;
}

Json encode(const Settings& s) {
    Json j = Json::object();
    j["schema_version"] = s.schema_version;
    j["close_to_tray"] = s.close_to_tray;
    j["restore_sessions_on_start"] = s.restore_sessions_on_start;
    j["track_history"] = s.track_history;
    j["sync_mode"] = s.sync_mode == SyncMode::Cloud ? "cloud" : "local";
    j["alias_trigger_tab"] = s.alias_trigger_tab;
    j["autocomplete_history"] = s.autocomplete_history;
    j["default_working_dir"] = opt(s.default_working_dir);
    Json font = Json::object();
    font["family"] = opt(s.font.family);
    font["fallbacks"] = strings(s.font.fallbacks);
    // Through the shortest float text so 11.1 is written as 11.1, not as the
    // double nearest the float (11.100000381469727).
    double size = 0;
    const std::string size_text = float_text(s.font.size_pt);
    std::from_chars(size_text.data(), size_text.data() + size_text.size(), size);
    font["size_pt"] = size;
    j["font"] = std::move(font);
    Json keys = Json::object();
    keys["nav_modifier"] = s.keys.nav_modifier;
    keys["chrome_tab_keys"] = s.keys.chrome_tab_keys;
    j["keys"] = std::move(keys);
    Json remote = Json::object();
    remote["enabled"] = s.remote.enabled;
    remote["bind_addr"] = s.remote.bind_addr;
    remote["allow_control"] = s.remote.allow_control;
    j["remote"] = std::move(remote);
    return j;
}

Json encode(const SessionsFile& f) {
    Json j = Json::object();
    j["schema_version"] = f.schema_version;
    Json list = Json::array();
    for (const SessionRecord& r : f.sessions) {
        Json e = Json::object();
        e["id"] = r.id;
        e["profile_id"] = opt(r.profile_id);
        e["title"] = opt(r.title);
        e["group"] = opt(r.group);
        e["color"] = opt(r.color);
        list.push_back(std::move(e));
    }
    j["sessions"] = std::move(list);
    return j;
}

Json encode(const HistoryEntry& h) {
    Json j = Json::object();
    j["ts"] = h.ts;
    j["line"] = h.line;
    return j;
}

std::expected<std::string, std::string> dump(const Json& j, int indent) {
    try {
        return j.dump(indent);
    } catch (const std::exception& ex) {
        std::string what = ex.what();
        if (auto close = what.find("] "); what.starts_with("[json.exception.") && close != std::string::npos)
            what.erase(0, close + 2);
        return std::unexpected(std::move(what));
    }
}

}  // namespace

template <class T>
std::expected<T, std::string> parse_record(std::string_view text) {
    auto doc = json::parse(text);
    if (!doc) return std::unexpected(std::move(doc.error()));
    try {
        return decode<T>(Decoder(*doc), doc->root);
    } catch (const DecodeError& e) {
        return std::unexpected(e.message);
    }
}

template <class T>
std::expected<std::string, std::string> to_pretty_json(const T& record) {
    return dump(encode(record), 2);
}

std::expected<std::string, std::string> to_compact_json(const HistoryEntry& entry) {
    return dump(encode(entry), -1);
}

template std::expected<Settings, std::string> parse_record<Settings>(std::string_view);
template std::expected<ProfilesFile, std::string> parse_record<ProfilesFile>(std::string_view);
template std::expected<AliasesFile, std::string> parse_record<AliasesFile>(std::string_view);
template std::expected<SessionsFile, std::string> parse_record<SessionsFile>(std::string_view);
template std::expected<HistoryEntry, std::string> parse_record<HistoryEntry>(std::string_view);
template std::expected<std::string, std::string> to_pretty_json<Settings>(const Settings&);
template std::expected<std::string, std::string> to_pretty_json<ProfilesFile>(const ProfilesFile&);
template std::expected<std::string, std::string> to_pretty_json<AliasesFile>(const AliasesFile&);
template std::expected<std::string, std::string> to_pretty_json<SessionsFile>(const SessionsFile&);

}  // namespace ovelin
