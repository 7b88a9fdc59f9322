// dst-serializer-check: loads a libSerializer.so at run time and checks the properties the
// directory service types rely on (docs/platform.md) with generated values, then runs the
// vectors of our text form (docs/wire-format.md). Every check runs in a child process with a
// time limit, so that a crash or a hang inside the library under test fails that check and
// nothing else. This file holds the command line and the report; check.h the rest.
// Exit status: 0 when every required check passes, 1 when one does not, 2 when the library
// cannot be checked (not loadable, an operation missing or defined in another file, bad
// arguments or vectors).

#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>

#include "check.h"

using namespace dstcheck;

namespace {

// The installed vectors, beside the installed program.
std::string defaultVectors() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "";
    const auto vectors = self.parent_path().parent_path() / "share" / "dst-serializer-check" / "vectors";
    return std::filesystem::is_directory(vectors, error) ? vectors.string() : "";
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

// The report of every outcome, and the exit status: the required checks one by one, then
// each file of vectors with its failing cases (the first five unless --all), then the
// verdict, whose last line counts the required checks alone.
struct ReportOptions {
    std::set<std::string> expected;  // the checks listed as known failures
    std::string expectedFile;        // where they are listed
    bool all = false;                // every failing case of our text form, not the first five of a file
    bool requireTextForm = false;    // the cases of our text form are required too
    bool logger = false;             // whether a libLoggingHandler.so is checked
};

int report(const std::vector<Check>& checks, const std::vector<Outcome>& outcomes,
    const std::vector<std::pair<std::string, std::size_t>>& files, const ReportOptions& options) {
    const std::string& list = options.expectedFile;
    std::size_t passed = 0, failed = 0, asExpected = 0, stale = 0, file = 0, inFile = 0, fileFailed = 0, shown = 0,
                textFormPassed = 0, textForm = 0;
    constexpr std::size_t kShown = 5;
    if (!options.logger)
        std::cout << "  SKIP  logAppUni-returns: not checked, as no --logging-handler FILE is given (the library "
                     "logs through logAppUni when it refuses a dimensions text)\n";
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const Check& c = checks[i];
        const Outcome& o = outcomes[i];
        const bool listed = options.expected.count(c.id) != 0, required = c.required || options.requireTextForm;
        // Required: PASS, FAIL, XFAIL (listed, fails) or STALE (listed, passes); our text form apart: DIFFERS.
        const char* verdict = o.passed ? (listed ? "STALE" : "PASS") : listed ? "XFAIL" : required ? "FAIL" : "DIFFERS";
        if (required) {
            (o.passed ? passed : listed ? asExpected : failed) += 1;
            stale += listed && o.passed;
        }
        if (c.required) {
            std::cout << "  " << verdict << "  " << c.id << ": " << c.title << "\n";
            if (!o.passed)
                std::cout << "        example: " << o.detail << "\n        without it: " << c.consequence << "\n";
            if (!o.passed && !listed)
                std::cout
                    << "        next: ask the platform's vendor for a library with this property (docs/platform.md#"
                    << (c.id == "logAppUni-returns" ? "logappuni" : "serializer") << "); until then, listing " << c.id
                    << " in a file given to --expected-failures lets the run pass, at the cost above\n";
            if (listed && o.passed)
                std::cout << "        listed in " << list
                          << ", but passes: remove it there, or its loss would go unseen\n";
            continue;
        }
        if (file == 0 && inFile == 0)
            std::cout << "\nOur text form (docs/wire-format.md): "
                      << (options.requireTextForm ? "required (--require-text-form)\n"
                                                  : "not required of a platform serializer\n");
        if ((!o.passed || listed) && (options.all || shown++ < kShown))
            std::cout << "  " << verdict << "  " << c.id << ": "
                      << (o.passed ? "passes, but is listed in " + list : o.detail) << "\n";
        fileFailed += !o.passed, ++textForm, textFormPassed += o.passed;
        if (++inFile == files[file].second) {
            if (shown > kShown) std::cout << "  ... and " << shown - kShown << " more (--all shows them)\n";
            shown = 0;
            std::cout << "  " << files[file].first << ": " << inFile - fileFailed << " of " << inFile
                      << " cases pass\n";
            ++file, inFile = 0, fileFailed = 0;
        }
    }
    std::cout << "\n";
    if (files.empty())
        std::cout << "Our text form: not checked (no vectors installed; give --vectors DIR)\n";
    else if (!options.requireTextForm)
        std::cout << "Our text form: " << textFormPassed << " of " << textForm << " cases pass (not required)\n";
    if (asExpected) std::cout << asExpected << " required checks fail as expected (listed in " << list << ")\n";
    if (stale) std::cout << stale << " listed in " << list << " pass: the list is stale (see STALE above)\n";
    std::cout << (failed ? "The library lacks a property the directory service types rely on: see next: above.\n"
                         : "Every required check passes.\n")
              << "Required checks: " << passed << " passed, " << failed << " failed\n";
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Check that a platform's libSerializer.so has every property the directory service types rely on, "
        "and which cases of our text form it passes.",
        "dst-serializer-check"};
    app.set_version_flag("--version", std::string("dst-serializer-check ") + DST_VERSION);
    std::string library, vectors, logger;
    int timeout = 60;
    ReportOptions options;
    app.add_option("library", library, "The libSerializer.so to check")->required()->type_name("FILE");
    app.add_option("--vectors", vectors, "Folder of the JSON vectors of our text form (default: the installed ones)")
        ->check(CLI::ExistingDirectory);
    app.add_option("--expected-failures", options.expectedFile,
           "File of check names, one a line, that are known to fail ('#' starts a comment)")
        ->check(CLI::ExistingFile);
    app.add_flag("--all", options.all,
        "Show every case of our text form that fails or is listed, not the first five of each file");
    app.add_flag("--require-text-form", options.requireTextForm,
        "Require every case of our text form too, as the dstypes tool does: a failing case fails the run");
    app.add_option("--logging-handler", logger, "Also check this libLoggingHandler.so: logAppUni is there and returns")
        ->type_name("FILE");
    app.add_option(
           "--timeout", timeout, "Seconds of processor time, or of sleep, after which a check counts as hanging")
        ->capture_default_str()
        ->check(CLI::Range(1, 86400));
    app.footer(
        "Required checks (the properties of docs/platform.md, for any encoding): appends-only, self-delimiting,\n"
        "removes-one-value, no-colon, no-recEnd, bool-result, failure-unchanged, round-trip-integers,\n"
        "round-trip-strings, round-trip-records, and logAppUni-returns with --logging-handler. Each is PASS or\n"
        "FAIL (with an example, what callers see without it, and what to do next); a check listed with\n"
        "--expected-failures is XFAIL while it fails and STALE once it passes (remove it from the list: a stale\n"
        "entry does not fail the run, as the library has the property, but would hide its loss).\n"
        "The cases of our text form (docs/wire-format.md) are reported apart, DIFFERS for each that fails, and\n"
        "are not required unless --require-text-form makes them so.\n"
        "Each check runs in a child process: a crash or a hang inside the library fails that check only. A\n"
        "check hangs when it uses --timeout seconds of processor time, or sleeps that long without using any: a\n"
        "library that is slow only because the machine is busy waits for a processor, and is not failed.\n"
        "The last line is \"Required checks: N passed, N failed\", 0 failed exactly when the exit status is 0.\n\n"
        "Exit status:\n"
        "  0   every required check passes (XFAIL and STALE aside)\n"
        "  1   a required check fails\n"
        "  2   the library cannot be checked: not loadable, an operation missing, built with the old string\n"
        "      ABI, or loaded from another file that it loads; or bad arguments or vectors\n\n"
        "Examples:\n"
        "  dst-serializer-check /opt/platform/lib/libSerializer.so --logging-handler "
        "/opt/platform/lib/libLoggingHandler.so\n"
        "  dst-serializer-check libSerializer.so --expected-failures known-failures.txt\n\n"
        "See also:\n"
        "  dstypes(1); docs/platform.md, the properties and what callers see without each.\n");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }

    std::vector<Check> checks;
    std::vector<std::pair<std::string, std::size_t>> files;
    std::string libraryFile, loggerFile;
    std::vector<Outcome> outcomes;
    options.logger = !logger.empty();
    try {
        shareDoing();
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
        if (!options.expectedFile.empty()) options.expected = readExpectedFailures(options.expectedFile, known);
        std::cout << "Checking " << libraryFile << (logger.empty() ? "" : " and " + loggerFile) << "\n\n"
                  << "Required: what the directory service types rely on (docs/platform.md), for any encoding\n";
        outcomes = runAll(checks, timeout);
    } catch (const std::exception& e) {
        std::cerr << "dst-serializer-check: " << e.what() << "\n";
        return 2;
    }
    return report(checks, outcomes, files, options);
}
