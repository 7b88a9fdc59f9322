// dst-serializer-check: loads a libSerializer.so at run time and checks the properties the
// directory service types rely on (docs/platform.md) with generated values, then runs the
// vectors of our text form (docs/wire-format.md). Every check runs in a child process with a
// time limit, so that a crash or a hang inside the library under test fails that check and
// nothing else.
// Exit status: 0 when every required check passes, 1 when one does not, 2 when the library
// cannot be checked (not loadable, an operation missing, bad arguments or vectors).
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <variant>

#include "PhonebookRecord.h"

// The operations are looked up by the names a C++11-ABI std::string gives them.
static_assert(_GLIBCXX_USE_CXX11_ABI, "dst-serializer-check must be built with the C++11 string ABI");

namespace {

// --- the library under test -------------------------------------------------------------

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
    {"Serializer::serialize(std::string&, int)", "_ZN10Serializer9serializeER" DST_STR "i", "_ZN10Serializer9serializeERSsi"},
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

using Value = std::variant<int, std::string, PhonebookRecord>;
const char* const kKinds[] = {"integer", "string", "record"};

void encode(std::string& b, int v) { ops.putInt(b, v); }
void encode(std::string& b, const std::string& v) { ops.putString(b, v, false); }
void encode(std::string& b, PhonebookRecord v) { ops.putRecord(b, v); }
bool decode(std::string& b, int& v) { return ops.getInt(b, v); }
bool decode(std::string& b, std::string& v) { return ops.getString(b, v, false); }
bool decode(std::string& b, PhonebookRecord& v) { return ops.getRecord(b, v); }

void encodeValue(std::string& b, const Value& v) {
    std::visit([&](const auto& x) { encode(b, x); }, v);
}
std::string encoding(const Value& v) {
    std::string b;
    encodeValue(b, v);
    return b;
}
// Decodes a value of the kind `out` holds.
bool decodeValue(std::string& b, Value& out) {
    return std::visit([&](auto& x) { return decode(b, x); }, out);
}

// A value of the same kind that differs from `v`, for out-arguments that must change.
Value otherThan(const Value& v) {
    if (auto* i = std::get_if<int>(&v)) return *i == INT_MAX ? *i - 1 : *i + 1;
    if (auto* s = std::get_if<std::string>(&v)) return *s + "?";
    PhonebookRecord r = std::get<PhonebookRecord>(v);
    r.emplace_back("?", "?");
    return r;
}
// What an out-argument holds before a decode that must not change it.
const Value kSentinels[] = {12345, std::string("keep"), PhonebookRecord{{"keep", "me"}}};

// --- what a failure shows ---------------------------------------------------------------

std::string quote(const std::string& s, std::size_t cap = 60) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size() && i < cap; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += c == '"' || c == '\\' ? std::string{'\\', static_cast<char>(c)} : c < 0x20 || c >= 0x7F ? hex : std::string(1, static_cast<char>(c));
    }
    out += '"';
    if (s.size() > cap) out += "... (" + std::to_string(s.size()) + " bytes)";
    return out;
}

std::string describe(const Value& v) {
    if (auto* i = std::get_if<int>(&v)) return "the integer " + std::to_string(*i);
    if (auto* s = std::get_if<std::string>(&v)) return "the string " + quote(*s);
    const auto& r = std::get<PhonebookRecord>(v);
    std::string out = "the record {";
    for (std::size_t k = 0; k < r.size() && k < 3; ++k) out += (k ? ", " : "") + quote(r[k].first, 20) + ": " + quote(r[k].second, 20);
    return out + (r.size() > 3 ? ", ... (" + std::to_string(r.size()) + " fields)}" : "}");
}

std::string aKindOf(const Value& v) { return (v.index() == 0 ? "an " : "a ") + std::string(kKinds[v.index()]); }

// --- running checks in children ---------------------------------------------------------

struct Check {
    std::string id, title, consequence;
    bool required;
    std::function<std::string()> run;  // "" when it passes, else what went wrong
};

struct Outcome {
    bool passed = false;
    std::string detail;
};

// Shared with the children: what the running check is doing, for the report of a crash.
char* doingNow = nullptr;
constexpr std::size_t kDoingSize = 1024;
void doing(const std::string& what) {
    const std::size_t n = std::min(what.size(), kDoingSize - 1);
    std::memcpy(doingNow, what.data(), n);
    doingNow[n] = '\0';
}

void writeAll(int fd, const std::string& data) {
    for (std::size_t at = 0; at < data.size();) {
        const ssize_t n = ::write(fd, data.data() + at, data.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(3);
        at += static_cast<std::size_t>(n);
    }
}

// A child's last frame: it stops of its own accord.
constexpr std::uint32_t kDone = UINT32_MAX;

// Runs `checks` in children: each required check in one of its own, the others one after
// another in one child until one crashes or runs out of time, which fails that check; the
// next starts in a fresh child.
std::vector<Outcome> runAll(const std::vector<Check>& checks, int timeoutSeconds) {
    std::vector<Outcome> outcomes(checks.size());
    std::size_t next = 0;
    while (next < checks.size()) {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
        doing("");
        std::cout.flush();
        const pid_t pid = ::fork();
        if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
        if (pid == 0) {
            ::close(fds[0]);
            for (std::size_t i = next; i < checks.size(); ++i) {
                std::string detail;
                try {
                    detail = checks[i].run();
                } catch (const std::exception& e) {
                    detail = std::string("an exception came out of the library: ") + e.what() + "; " + doingNow;
                } catch (...) {
                    detail = std::string("an exception came out of the library; ") + doingNow;
                }
                doing("");
                // One frame per check: its index, then the detail's length and bytes.
                const std::uint32_t head[2] = {static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(detail.size())};
                writeAll(fds[1], std::string(reinterpret_cast<const char*>(head), sizeof head) + detail);
                if (checks[i].required || (i + 1 < checks.size() && checks[i + 1].required)) break;
            }
            const std::uint32_t done[2] = {kDone, 0};
            writeAll(fds[1], std::string(reinterpret_cast<const char*>(done), sizeof done));
            _exit(0);
        }
        ::close(fds[1]);
        std::string frames;
        std::string failure;
        bool finished = false;
        for (;;) {
            pollfd p{fds[0], POLLIN, 0};
            const int ready = ::poll(&p, 1, timeoutSeconds * 1000);
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0) {
                failure = "did not finish within " + std::to_string(timeoutSeconds) + " s";
                break;
            }
            char chunk[65536];
            const ssize_t n = ::read(fds[0], chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            frames.append(chunk, static_cast<std::size_t>(n));
            std::uint32_t head[2];
            while (frames.size() >= sizeof head) {
                std::memcpy(head, frames.data(), sizeof head);
                if (frames.size() < sizeof head + head[1]) break;
                const std::string detail = frames.substr(sizeof head, head[1]);
                frames.erase(0, sizeof head + head[1]);
                if (head[0] == kDone) {
                    finished = true;
                    continue;
                }
                outcomes[head[0]] = {detail.empty(), detail};
                next = head[0] + 1;
            }
        }
        ::close(fds[0]);
        if (!finished) ::kill(pid, SIGKILL);  // dead already, hanging, or it closed the pipe
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!finished) {
            if (failure.empty())
                failure = WIFSIGNALED(status) ? std::string("crashed (") + strsignal(WTERMSIG(status)) + ")"
                                              : "ended the process with exit status " + std::to_string(WEXITSTATUS(status));
            outcomes[next++] = {false, failure + (doingNow[0] ? std::string(" ") + doingNow : std::string())};
        }
    }
    return outcomes;
}

// --- values -----------------------------------------------------------------------------

std::string randomBytes(std::mt19937& rng, std::size_t n, const std::string& alphabet = "") {
    std::string s(n, '\0');
    for (char& c : s) c = alphabet.empty() ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
    return s;
}

// Values for the properties, smallest first within each kind, so that the first failure
// found is the smallest example. Every byte value, the bytes our grammar escapes, and the
// texts the library's readers look for (":" and "recEnd;") are among them.
std::vector<Value> propertyValues() {
    std::mt19937 rng(20261207);
    std::vector<Value> values;
    for (int v : {0, 1, -1, 2, 9, 10, -10, 16, 99, 100, -100, 255, 256, 1000, 65535, 65536, 123456789, -123456789, INT_MAX - 1,
                  INT_MAX, INT_MIN + 1, INT_MIN})
        values.emplace_back(v);
    for (int k = 0; k < 16; ++k) values.emplace_back(static_cast<int>(rng()));
    const char trickyBytes[] = ":;%,.\0\x7F recEndi0s1";
    const std::string tricky(trickyBytes, sizeof trickyBytes - 1);
    std::vector<std::string> strings = {"", "::", "a:b", "rec;", "recEnd;", "End;", "PhonebookGroupList:", "s1,", "i1.", "r0,"};
    for (int c = 0; c < 256; ++c) strings.emplace_back(1, static_cast<char>(c));
    for (std::size_t n = 2; n <= 70; ++n) strings.push_back(randomBytes(rng, n)), strings.push_back(randomBytes(rng, n, tricky));
    std::stable_sort(strings.begin(), strings.end(), [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    values.insert(values.end(), strings.begin(), strings.end());
    std::vector<PhonebookRecord> records = {{}, {{"", ""}}, {{"a", "b"}}, {{"rec", "End;"}}, {{"recEnd;", "rec;"}}, {{":", "x:y"}}};
    for (const std::string& s : strings)
        if (s.size() < 24) records.push_back({{s, s}, {"recEnd;", s}});
    for (std::size_t n = 1; n <= 20; ++n) {
        PhonebookRecord r;
        for (std::size_t k = 0; k < n; ++k) r.emplace_back(randomBytes(rng, rng() % 8, tricky), randomBytes(rng, rng() % 24, tricky));
        records.push_back(r);
    }
    values.insert(values.end(), records.begin(), records.end());
    return values;
}

// Values for the round trips: the extremes of every kind, and lengths and field counts
// past the chunk and buffer sizes an implementation is likely to use.
std::vector<Value> roundTripValues(int kind) {
    std::mt19937 rng(4096);
    std::vector<Value> values;
    for (const Value& v : propertyValues())
        if (static_cast<int>(v.index()) == kind) values.push_back(v);
    if (kind == 0) {
        for (long long p = 1; p <= INT_MAX; p *= 2)
            for (long long v : {p - 1, p, -p, -p + 1}) values.emplace_back(static_cast<int>(v));
        for (int k = 0; k < 500; ++k) values.emplace_back(static_cast<int>(rng()));
    } else if (kind == 1) {
        std::string all;
        for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
        values.emplace_back(all);
        for (std::size_t n : {100, 127, 128, 129, 255, 256, 257, 1023, 1024, 1025, 1345, 1346, 1347, 1348, 2047, 2048, 2049, 4095,
                              4096, 4097, 8191, 8192, 8193, 65535, 65536, 65537, 100000}) {
            values.emplace_back(std::string(n, ';'));
            values.emplace_back(randomBytes(rng, n));
        }
    } else {
        for (std::size_t n : {21, 31, 32, 33, 63, 64, 65, 100, 255, 256, 257, 1000}) {
            PhonebookRecord r;
            for (std::size_t k = 0; k < n; ++k) r.emplace_back(randomBytes(rng, k % 7), randomBytes(rng, k % 31));
            values.emplace_back(r);
        }
        values.emplace_back(PhonebookRecord{{std::string(5000, ':'), randomBytes(rng, 70000)}, {"", std::string(4097, 'x')}});
    }
    return values;
}

// Texts that follow a value in a working string: other encodings, of every kind.
std::vector<std::string> followers() {
    return {encoding(0), encoding(-7), encoding(std::string()), encoding(std::string("a:b")), encoding(PhonebookRecord{}),
            encoding(PhonebookRecord{{"n", "v"}}), encoding(INT_MIN) + encoding(std::string("x"))};
}

// --- the required properties ------------------------------------------------------------

// The first failure of `check` over `values`, noting each value for a crash report.
template <typename F>
std::string firstFailure(const std::vector<Value>& values, F check) {
    for (const Value& v : values) {
        doing("with " + describe(v));
        const std::string failure = check(v);
        if (!failure.empty()) return failure;
    }
    return "";
}

std::string appendsOnly(const std::vector<Value>& values) {
    const std::vector<std::string> prefixes = {"x", std::string(1, '\0'), "PhonebookGroupList:", encoding(16) + encoding(std::string("name"))};
    return firstFailure(values, [&](const Value& v) -> std::string {
        const std::string alone = encoding(v);
        for (const std::string& prefix : prefixes) {
            std::string b = prefix;
            encodeValue(b, v);
            if (b != prefix + alone)
                return "encoding " + describe(v) + " behind " + quote(prefix) + " gave " + quote(b) + ", not " + quote(prefix + alone);
        }
        return "";
    });
}

// `check(v, text, follower, out, result)` after decoding a value of v's kind from the
// encoding of v followed by each follower; "" for the empty follower too when `alone`.
template <typename F>
std::string decodeFollowed(const std::vector<Value>& values, bool alone, F check) {
    std::vector<std::string> after = followers();
    if (alone) after.insert(after.begin(), "");
    return firstFailure(values, [&](const Value& v) -> std::string {
        for (const std::string& follower : after) {
            const std::string text = encoding(v) + follower;
            std::string b = text;
            Value out = otherThan(v);
            const bool result = decodeValue(b, out);
            const std::string failure = check(v, "decoding " + describe(v) + " from " + quote(text), b, follower, out, result);
            if (!failure.empty()) return failure;
        }
        return "";
    });
}

std::string selfDelimiting(const std::vector<Value>& values) {
    return decodeFollowed(values, false, [](const Value& v, const std::string& what, const std::string&, const std::string&, const Value& out, bool) {
        return out == v ? "" : what + " gave " + describe(out);
    });
}

std::string removesOneValue(const std::vector<Value>& values) {
    return decodeFollowed(values, true, [](const Value&, const std::string& what, const std::string& b, const std::string& follower, const Value&, bool) {
        return b == follower ? "" : what + " left " + quote(b) + ", not " + quote(follower);
    });
}

std::string noColon(const std::vector<Value>& values) {
    return firstFailure(values, [](const Value& v) -> std::string {
        const std::string text = encoding(v);
        const std::size_t at = text.find(':');
        return at == std::string::npos ? "" : "the encoding of " + describe(v) + " is " + quote(text) + ", with a ':' at byte " + std::to_string(at);
    });
}

std::string noRecEnd(const std::vector<Value>& values) {
    return firstFailure(values, [](const Value& v) -> std::string {
        if (v.index() != 2) return "";
        const std::string text = encoding(v);
        const std::size_t at = text.find("recEnd;");
        return at == std::string::npos ? "" : "the encoding of " + describe(v) + " is " + quote(text) + ", with \"recEnd;\" at byte " + std::to_string(at);
    });
}

std::string boolResult(const std::vector<Value>& values) {
    for (const Value& sentinel : kSentinels) {
        std::string b;
        Value out = sentinel;
        const std::string what = "decoding " + aKindOf(sentinel) + " from the empty working string";
        doing(what);
        if (decodeValue(b, out)) return what + " returned true";
    }
    return decodeFollowed(values, true, [](const Value&, const std::string& what, const std::string&, const std::string&, const Value&, bool result) {
        return result ? "" : what + " returned false";
    });
}

// Texts that hold no value at their front, or may not: the empty text, every proper prefix
// and single-byte change of short encodings, and random bytes.
std::vector<std::string> damagedTexts(const std::vector<Value>& values) {
    std::mt19937 rng(7);
    std::vector<std::string> texts = {""};
    for (const Value& v : values) {
        const std::string text = encoding(v);
        if (text.size() > 24) continue;
        for (std::size_t at = 0; at < text.size(); ++at) {
            texts.push_back(text.substr(0, at));
            for (char c : {'\0', ':', ',', '.', '9', 'x', static_cast<char>(text[at] + 1)}) texts.push_back(std::string(text).replace(at, 1, 1, c));
        }
        texts.push_back(text);
    }
    for (int k = 0; k < 200; ++k) texts.push_back(randomBytes(rng, rng() % 16, "isr0123456789-,.:;%AF"));
    std::sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) { return a.size() < b.size() || (a.size() == b.size() && a < b); });
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    return texts;
}

std::string failureUnchanged(const std::vector<Value>& values) {
    for (const std::string& text : damagedTexts(values)) {
        for (const Value& sentinel : kSentinels) {
            const std::string what = "decoding " + aKindOf(sentinel) + " from " + quote(text);
            doing(what);
            std::string b = text;
            Value out = sentinel;
            if (decodeValue(b, out)) continue;
            if (out != sentinel) return what + " returned false but changed the out-argument from " + describe(sentinel) + " to " + describe(out);
            if (b != text) return what + " returned false but changed the working string to " + quote(b);
        }
    }
    return "";
}

std::string roundTrips(const std::vector<Value>& values) {
    return firstFailure(values, [](const Value& v) -> std::string {
        std::string b = encoding(v);
        Value out = otherThan(v);
        decodeValue(b, out);
        return out == v ? "" : "decoding the encoding of " + describe(v) + " gave " + describe(out);
    });
}

std::vector<Check> requiredChecks() {
    auto values = std::make_shared<std::vector<Value>>(propertyValues());
    auto over = [values](std::string (*property)(const std::vector<Value>&)) { return [values, property] { return property(*values); }; };
    std::vector<Check> checks = {
        {"appends-only", "An encoder appends its value's encoding and leaves what was there untouched.",
         "Texts are corrupted; nothing in the library can make up for it.", true, over(appendsOnly)},
        {"self-delimiting", "A decoder finds the end of a value from the value alone.",
         "Values run into each other and read back wrongly.", true, over(selfDelimiting)},
        {"removes-one-value", "A decoder removes exactly one value from the front of the working string.",
         "Later values are read from the wrong place.", true, over(removesOneValue)},
        {"no-colon", "No ':' in any encoding.",
         "A value holding a colon, fed back without a header, loses everything up to that colon; with a header, "
         "reading starts inside the header's first value.", true, over(noColon)},
        {"no-recEnd", "No \"recEnd;\" in any record encoding.",
         "A record whose encoding holds \"recEnd;\" is cut there and does not decode: it is skipped, and the rest of its "
         "frame is read as stray text.", true, over(noRecEnd)},
        {"bool-result", "The decoders' bool result is true exactly when a value was decoded and removed.",
         "A damaged group table text is applied pair by pair as the decoder leaves things: slots after the damage may "
         "be overwritten instead of keeping what they held.", true, over(boolResult)},
        {"failure-unchanged", "A decoder that finds no value leaves the working string and its out-argument unchanged.",
         "The field, count or text takes whatever the platform decoder leaves there.", true, over(failureUnchanged)},
    };
    for (int kind = 0; kind < 3; ++kind) {
        const std::string plural = std::string(kKinds[kind]) + "s";
        checks.push_back({"round-trip-" + plural, "Every " + std::string(kKinds[kind]) + " decodes to what was encoded.",
                          "Values read back differ from those written.", true, [kind] { return roundTrips(roundTripValues(kind)); }});
    }
    return checks;
}

// --- the vectors of our text form -------------------------------------------------------

// Bytes in a vector: a JSON string as it stands, or {"hex": "..."}.
std::string bytesOf(const nlohmann::json& j) {
    if (j.is_string()) return j.get<std::string>();
    const std::string hex = j.at("hex").get<std::string>();
    if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) throw std::runtime_error("bad hex " + hex);
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

Value valueOf(const std::string& kind, const nlohmann::json& j) {
    if (kind == "integer") return j.get<int>();
    if (kind == "string") return bytesOf(j);
    if (kind != "record") throw std::runtime_error("unknown kind " + kind);
    PhonebookRecord r;
    for (const auto& field : j) r.emplace_back(bytesOf(field.at(0)), bytesOf(field.at(1)));
    return r;
}

std::string showResult(bool result, const std::string& b, const Value& out) {
    return std::string(result ? "true" : "false") + ", " + describe(out) + ", working string " + quote(b);
}

// One case as a check: the encoder's exact text, or the decoder's value and rest, or its
// rejection with the working string and out-argument unchanged.
Check vectorCheck(const nlohmann::json& c) {
    const std::string id = c.at("id").get<std::string>(), op = c.at("op").get<std::string>(), kind = c.at("kind").get<std::string>();
    const std::size_t kindIndex = static_cast<std::size_t>(std::find(std::begin(kKinds), std::end(kKinds), kind) - std::begin(kKinds));
    if (kindIndex == 3) throw std::runtime_error(id + ": unknown kind " + kind);
    std::function<std::string()> run;
    if (op == "encode") {
        run = [value = valueOf(kind, c.at("value")), text = bytesOf(c.at("text"))] {
            const std::string got = encoding(value);
            return got == text ? "" : "encoding " + describe(value) + " gave " + quote(got) + ", not " + quote(text);
        };
    } else if (op == "decode" && c.at("result") == "accept") {
        run = [input = bytesOf(c.at("input")), value = valueOf(kind, c.at("value")), rest = bytesOf(c.at("rest"))] {
            std::string b = input;
            Value out = otherThan(value);
            const bool result = decodeValue(b, out);
            return result && out == value && b == rest ? ""
                   : "decoding " + quote(input) + " gave " + showResult(result, b, out) + "; expected " + showResult(true, rest, value);
        };
    } else if (op == "decode" && c.at("result") == "reject") {
        run = [input = bytesOf(c.at("input")), sentinel = kSentinels[kindIndex]] {
            std::string b = input;
            Value out = sentinel;
            const bool result = decodeValue(b, out);
            return !result && out == sentinel && b == input ? ""
                   : "decoding " + quote(input) + " gave " + showResult(result, b, out) + "; expected " + showResult(false, input, sentinel);
        };
    } else {
        throw std::runtime_error(id + ": unknown op " + op + " or result");
    }
    return {id, "", "", false, run};
}

// The cases of every *.json in `dir`, in file order; `files` receives each file's name and
// number of cases.
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

// --- loading ----------------------------------------------------------------------------

struct Unusable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Loads the library in a child first, so that one that crashes while loading is reported.
// A name without a '/' that is a file here is that file, not one searched for elsewhere.
void* load(std::string path, int timeoutSeconds) {
    if (path.find('/') == std::string::npos && std::filesystem::is_regular_file(path)) path = "./" + path;
    const auto probe = runAll({{"load", "", "", true, [&path] {
                                    doing("while loading");
                                    const char* error = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL) ? nullptr : ::dlerror();
                                    return error ? std::string(error) : std::string();
                                }}},
                              timeoutSeconds);
    if (!probe[0].passed) throw Unusable("cannot load " + path + ": " + probe[0].detail);
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) throw Unusable("cannot load " + path + ": " + ::dlerror());
    return handle;
}

// The file the dynamic linker loaded for `handle`.
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
        if (::dlsym(handle, s.oldName)) oldAbi += std::string("\n  ") + s.signature + " as " + s.oldName;
        else missing += std::string("\n  ") + s.signature + " (" + s.name + ")";
    }
    if (!oldAbi.empty())
        throw Unusable(path + " was built with the old C++ string ABI (_GLIBCXX_USE_CXX11_ABI=0); the directory service types "
                       "call the operations with the C++11 std::string, and it exports" + oldAbi);
    if (!missing.empty()) throw Unusable(path + " lacks" + missing);
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
                doing("logging line 448");
                log("DirectoryServiceTypes", "./src/DirectoryServiceTypes", 2, 448, "Zero length string. Cannot Deserialise");
                doing("logging line 443");
                log("DirectoryServiceTypes", "./src/DirectoryServiceTypes", 2, 443,
                    "Attempting to deserialise a non PhonebookGroupDimensions string into a PhonebookGroupDimensions object");
                std::fflush(stderr);
                ::dup2(saved, STDERR_FILENO);
                ::close(saved), ::close(null);
                return std::string();
            }};
}

// The installed vectors, beside the installed program.
std::string defaultVectors() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    const auto dir = std::filesystem::path(std::string(self, static_cast<std::size_t>(n))).parent_path();
    const auto vectors = dir.parent_path() / "share" / "dst-serializer-check" / "vectors";
    return std::filesystem::is_directory(vectors) ? vectors.string() : "";
}

std::set<std::string> readExpectedFailures(const std::string& file, const std::set<std::string>& known) {
    std::ifstream in(file);
    if (!in) throw Unusable("cannot read " + file);
    std::set<std::string> ids;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        line = line.substr(0, line.find('#'));
        line.erase(0, line.find_first_not_of(" \t\r"));
        line.erase(line.find_last_not_of(" \t\r") + 1);
        if (line.empty()) continue;
        if (!known.count(line)) throw Unusable(file + ":" + std::to_string(number) + ": no check is named " + line);
        ids.insert(line);
    }
    return ids;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Check that a platform's libSerializer.so has every property the directory service types rely on, "
                 "and which cases of our text form it passes.",
                 "dst-serializer-check"};
    app.set_version_flag("--version", std::string("dst-serializer-check ") + DST_VERSION);
    std::string library, vectors, expectedFile, logger;
    int timeout = 60;
    bool all = false;
    app.add_option("library", library, "The libSerializer.so to check")->required()->type_name("FILE");
    app.add_option("--vectors", vectors, "Folder of the JSON vectors of our text form (default: the installed ones)")->check(CLI::ExistingDirectory);
    app.add_option("--expected-failures", expectedFile, "File of check names, one a line, that are known to fail ('#' starts a comment)")
        ->check(CLI::ExistingFile);
    app.add_flag("--all", all, "Show every case of our text form that fails or is listed, not the first five of each file");
    app.add_option("--logging-handler", logger, "Also check this libLoggingHandler.so: logAppUni is there and returns")->type_name("FILE");
    app.add_option("--timeout", timeout, "Seconds a check may take before it counts as hanging")->capture_default_str()->check(CLI::Range(1, 86400));
    app.footer("Required checks (the properties of docs/platform.md, for any encoding): appends-only, self-delimiting,\n"
               "removes-one-value, no-colon, no-recEnd, bool-result, failure-unchanged, round-trip-integers,\n"
               "round-trip-strings, round-trip-records, and logAppUni-returns with --logging-handler.\n"
               "The vectors of our text form (docs/wire-format.md) are reported but not required.\n"
               "Each check runs in a child process: a crash or hang inside the library fails that check only.\n"
               "The last line is \"N passed, N failed\"; checks listed with --expected-failures count in neither\n"
               "while they fail, and as failed once they pass.\n"
               "Exit status: 0 when every required check passes, 1 when one fails, 2 when the library cannot be\n"
               "checked (not loadable, an operation missing or built with the old string ABI, bad arguments or vectors).");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }

    std::vector<Check> checks;
    std::vector<std::pair<std::string, std::size_t>> files;
    std::set<std::string> expected;
    std::string libraryFile, loggerFile;
    try {
        doingNow = static_cast<char*>(::mmap(nullptr, kDoingSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
        if (doingNow == MAP_FAILED) throw Unusable(std::string("mmap: ") + std::strerror(errno));
        void* handle = load(library, timeout);
        findOperations(handle, library);
        libraryFile = fileOf(handle);
        checks = requiredChecks();
        if (!logger.empty()) checks.push_back(loggerCheck(logger, timeout, loggerFile));
        if (vectors.empty()) vectors = defaultVectors();
        if (!vectors.empty()) {
            std::vector<Check> cases = vectorChecks(vectors, files);
            checks.insert(checks.end(), cases.begin(), cases.end());
        }
        std::set<std::string> known;
        for (const Check& c : checks)
            if (!known.insert(c.id).second) throw Unusable("two checks are named " + c.id);
        if (!expectedFile.empty()) expected = readExpectedFailures(expectedFile, known);
    } catch (const std::exception& e) {
        std::cerr << "dst-serializer-check: " << e.what() << "\n";
        return 2;
    }

    std::cout << "Checking " << libraryFile << (logger.empty() ? "" : " and " + loggerFile) << "\n\n"
              << "Required: what the directory service types rely on (docs/platform.md), for any encoding\n";
    std::vector<Outcome> outcomes;
    try {
        outcomes = runAll(checks, timeout);
    } catch (const std::exception& e) {
        std::cerr << "dst-serializer-check: " << e.what() << "\n";
        return 2;
    }
    std::size_t passed = 0, failed = 0, asExpected = 0, requiredFailed = 0, file = 0, inFile = 0, fileFailed = 0, shown = 0;
    constexpr std::size_t kShown = 5;  // failing cases shown for each file, unless --all
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const Check& c = checks[i];
        const Outcome& o = outcomes[i];
        const bool listed = expected.count(c.id) != 0;
        const char* verdict = o.passed ? (listed ? "XPASS" : "PASS") : (listed ? "XFAIL" : "FAIL");
        (listed == o.passed ? failed : o.passed ? passed : asExpected) += 1;
        if (c.required) {
            requiredFailed += listed == o.passed;
            std::cout << "  " << verdict << "  " << c.id << ": " << c.title << "\n";
            if (!o.passed) std::cout << "        example: " << o.detail << "\n        without it: " << c.consequence << "\n";
            if (listed && o.passed) std::cout << "        listed in " << expectedFile << " but passes: remove it there\n";
            continue;
        }
        if (file == 0 && inFile == 0) std::cout << "\nOur text form (docs/wire-format.md): not required of a platform serializer\n";
        if ((!o.passed || listed) && (all || shown++ < kShown))
            std::cout << "  " << verdict << "  " << c.id << ": " << (o.passed ? "passes, but is listed in " + expectedFile : o.detail) << "\n";
        fileFailed += !o.passed;
        if (++inFile == files[file].second) {
            if (shown > kShown) std::cout << "  ... and " << shown - kShown << " more (--all shows them)\n";
            shown = 0;
            std::cout << "  " << files[file].first << ": " << inFile - fileFailed << " of " << inFile << " cases pass\n";
            ++file, inFile = 0, fileFailed = 0;
        }
    }
    if (files.empty()) std::cout << "\nOur text form: not checked (no vectors installed; give --vectors DIR)\n";
    std::cout << "\n" << (requiredFailed ? "The library lacks a property the directory service types rely on.\n" : "Every required check passes.\n");
    if (asExpected) std::cout << asExpected << " failed as expected (" << expectedFile << ")\n";
    std::cout << passed << " passed, " << failed << " failed\n";
    return requiredFailed ? 1 : 0;
}
