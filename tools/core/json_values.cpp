// JSON values as the bytes, integers and records of the text forms, with the path of a fault.
#include "json_values.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace dstypes {

[[noreturn]] void badJson(const std::string& path, const std::string& what) {
    throw BadInput("bad JSON at " + (path.empty() ? std::string("/") : path) + ": " + what);
}

std::string jsonToBytes(const Json& j, const std::string& path) {
    if (j.is_string()) return j.get<std::string>();
    if (!j.is_object() || j.size() != 1 || !j.contains("hex") || !j["hex"].is_string())
        badJson(path, "expected a string or {\"hex\": \"...\"}");
    const std::string& hex = j["hex"].get_ref<const std::string&>();
    auto nibble = [&](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        badJson(path + "/hex", "not a hex digit");
    };
    if (hex.size() % 2) badJson(path + "/hex", "odd number of hex digits");
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) out += static_cast<char>(nibble(hex[i]) << 4 | nibble(hex[i + 1]));
    return out;
}

// An object with exactly the members `keys` (the first `required` of them must be there).
const Json& object(
    const Json& j, std::initializer_list<const char*> keys, std::size_t required, const std::string& path) {
    if (!j.is_object()) badJson(path, "expected an object");
    std::size_t i = 0;
    for (const char* k : keys)
        if (i++ < required && !j.contains(k)) badJson(path + "/" + k, "missing");
    for (auto it = j.begin(); it != j.end(); ++it)
        if (std::none_of(keys.begin(), keys.end(), [&](const char* k) { return it.key() == k; }))
            badJson(path + "/" + it.key(), "unknown member");
    return j;
}

int jsonToInt(const Json& j, const std::string& path) {
    if (j.is_number_unsigned() && j.get<std::uint64_t>() <= INT_MAX) return static_cast<int>(j.get<std::uint64_t>());
    if (j.is_number_integer() && !j.is_number_unsigned() && j.get<std::int64_t>() >= INT_MIN &&
        j.get<std::int64_t>() <= INT_MAX)
        return static_cast<int>(j.get<std::int64_t>());
    badJson(path, j.is_number_integer() || j.is_discarded() ? "outside the 32-bit range" : "expected an integer");
}

PhonebookRecord jsonToRecord(const Json& fields, const std::string& path) {
    if (!fields.is_array()) badJson(path, "expected an array");
    PhonebookRecord r;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string at = path + "/" + std::to_string(i);
        const Json& f = object(fields[i], {"name", "value"}, 2, at);
        std::string name = jsonToBytes(f["name"], at + "/name");
        r.emplace_back(std::move(name), jsonToBytes(f["value"], at + "/value"));
    }
    return r;
}

}  // namespace dstypes
