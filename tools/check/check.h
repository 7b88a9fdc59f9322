// dst-serializer-check, apart from its command line and report (dst_serializer_check.cpp).
// One file per concern: library.cpp (the library under test: loading it, its operations),
// children.cpp (each check in a child process with a time limit), values.cpp (the values
// checked, and how a failure shows them), properties.cpp (the required checks) and
// vectors.cpp (the vectors of our text form).
#ifndef DST_TOOLS_CHECK_CHECK_H
#define DST_TOOLS_CHECK_CHECK_H

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "PhonebookRecord.h"

namespace dstcheck {

/// A value of one of the three kinds the operations take.
using Value = std::variant<int, std::string, PhonebookRecord>;
/// The kinds' names, in the order of Value's alternatives.
extern const char* const kKinds[3];

/// A library, or an argument, that cannot be checked (exit status 2).
struct Unusable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// One check: `run` returns "" when it passes, else what went wrong.
struct Check {
    std::string id, title, consequence;
    bool required;
    std::function<std::string()> run;
};

struct Outcome {
    bool passed = false;
    std::string detail;
};

// --- library.cpp ---------------------------------------------------------------------------

/// Loads the library at `path` (in a child first, so that one that crashes while loading is
/// reported); a name without a '/' that is a file here is that file.
void* load(std::string path, int timeoutSeconds);
/// The file the dynamic linker loaded for `handle`.
std::string fileOf(void* handle);
/// Finds the six operations in the library `handle`, or throws Unusable naming what lacks.
void findOperations(void* handle, const std::string& path);
/// The check of the libLoggingHandler.so at `path`; `file` receives the file loaded.
Check loggerCheck(const std::string& path, int timeoutSeconds, std::string& file);

/// The found operations, on a value of any kind.
void encodeValue(std::string& b, const Value& v);
std::string encoding(const Value& v);
/// Decodes a value of the kind `out` holds.
bool decodeValue(std::string& b, Value& out);

// --- children.cpp --------------------------------------------------------------------------

/// Shares the note of what the running check is doing with the children; before any run.
void shareDoing();
/// Notes what the running check is doing, for the report of a crash or a hang.
void doing(const std::string& what);
/// Runs `checks` in children: each required check in one of its own, the others one after
/// another in one child until one crashes or runs out of time, which fails that check; the
/// next starts in a fresh child.
std::vector<Outcome> runAll(const std::vector<Check>& checks, int timeoutSeconds);

// --- values.cpp ----------------------------------------------------------------------------

/// A value of the same kind that differs from `v`, for out-arguments that must change.
Value otherThan(const Value& v);
/// What an out-argument holds before a decode that must not change it, one a kind.
extern const Value kSentinels[3];

/// `s` in double quotes, bytes that are not printable ASCII as \xNN, cut after `cap` bytes.
std::string quote(const std::string& s, std::size_t cap = 60);
/// "the integer 5", "the string \"x\"", "the record {...}".
std::string describe(const Value& v);
/// "an integer", "a string", "a record".
std::string aKindOf(const Value& v);

/// Values for the properties, smallest first within each kind.
std::vector<Value> propertyValues();
/// Values of kind `kind` (an index of kKinds) for the round trips.
std::vector<Value> roundTripValues(int kind);
/// Texts that follow a value in a working string: other encodings, of every kind.
std::vector<std::string> followers();
/// Texts that hold no value at their front, or may not, made from `values`.
std::vector<std::string> damagedTexts(const std::vector<Value>& values);

// --- properties.cpp, vectors.cpp -----------------------------------------------------------

/// The required checks: the properties, and the round trips of every kind.
std::vector<Check> requiredChecks();
/// The cases of every *.json in `dir`, in file order; `files` receives each file's name and
/// number of cases.
std::vector<Check> vectorChecks(const std::string& dir, std::vector<std::pair<std::string, std::size_t>>& files);

}  // namespace dstcheck

#endif
