#include "ui/prompt.hpp"

#include "proto/unicode.hpp"

namespace ovelin {

DialogLayout prompt_layout(std::string title, std::string label, std::string initial) {
    using enum ControlKind;
    return {std::move(title),
            420,
            112,
            {
                {Label, 0, std::move(label), 12, 12, 396, 20},
                {Edit, prompt_ids::EDIT, std::move(initial), 12, 36, 396, 24},
                {Button, prompt_ids::OK, "OK", 244, 72, 80, 28},
                {Button, prompt_ids::CANCEL, "Cancel", 332, 72, 76, 28},
            },
            prompt_ids::EDIT};
}

std::optional<std::string> prompt_answer(std::string_view typed) {
    std::string_view t = trim_white_space(typed);
    if (t.empty()) return std::nullopt;
    return std::string(t);
}

}  // namespace ovelin
