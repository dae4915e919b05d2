#include "core/json_reader.hpp"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>
#include <unordered_set>

namespace ovelin::json {

const Node* Node::find(std::string_view key) const {
    for (const Member& m : members)
        if (m.key == key) return &m.value;
    return nullptr;
}

std::string position_text(std::string_view input, std::size_t offset) {
    offset = std::min(offset, input.size());
    std::size_t line = 1, column = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (input[i] == '\n') {
            ++line;
            column = 0;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + " column " + std::to_string(column);
}

namespace {

// Reports how far the parser has read, so values can carry their position.
struct CountingIterator {
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    const char* at = nullptr;
    const char* base = nullptr;
    std::size_t* consumed = nullptr;

    reference operator*() const { return *at; }
    CountingIterator& operator++() {
        ++at;
        *consumed = static_cast<std::size_t>(at - base);
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator old = *this;
        ++*this;
        return old;
    }
    bool operator==(const CountingIterator& other) const { return at == other.at; }
};

class Builder {
public:
    using json = nlohmann::json;

    explicit Builder(const std::size_t* consumed) : consumed_(consumed) {}

    bool null() { return put(Node{}); }
    bool boolean(bool v) {
        Node n;
        n.kind = Node::Kind::Bool;
        n.boolean = v;
        return put(std::move(n));
    }
    bool number_integer(json::number_integer_t v) {
        Node n;
        n.kind = Node::Kind::Int;
        n.int_value = v;
        return put(std::move(n));
    }
    bool number_unsigned(json::number_unsigned_t v) {
        Node n;
        n.kind = Node::Kind::Uint;
        n.uint_value = v;
        return put(std::move(n));
    }
    bool number_float(json::number_float_t v, const json::string_t& literal) {
        Node n;
        n.kind = Node::Kind::Float;
        n.float_value = v;
        n.text = literal;
        return put(std::move(n));
    }
    bool string(json::string_t& v) {
        Node n;
        n.kind = Node::Kind::String;
        n.text = std::move(v);
        return put(std::move(n));
    }
    bool binary(json::binary_t&) { return fail("binary values are not JSON"); }

    bool start_object(std::size_t) {
        if (too_deep()) return false;
        Frame f;
        f.node.kind = Node::Kind::Object;
        stack_.push_back(std::move(f));
        return true;
    }
    bool key(json::string_t& k) {
        Frame& f = stack_.back();
        if (!f.keys.insert(k).second)
            return fail("duplicate field `" + k + "` at " + here());
        f.pending_key = std::move(k);
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) {
        if (too_deep()) return false;
        Frame f;
        f.node.kind = Node::Kind::Array;
        stack_.push_back(std::move(f));
        return true;
    }
    bool end_array() { return close(); }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) {
        // "[json.exception.parse_error.101] parse error at line 1, column 2: ..."
        std::string what = ex.what();
        if (auto close_bracket = what.find("] "); what.starts_with("[json.exception.") &&
                                                 close_bracket != std::string::npos)
            what.erase(0, close_bracket + 2);
        error_ = std::move(what);
        return false;
    }

    std::string_view input;  // for position texts

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    Node take_root() { return std::move(root_); }

private:
    struct Frame {
        Node node;
        std::string pending_key;
        std::unordered_set<std::string> keys;
    };

    std::string here() const { return position_text(input, *consumed_); }

    // Called as a container opens: the parser has read its bracket.
    bool too_deep() {
        if (stack_.size() < MAX_DEPTH) return false;
        fail("nesting deeper than " + std::to_string(MAX_DEPTH) + " levels at " + here());
        return true;
    }

    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    bool put(Node n) {
        n.end_offset = *consumed_;
        if (stack_.empty()) {
            root_ = std::move(n);
            return true;
        }
        Frame& f = stack_.back();
        if (f.node.kind == Node::Kind::Object)
            f.node.members.push_back(Member{std::move(f.pending_key), std::move(n)});
        else
            f.node.items.push_back(std::move(n));
        return true;
    }

    bool close() {
        Node n = std::move(stack_.back().node);
        stack_.pop_back();
        return put(std::move(n));
    }

    const std::size_t* consumed_;
    std::vector<Frame> stack_;
    Node root_;
    std::string error_;
};

}  // namespace

std::expected<Document, std::string> parse(std::string_view input) {
    Document doc;
    doc.input.assign(input);
    std::size_t consumed = 0;
    Builder builder(&consumed);
    builder.input = doc.input;
    const char* base = doc.input.data();
    CountingIterator first{base, base, &consumed};
    CountingIterator last{base + doc.input.size(), base, &consumed};
    bool ok = false;
    try {
        ok = nlohmann::json::sax_parse(first, last, &builder);
    } catch (const std::exception& ex) {
        return std::unexpected(std::string(ex.what()));
    }
    if (!ok || builder.failed())
        return std::unexpected(builder.failed() ? builder.error() : std::string("invalid JSON"));
    doc.root = builder.take_root();
    return doc;
}

}  // namespace ovelin::json
