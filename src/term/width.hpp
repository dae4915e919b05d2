#pragma once
// How many columns a code point takes, as the reference terminal counts
// them: 0 for combining and format characters, 2 for wide ones, -1 for
// C0 and C1 controls.

namespace ovelin::term {

int code_point_width(char32_t cp);
bool is_combining(char32_t cp);

}  // namespace ovelin::term
