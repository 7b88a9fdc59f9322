// The JSON reader's conversions of single values. Each throws BadInput("bad JSON at PATH:
// ...") for a value that is not of the shape asked for.
#ifndef DST_TOOLS_JSON_VALUES_H
#define DST_TOOLS_JSON_VALUES_H

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>

#include "PhonebookRecord.h"
#include "core.h"

namespace dstypes {

using Json = nlohmann::json;

[[noreturn]] void badJson(const std::string& path, const std::string& what);
/// A string, or {"hex": "..."} for bytes that are not UTF-8.
std::string jsonToBytes(const Json& j, const std::string& path);
/// A 32-bit integer.
int jsonToInt(const Json& j, const std::string& path);
/// An array of {"name": ..., "value": ...} objects.
PhonebookRecord jsonToRecord(const Json& fields, const std::string& path);
/// `j`, an object with exactly the members `keys`, the first `required` of which must be there.
const Json& object(
    const Json& j, std::initializer_list<const char*> keys, std::size_t required, const std::string& path);

}  // namespace dstypes

#endif
