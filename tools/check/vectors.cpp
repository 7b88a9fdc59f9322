// The vectors of our text form (docs/wire-format.md): each case of the JSON files as a check.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "check.h"
#include "json_values.h"

namespace dstcheck {

namespace {

// Bytes in a vector: a JSON string as it stands, or {"hex": "..."}, as dstypes reads them.
using dstypes::jsonToBytes;

// `kind` is an index into kKinds: integer, string or record, as Value holds them.
Value valueOf(std::size_t kind, const nlohmann::json& j, const std::string& id) {
    if (kind == 0) return j.get<int>();
    if (kind == 1) return jsonToBytes(j, id);
    PhonebookRecord r;
    for (const auto& field : j) r.emplace_back(jsonToBytes(field.at(0), id), jsonToBytes(field.at(1), id));
    return r;
}

std::string showResult(bool result, const std::string& b, const Value& out) {
    return std::string(result ? "true" : "false") + ", " + describe(out) + ", working string " + quote(b);
}

// One case as a check: the encoder's exact text, or the decoder's value and rest, or its
// rejection with the working string and out-argument unchanged.
Check vectorCheck(const nlohmann::json& c) {
    const std::string id = c.at("id").get<std::string>(), op = c.at("op").get<std::string>(),
                      kind = c.at("kind").get<std::string>();
    const std::size_t kindIndex =
        static_cast<std::size_t>(std::find(std::begin(kKinds), std::end(kKinds), kind) - std::begin(kKinds));
    if (kindIndex == 3) throw std::runtime_error(id + ": unknown kind " + kind);
    std::function<std::string()> run;
    if (op == "encode") {
        run = [value = valueOf(kindIndex, c.at("value"), id), text = jsonToBytes(c.at("text"), id)] {
            const std::string got = encoding(value);
            return got == text ? "" : "encoding " + describe(value) + " gave " + quote(got) + ", not " + quote(text);
        };
    } else if (op == "decode" && (c.at("result") == "accept" || c.at("result") == "reject")) {
        // A rejection expects the out-argument, a sentinel, and the working string unchanged.
        const bool accept = c.at("result") == "accept";
        const std::string input = jsonToBytes(c.at("input"), id);
        const Value value = accept ? valueOf(kindIndex, c.at("value"), id) : kSentinels[kindIndex];
        run = [accept, input, value, rest = accept ? jsonToBytes(c.at("rest"), id) : input] {
            std::string b = input;
            Value out = accept ? otherThan(value) : value;
            const bool result = decodeValue(b, out);
            return result == accept && out == value && b == rest
                       ? ""
                       : "decoding " + quote(input) + " gave " + showResult(result, b, out) + "; expected " +
                             showResult(accept, rest, value);
        };
    } else {
        throw std::runtime_error(id + ": unknown op " + op + " or result");
    }
    return {id, "", "", false, run};
}

}  // namespace

std::vector<Check> vectorChecks(const std::string& dir, std::vector<std::pair<std::string, std::size_t>>& files) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".json") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    if (names.empty()) throw std::runtime_error(dir + " holds no *.json vectors");
    std::vector<Check> checks;
    for (const std::string& name : names) {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        try {
            const nlohmann::json file = nlohmann::json::parse(in);
            for (const auto& c : file.at("cases")) checks.push_back(vectorCheck(c));
            files.emplace_back(name, file.at("cases").size());
        } catch (const std::exception& e) {
            throw std::runtime_error(dir + "/" + name + ": " + e.what());
        }
    }
    return checks;
}

}  // namespace dstcheck
