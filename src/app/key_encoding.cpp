#include "app/key_encoding.hpp"

#include <algorithm>
#include <iterator>

namespace ovelin {

namespace {

enum class Form : unsigned char {
    Csi,    // ESC [ final; modified ESC [ 1 ; m final
    Tilde,  // ESC [ n ~;   modified ESC [ n ; m ~
    Ss3,    // ESC O final; modified ESC [ 1 ; m final
};

struct Key {
    unsigned vk;
    Form form;
    int code;  // the final byte, or n
};

constexpr Key kKeys[] = {
    {vk::UP, Form::Csi, 'A'},        {vk::DOWN, Form::Csi, 'B'},      {vk::RIGHT, Form::Csi, 'C'},
    {vk::LEFT, Form::Csi, 'D'},      {vk::HOME, Form::Csi, 'H'},      {vk::END, Form::Csi, 'F'},
    {vk::INSERT, Form::Tilde, 2},    {vk::DELETE_KEY, Form::Tilde, 3}, {vk::PRIOR, Form::Tilde, 5},
    {vk::NEXT, Form::Tilde, 6},      {vk::F1, Form::Ss3, 'P'},        {vk::F1 + 1, Form::Ss3, 'Q'},
    {vk::F1 + 2, Form::Ss3, 'R'},    {vk::F1 + 3, Form::Ss3, 'S'},    {vk::F1 + 4, Form::Tilde, 15},
    {vk::F1 + 5, Form::Tilde, 17},   {vk::F1 + 6, Form::Tilde, 18},   {vk::F1 + 7, Form::Tilde, 19},
    {vk::F1 + 8, Form::Tilde, 20},   {vk::F10, Form::Tilde, 21},      {vk::F1 + 10, Form::Tilde, 23},
    {vk::F12, Form::Tilde, 24},
};

}  // namespace

std::optional<std::string> key_sequence(unsigned virtual_key, Modifiers mods) {
    if (virtual_key == vk::TAB) return mods.shift ? std::optional<std::string>("\x1b[Z") : std::nullopt;
    const auto* key = std::find_if(std::begin(kKeys), std::end(kKeys), [&](const Key& k) { return k.vk == virtual_key; });
    if (key == std::end(kKeys)) return std::nullopt;
    const int m = 1 + (mods.shift ? 1 : 0) + (mods.alt ? 2 : 0) + (mods.ctrl ? 4 : 0);
    const std::string modifier = m == 1 ? "" : ";" + std::to_string(m);
    switch (key->form) {
        case Form::Csi: return "\x1b[" + (m == 1 ? "" : "1" + modifier) + static_cast<char>(key->code);
        case Form::Tilde: return "\x1b[" + std::to_string(key->code) + modifier + "~";
        case Form::Ss3: return m == 1 ? "\x1bO" + std::string(1, static_cast<char>(key->code))
                                      : "\x1b[1" + modifier + static_cast<char>(key->code);
    }
    return std::nullopt;
}

}  // namespace ovelin
