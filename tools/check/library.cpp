// The library under test: loading it, and finding its six operations by their C++ names.
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "WireFormat.h"
#include "check.h"

// The operations are looked up by the names a C++11-ABI std::string gives them.
static_assert(_GLIBCXX_USE_CXX11_ABI, "dst-serializer-check must be built with the C++11 string ABI");

namespace dstcheck {

namespace {

struct Operations {
    void (*putInt)(std::string&, int);
    void (*putString)(std::string&, const std::string&, bool);
    void (*putRecord)(std::string&, PhonebookRecord&);
    bool (*getInt)(std::string&, int&);
    bool (*getString)(std::string&, std::string&, bool);
    bool (*getRecord)(std::string&, PhonebookRecord&);
} ops;

struct Symbol {
    const char* signature;
    const char* name;     // with the C++11 string ABI (std::__cxx11::basic_string)
    const char* oldName;  // the same with the old one (_GLIBCXX_USE_CXX11_ABI=0)
};

#define DST_STR "NSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE"
#define DST_RECORD "St6vectorISt4pairIS5_S5_ESaIS9_EE"
#define DST_OLD_RECORD "St6vectorISt4pairISsSsESaIS3_EE"
const Symbol kSymbols[] = {
    {"Serializer::serialize(std::string&, int)", "_ZN10Serializer9serializeER" DST_STR "i",
        "_ZN10Serializer9serializeERSsi"},
    {"Serializer::serialize(std::string&, const std::string&, bool)", "_ZN10Serializer9serializeER" DST_STR "RKS5_b",
        "_ZN10Serializer9serializeERSsRKSsb"},
    {"Serializer::serialize(std::string&, PhonebookRecord&)", "_ZN10Serializer9serializeER" DST_STR "R" DST_RECORD,
        "_ZN10Serializer9serializeERSsR" DST_OLD_RECORD},
    {"Serializer::deserialize(std::string&, int&)", "_ZN10Serializer11deserializeER" DST_STR "Ri",
        "_ZN10Serializer11deserializeERSsRi"},
    {"Serializer::deserialize(std::string&, std::string&, bool)", "_ZN10Serializer11deserializeER" DST_STR "S6_b",
        "_ZN10Serializer11deserializeERSsS0_b"},
    {"Serializer::deserialize(std::string&, PhonebookRecord&)", "_ZN10Serializer11deserializeER" DST_STR "R" DST_RECORD,
        "_ZN10Serializer11deserializeERSsR" DST_OLD_RECORD},
};

void encode(std::string& b, int v) { ops.putInt(b, v); }
void encode(std::string& b, const std::string& v) { ops.putString(b, v, false); }
void encode(std::string& b, PhonebookRecord v) { ops.putRecord(b, v); }
bool decode(std::string& b, int& v) { return ops.getInt(b, v); }
bool decode(std::string& b, std::string& v) { return ops.getString(b, v, false); }
bool decode(std::string& b, PhonebookRecord& v) { return ops.getRecord(b, v); }

}  // namespace

void encodeValue(std::string& b, const Value& v) {
    std::visit([&](const auto& x) { encode(b, x); }, v);
}
std::string encoding(const Value& v) {
    std::string b;
    encodeValue(b, v);
    return b;
}
bool decodeValue(std::string& b, Value& out) {
    return std::visit([&](auto& x) { return decode(b, x); }, out);
}

void* load(std::string path, int timeoutSeconds) {
    // dlopen searches the library path for a name without a '/', not this folder.
    if (path.find('/') == std::string::npos && std::filesystem::is_regular_file(path)) path = "./" + path;
    const auto probe = runAll({{"load", "", "", true,
                                  [&path] {
                                      doing("while loading");
                                      const char* error =
                                          ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL) ? nullptr : ::dlerror();
                                      return error ? std::string(error) : std::string();
                                  }}},
        timeoutSeconds);
    if (!probe[0].passed) throw Unusable("cannot load " + path + ": " + probe[0].detail);
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) throw Unusable("cannot load " + path + ": " + ::dlerror());
    return handle;
}

std::string fileOf(void* handle) {
    link_map* map = nullptr;
    return ::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name ? map->l_name : "?";
}

void findOperations(void* handle, const std::string& path) {
    std::string missing, oldAbi;
    void* found[6];
    for (std::size_t i = 0; i < 6; ++i) {
        const Symbol& s = kSymbols[i];
        found[i] = ::dlsym(handle, s.name);
        if (found[i]) continue;
        if (::dlsym(handle, s.oldName))
            oldAbi += std::string("\n  ") + s.signature + " as " + s.oldName;
        else
            missing += std::string("\n  ") + s.signature + " (" + s.name + ")";
    }
    if (!oldAbi.empty())
        throw Unusable(path +
                       " was built with the old C++ string ABI (_GLIBCXX_USE_CXX11_ABI=0); the directory service types "
                       "call the operations with the C++11 std::string, and it exports" +
                       oldAbi);
    if (!missing.empty()) throw Unusable(path + " lacks" + missing);
    // A file that only loads the library that defines them (the directory service types
    // themselves, a wrapper) would be passed for a library it does not hold.
    const std::string self = fileOf(handle);
    std::string elsewhere;
    for (void* symbol : found) {
        Dl_info info{};
        std::error_code error;
        if (::dladdr(symbol, &info) && info.dli_fname && !std::filesystem::equivalent(info.dli_fname, self, error) &&
            elsewhere.find(info.dli_fname) == std::string::npos)
            elsewhere += std::string(elsewhere.empty() ? "" : ", ") + info.dli_fname;
    }
    if (!elsewhere.empty())
        throw Unusable(path + " does not define the Serializer operations itself: they come from " + elsewhere +
                       ", which it loads. Check that file instead.");
    ops = {reinterpret_cast<decltype(ops.putInt)>(found[0]), reinterpret_cast<decltype(ops.putString)>(found[1]),
        reinterpret_cast<decltype(ops.putRecord)>(found[2]), reinterpret_cast<decltype(ops.getInt)>(found[3]),
        reinterpret_cast<decltype(ops.getString)>(found[4]), reinterpret_cast<decltype(ops.getRecord)>(found[5])};
}

using LogFunction = int (*)(const char*, const char*, int, int, const char*, ...);

Check loggerCheck(const std::string& path, int timeoutSeconds, std::string& file) {
    void* handle = load(path, timeoutSeconds);
    file = fileOf(handle);
    auto log = reinterpret_cast<LogFunction>(::dlsym(handle, "logAppUni"));
    if (!log) throw Unusable(path + " lacks logAppUni");
    return {"logAppUni-returns", "logAppUni returns from the library's own calls (its output is not shown).",
        "PhonebookGroupDimensions::deserialize never returns from a foreign or empty text.", true, [log] {
            std::fflush(stderr);
            const int saved = ::dup(STDERR_FILENO), null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDERR_FILENO);
            for (const auto& [line, message] : {std::pair{dst::kLogEmptyTextLine, dst::kLogEmptyText},
                     std::pair{dst::kLogForeignTextLine, dst::kLogForeignText}}) {
                doing("logging line " + std::to_string(line));
                log(dst::kLogModule, dst::kLogFile, dst::kLogLevel, line, message);
            }
            std::fflush(stderr);
            ::dup2(saved, STDERR_FILENO);
            ::close(saved), ::close(null);
            return std::string();
        }};
}

}  // namespace dstcheck
