#pragma once
// A JSON document with the input position of every value, so that record
// decoding can say where a missing field or a wrong type is. Parsing is
// nlohmann/json's; a key given twice in one object is refused, and so is
// nesting deeper than MAX_DEPTH, which keeps every tree shallow enough to
// build, walk and destroy on any thread's stack.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace ovelin::json {

// Arrays and objects inside one another; no record comes near it.
inline constexpr std::size_t MAX_DEPTH = 64;

struct Member;

struct Node {
    enum class Kind : std::uint8_t { Null, Bool, Int, Uint, Float, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::int64_t int_value = 0;
    std::uint64_t uint_value = 0;
    double float_value = 0.0;
    std::string text;  // string value, or the literal text of a float
    std::vector<Node> items;
    std::vector<Member> members;
    std::size_t end_offset = 0;  // input offset just past the value

    const Node* find(std::string_view key) const;
};

struct Member {
    std::string key;
    Node value;
};

struct Document {
    Node root;
    std::string input;  // kept to turn offsets into line and column
};

// The error text names the line and column. `input` is copied.
std::expected<Document, std::string> parse(std::string_view input);

// "line L column C" for an offset into `input` (1-based, as people count).
std::string position_text(std::string_view input, std::size_t offset);

}  // namespace ovelin::json
