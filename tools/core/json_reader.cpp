// encode: JSON in the shape decode writes, read as a stream of events and written as text.
// The kind's own members and elements go to its encoder (kinds.cpp).
#include <algorithm>
#include <optional>

#include "kind_encoder.h"

namespace dstypes {

namespace {

[[noreturn]] void badSyntax(std::size_t position, const nlohmann::detail::exception& e) {
    std::string what = e.what();  // "[json.exception...] parse error at line 2, column 1: ..."
    const std::size_t at = what.find("at line ");
    what = at != std::string::npos ? what.substr(at + 3) : what.substr(what.find("] ") + 2);
    throw BadInput("bad JSON at byte " + std::to_string(position ? position - 1 : 0) + ", " + what);
}

// The string that the top object holds in its member "kind", read as far as that member.
class KindFinder : public nlohmann::json_sax<Json> {
public:
    std::optional<std::string> kind;
    bool found = false;  // the member, of any type

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t& v) override {
        if (depth_ == 1 && atKind_) kind = v;
        return value();
    }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override { return value(), ++depth_, true; }
    bool start_array(std::size_t) override { return value(), ++depth_, true; }
    bool end_object() override { return --depth_, true; }
    bool end_array() override { return --depth_, true; }
    bool key(string_t& k) override {
        atKind_ = depth_ == 1 && k == "kind";
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override {
        badSyntax(position, e);
    }

private:
    bool value() {  // false stops the parser once the member is read
        found = found || (depth_ == 1 && atKind_);
        return !found;
    }
    std::size_t depth_ = 0;
    bool atKind_ = false;
};

// Events of the JSON parser, turned into the text form as they come. The members of the top
// object are taken one by one; each element of its one big array (a group, a record, a
// value) is first built as a small tree of its own, then encoded and dropped. Memory holds
// one element at a time, whatever the size of the input, and nesting deeper than any valid
// shape is refused at once.
class Encoder : public nlohmann::json_sax<Json> {
public:
    Encoder(const Kind& kind, Output& out)
        : kindName_(kind.name), out_(out), arrayKey_(kind.arrayKey), encoder_(kind.encoder()) {}

    bool null() override { return deliver(Json()); }
    bool boolean(bool v) override { return deliver(Json(v)); }
    bool number_integer(number_integer_t v) override { return deliver(Json(v)); }
    bool number_unsigned(number_unsigned_t v) override { return deliver(Json(v)); }
    bool number_float(number_float_t v, const string_t& text) override {
        // An integer beyond 64 bits arrives here: it is out of range, not a fraction.
        return deliver(text.find_first_of(".eE") == string_t::npos ? Json(Json::value_t::discarded) : Json(v));
    }
    bool string(string_t& v) override { return deliver(Json(std::move(v))); }
    bool binary(binary_t&) override { return deliver(Json()); }
    bool start_object(std::size_t) override { return open(Json::object()); }
    bool start_array(std::size_t) override { return open(Json::array()); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& k) override {
        Level& level = levels_.back();
        // The members so far: the tree's own, or for the top object those listed in `keys`.
        const bool top = levels_.size() == 1;
        const bool seen =
            top ? std::find(level.keys.begin(), level.keys.end(), k) != level.keys.end() : level.tree.contains(k);
        if (seen) badJson(path(levels_.size() - 1) + "/" + k, "duplicate key");
        if ((top ? level.keys.size() : level.tree.size()) == kMaxMembers)
            badJson(path(levels_.size() - 1) + "/" + k, "too many members");
        if (top) level.keys.push_back(k);
        level.key = std::move(k);
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override {
        badSyntax(position, e);
    }

    // After the whole document: what is still to write, or missing.
    void finish() {
        std::string text;
        encoder_->finish(arraySeen_, text);
        out_.write(text);
    }

private:
    // The deepest valid shape of any kind, and one member more than any valid object has, so
    // that the first member too many is named as unknown rather than as one too many.
    static std::size_t limit(std::size_t Kind::*field, std::size_t extra) {
        std::size_t most = 0;
        for (const Kind* kind : kKinds) most = std::max(most, kind->*field);
        return most + extra;
    }
    inline static const std::size_t kMaxDepth = limit(&Kind::jsonDepth, 0);
    inline static const std::size_t kMaxMembers = limit(&Kind::jsonMembers, 1);

    struct Level {
        Json tree;  // the value being built (unused for the top object and the big array)
        bool big = false;
        std::vector<std::string> keys;  // the top object's members so far (at most kMaxMembers)
        std::string key;
        std::size_t index = 0;
    };

    // Where the parser is, as a JSON pointer: the selections of the outermost `depth` levels.
    std::string path(std::size_t depth = SIZE_MAX) const {
        std::string p;
        for (std::size_t i = 0; i < levels_.size() && i < depth; ++i) {
            const Level& l = levels_[i];
            p += "/" + (l.big || l.tree.is_array() ? std::to_string(l.index) : l.key);
        }
        return p;
    }

    bool open(Json container) {
        if (levels_.empty() && !container.is_object()) badJson("", "expected an object");
        if (levels_.size() >= kMaxDepth) badJson(path(), "nested too deeply");
        const bool big =
            levels_.size() == 1 && !arrayKey_.empty() && levels_[0].key == arrayKey_ && container.is_array();
        arraySeen_ = arraySeen_ || big;
        levels_.push_back(Level{std::move(container), big, {}, {}, 0});
        return true;
    }

    bool close() {
        Level done = std::move(levels_.back());
        levels_.pop_back();
        return levels_.empty() || done.big || deliver(std::move(done.tree));
    }

    // A finished value: a member of the top object, an element of the big array, or a part
    // of the element being built.
    bool deliver(Json value) {
        if (levels_.empty()) badJson("", "expected an object");
        Level& parent = levels_.back();
        if (levels_.size() == 1)
            member(parent.key, value);
        else if (parent.big)
            element(value, path());
        else if (parent.tree.is_array())
            parent.tree.push_back(std::move(value));
        else
            parent.tree[parent.key] = std::move(value);
        if (parent.big || parent.tree.is_array()) ++parent.index;
        return true;
    }

    // A member of the top object other than the big array.
    void member(const std::string& k, const Json& value) {
        const std::string at = "/" + k;
        if (k == "kind") {  // only the kind's own name, never a number or another type
            if (!value.is_string() || value.get_ref<const std::string&>() != kindName_)
                badJson(at, "expected \"" + kindName_ + "\"");
            return;
        }
        if (!encoder_->member(k, value, at))
            badJson(at, !arrayKey_.empty() && k == arrayKey_ ? "expected an array" : "unknown member for " + kindName_);
    }

    // One element of the big array, encoded now.
    void element(const Json& e, const std::string& at) {
        std::string text;
        encoder_->element(e, at, text);
        out_.write(text);
    }

    const std::string kindName_;
    Output& out_;
    const std::string_view arrayKey_;
    const std::unique_ptr<KindEncoder> encoder_;
    std::vector<Level> levels_;
    bool arraySeen_ = false;
};

}  // namespace

const Kind& kindOfJson(std::string_view json) {
    KindFinder finder;
    Json::sax_parse(json.begin(), json.end(), &finder);
    if (!finder.found) badJson("/kind", "missing: give the kind on the command line, or a \"kind\" member");
    const Kind* kind = finder.kind ? kindNamed(*finder.kind) : nullptr;
    if (!kind) {
        std::string names;
        for (const Kind* k : kKinds) names += (names.empty() ? "" : ", ") + std::string(k->name);
        badJson("/kind", "expected the name of a kind: " + names);
    }
    return *kind;
}

void encode(std::string_view json, const Kind& kind, Output& out) {
    Encoder encoder(kind, out);
    Json::sax_parse(json.begin(), json.end(), &encoder);
    encoder.finish();
}

}  // namespace dstypes
