#include "app/save_output.hpp"

#include <algorithm>
#include <mutex>

#include "app/tab_label.hpp"
#include "core/platform.hpp"

namespace ovelin {

namespace {

bool reserved_device(std::string_view name) {
    // CON, PRN, AUX, NUL, COM1-9 and LPT1-9, whatever follows a dot.
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' &&
           stem[3] <= '9';
}

}  // namespace

std::string output_file_name(std::string_view label) {
    std::string name;
    for (char c : label) {
        const auto u = static_cast<unsigned char>(c);
        name += (u < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) ? '_' : c;
    }
    // Windows drops trailing dots and spaces; leading spaces only get in the way.
    const std::size_t begin = name.find_first_not_of(' ');
    name = begin == std::string::npos ? std::string() : name.substr(begin);
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    // A long label is cut at a character's start, well short of the path limit.
    if (name.size() > 120) {
        std::size_t cut = 120;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    if (name.empty()) name = "output";
    if (reserved_device(name)) name = "_" + name;
    return name + ".txt";
}

std::string output_text(const Screen& screen) {
    const std::string text = screen.history_text();
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    if (!out.empty()) out += "\r\n";
    return out;
}

std::error_code write_output(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::path temp = path;
    temp += ".tmp";
    std::error_code ec;
    {
        auto held = platform::HeldTemp::acquire(temp);
        if (!held) return held.error();
        ec = held->write(bytes);
        if (!ec) ec = held->replace(path);
    }
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);  // nothing is left half written
    }
    return ec;
}

void save_output(AppCell& cell, Host& host, std::uint64_t session_id) {
    std::string name;
    {
        auto app = cell.take();
        const Session* s = app->find_session(session_id);
        if (!s) return;
        name = output_file_name(session_title(*s));  // without the marks the bar adds
    }
    const std::optional<std::string> path = host.save_file_dialog(name);
    if (!path) return;
    std::string bytes;
    {
        auto app = cell.take();
        const Session* s = app->find_session(session_id);
        if (!s) return;  // closed while the dialog was open
        LockedScreen& locked = *s->pty->screen();
        std::lock_guard lock(locked.mutex);
        bytes = output_text(locked.screen);
    }
    if (std::error_code ec = write_output(platform::utf8_path(*path), bytes))
        host.show_error("Could not save the output to " + *path + ": " + ec.message());
}

}  // namespace ovelin
