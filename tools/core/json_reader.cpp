// encode: JSON in the shape decode writes, read as a stream of events and written as text.
// With json_values.cpp, the one part of the core that needs nlohmann-json.
#include <algorithm>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"
#include "WireFormat.h"
#include "json_values.h"

namespace dstypes {

namespace {

// The member of the top object that holds the kind's one big array, if it has one.
std::string_view arrayKey(Kind kind) {
    std::string_view key;
    switch (kind) {
        case Kind::GroupList: key = "groups"; break;
        case Kind::SearchResults: key = "records"; break;
        case Kind::Values: key = "values"; break;
        case Kind::Group:
        case Kind::Dimensions: break;
    }
    return key;
}

// Events of the JSON parser, turned into the text form as they come. The members of the top
// object are taken one by one; each element of its one big array (a group, a record, a
// value) is first built as a small tree of its own, then encoded and dropped. Memory holds
// one element at a time, whatever the size of the input, and nesting deeper than any valid
// shape is refused at once.
class Encoder : public nlohmann::json_sax<Json> {
public:
    Encoder(Kind kind, Output& out) : kind_(kind), kindName_(kindName(kind)), out_(out), arrayKey_(arrayKey(kind)) {}

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
        std::string what = e.what();  // "[json.exception...] parse error at line 2, column 1: ..."
        const std::size_t at = what.find("at line ");
        what = at != std::string::npos ? what.substr(at + 3) : what.substr(what.find("] ") + 2);
        throw BadInput("bad JSON at byte " + std::to_string(position ? position - 1 : 0) + ", " + what);
    }

    // After the whole document: what is still to write, or missing.
    void finish() {
        switch (kind_) {
            case Kind::GroupList: {
                if (groups_.size() != dst::kSlots) badJson("/groups", arraySeen_ ? kTableSize : "missing");
                std::string text = header_ ? *header_ + ":" : std::string(dst::kTableHeader);
                Serializer::serialize(text, dst::kSlots);
                for (const auto& [name, ringTone] : groups_)
                    Serializer::serialize(text, name, false), Serializer::serialize(text, ringTone, false);
                out_.write(text);
                break;
            }
            case Kind::Group:
                if (!name_ || !ringTone_) badJson(name_ ? "/ringTone" : "/name", "missing");
                out_.write((header_ ? *header_ + ":" : "") + PhonebookGroup(0, *name_, *ringTone_).serialize());
                break;
            case Kind::Dimensions: {
                if (!numEntries_ || !maxNumEntries_) badJson(numEntries_ ? "/maxNumEntries" : "/numEntries", "missing");
                PhonebookGroupDimensions d;
                d.setNumEntries(*numEntries_);
                d.setMaxNumEntries(*maxNumEntries_);
                out_.write(d.serialize());
                break;
            }
            case Kind::SearchResults:
            case Kind::Values:
                if (!arraySeen_) badJson("/" + std::string(arrayKey_), "missing");
                break;
        }
    }

private:
    static constexpr std::size_t kMaxDepth = 6;    // the deepest valid shape: /values/0/record/0/name/hex
    static constexpr std::size_t kMaxMembers = 5;  // the most any valid object has
    inline static const std::string kTableSize = "a table has exactly " + std::to_string(dst::kSlots) + " groups";

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
        switch (kind_) {
            case Kind::Group:
                if (k == "name" || k == "ringTone") {
                    (k == "name" ? name_ : ringTone_) = jsonToBytes(value, at);
                    return;
                }
                [[fallthrough]];
            case Kind::GroupList:
                if (k != "header") break;
                header_ = jsonToBytes(value, at);
                if (header_->find(':') != std::string::npos) badJson(at, "a header cannot hold ':'");
                return;
            case Kind::Dimensions:
                if (k == "numEntries" || k == "maxNumEntries") {
                    (k == "numEntries" ? numEntries_ : maxNumEntries_) = jsonToInt(value, at);
                    return;
                }
                if (k != "groupNameLimit") break;
                if (jsonToInt(value, at) != dst::kGroupNameLimit)
                    badJson(at, "the group name limit is always " + std::to_string(dst::kGroupNameLimit));
                return;
            case Kind::SearchResults:
            case Kind::Values: break;
        }
        badJson(at, !arrayKey_.empty() && k == arrayKey_ ? "expected an array" : "unknown member for " + kindName_);
    }

    // One element of the big array, encoded now.
    void element(const Json& e, const std::string& at) {
        std::string text;
        switch (kind_) {
            case Kind::GroupList: {
                if (groups_.size() == dst::kSlots) badJson(at, kTableSize);
                object(e, {"name", "ringTone", "slot"}, 2, at);
                if (e.contains("slot") && jsonToInt(e["slot"], at + "/slot") != static_cast<int>(groups_.size()) + 1)
                    badJson(at + "/slot", "expected " + std::to_string(groups_.size() + 1));
                std::string name = jsonToBytes(e["name"], at + "/name");
                groups_.emplace_back(std::move(name), jsonToBytes(e["ringTone"], at + "/ringTone"));
                return;
            }
            case Kind::SearchResults: {
                PhonebookSearchResults one;  // frames concatenate: a set per record writes the same text
                one.addPhonebookRecord(jsonToRecord(e, at));
                text = one.serialize();
                break;
            }
            case Kind::Values: {
                if (!e.is_object() || e.size() != 1)
                    badJson(at, "expected {\"integer\": ...}, {\"string\": ...} or {\"record\": [...]}");
                const std::string& k = e.begin().key();
                if (k == "integer") {
                    Serializer::serialize(text, jsonToInt(e[k], at + "/integer"));
                } else if (k == "string") {
                    Serializer::serialize(text, jsonToBytes(e[k], at + "/string"), false);
                } else if (k == "record") {
                    PhonebookRecord r = jsonToRecord(e[k], at + "/record");
                    Serializer::serialize(text, r);
                } else {
                    badJson(at + "/" + k, "expected integer, string or record");
                }
                break;
            }
            case Kind::Group:
            case Kind::Dimensions: break;  // no big array
        }
        out_.write(text);
    }

    const Kind kind_;
    const std::string kindName_;
    Output& out_;
    const std::string_view arrayKey_;
    std::vector<Level> levels_;
    bool arraySeen_ = false;
    std::optional<std::string> header_, name_, ringTone_;
    std::optional<int> numEntries_, maxNumEntries_;
    std::vector<std::pair<std::string, std::string>> groups_;
};

}  // namespace

void encode(std::string_view json, Kind kind, Output& out) {
    Encoder encoder(kind, out);
    Json::sax_parse(json.begin(), json.end(), &encoder);
    encoder.finish();
}

}  // namespace dstypes
