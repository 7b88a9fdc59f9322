// dstypes: inspect, convert and produce the directory service text forms.
// Exit status: 0 on success, 1 when a file or stream cannot be read or written, 2 on bad
// input (text or JSON), 64 on a usage error (EX_USAGE: a subcommand, option or argument
// that is not one).
#include <fcntl.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <new>
#include <sstream>

#include "DirectoryServiceTypes.h"
#include "core.h"

namespace {

using dstypes::BadInput;
using dstypes::BadText;
using dstypes::IoError;
using dstypes::Kind;
using dstypes::Layout;
using dstypes::Origin;
using dstypes::Output;
using dstypes::Strict;

// A subcommand, option or argument that is not one (exit status 64); `help` names the help to read.
struct UsageError : std::runtime_error {
    UsageError(const std::string& message, std::string helpCommand)
        : std::runtime_error(message), help(std::move(helpCommand)) {}
    std::string help;
};
constexpr int kUsage = 64;

// The name messages give a file: "standard input" for "-".
std::string nameOf(const std::string& file) { return file == "-" ? "standard input" : file; }

// Each line of `text`, without its line break (nor a '\r' before it), with its number from 1;
// a last line without a line break counts, an empty text has none.
template <typename Each>
void eachLine(std::string_view text, Each each) {
    std::size_t number = 0;
    for (std::size_t begin = 0; begin < text.size(); ++number) {
        std::size_t end = text.find('\n', begin);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        each(line, number + 1);
    }
}

bool blank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// The whole of a file, or of standard input for "-"; a directory, a closed descriptor or a
// failed read is an IoError.
std::string readAll(const std::string& file) {
    const bool stdinput = file == "-";
    const int fd = stdinput ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const std::string name = stdinput ? "standard input" : file;
    if (fd < 0) throw IoError("cannot open " + name + ": " + std::strerror(errno));
    std::string all;
    char chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            if (!stdinput) ::close(fd);
            throw IoError("cannot read " + name + ": " + std::strerror(error));
        }
        if (n == 0) break;
        all.append(chunk, static_cast<std::size_t>(n));
    }
    if (!stdinput) ::close(fd);
    return all;
}

// A capture up to this size is decoded into memory whole, then written; a longer one is
// read through once to check it, then written as it is decoded.
constexpr std::size_t kWholeInMemory = 1 << 20;

struct DecodeOptions {
    std::vector<std::string> files{"-"};
    const Kind* kind = nullptr;
    bool compact = false, xml = false, pretty = false, lines = false, lenient = false;
};

// One capture: its JSON (or XML) on `out`, whole or not at all, so that a reader of the
// stream never sees part of a document that failed. `where` prefixes the lenient reading's
// notes ("file: " or "file:3: ").
void decodeOne(std::string_view text, const DecodeOptions& o, const std::string& where, Output& out) {
    bool read = false;  // whether the strict reading has taken the text already
    bool (*among)(const Kind&) = o.xml ? dstypes::hasXml : o.lenient ? dstypes::hasClass : nullptr;
    const Kind& kind = o.kind ? *o.kind : dstypes::detectKind(text, &read, among);
    const Origin origin = o.kind ? Origin::given : Origin::detected;
    const Strict strict = read ? Strict::taken : Strict::check;
    const Layout layout = o.compact || o.lines ? Layout::compact : Layout::indented;
    if (o.xml) {
        const std::string xml = dstypes::toXml(text, kind, origin, strict);
        out.write(o.pretty ? dstypes::prettyXml(xml, kind) : xml + "\n");
    } else if (o.lenient) {  // cannot fail once it has begun
        std::vector<std::string> notes;
        dstypes::decodeLenient(text, kind, origin, layout, out, notes, strict);
        for (const std::string& note : notes) std::cerr << "dstypes: " << where << note << "\n";
    } else if (text.size() <= kWholeInMemory) {
        Output document;
        dstypes::decode(text, kind, origin, layout, document);
        out.write(document.collected());
    } else {  // a long capture is read through before any of it is written, then streamed
        Output none(Output::kDiscard);
        if (!read) dstypes::decode(text, kind, origin, layout, none);
        dstypes::decode(text, kind, origin, layout, out);
    }
}

// Line for line: each line's document on a line of its own, and an empty line for a blank
// line or for one that fails (its message on standard error, after "file:LINE:COLUMN: " for
// a text's fault, "file:LINE: " otherwise). Returns the exit status so far.
template <typename Convert>
int lineForLine(std::string_view text, const std::string& name, Output& out, Convert convert) {
    int status = 0;
    eachLine(text, [&](std::string_view line, std::size_t number) {
        const std::string where = name + ":" + std::to_string(number) + ": ";
        try {
            Output document;
            if (!blank(line)) convert(line, where, document);
            out.write(document.collected().empty() ? "\n" : document.collected());
        } catch (const BadText& e) {
            std::cerr << "dstypes: " << name << ":" << number << ":" << e.at + 1 << ": " << e.what() << "\n";
            out.put('\n'), status = 2;
        } catch (const BadInput& e) {
            std::cerr << "dstypes: " << where << e.what() << "\n";
            out.put('\n'), status = 2;
        }
    });
    return status;
}

// Decodes every file (or every line of every file); returns the exit status.
int decodeAll(const DecodeOptions& o) {
    if (std::count(o.files.begin(), o.files.end(), "-") > 1)
        throw UsageError("standard input (-) can be read only once", "decode");
    Output out(STDOUT_FILENO);
    int status = 0;
    for (const std::string& file : o.files) {
        const std::string name = nameOf(file);
        const std::string prefix = file != "-" || o.files.size() > 1 ? name + ": " : "";  // a file is named
        try {
            const std::string text = readAll(file);
            if (o.lines) {
                const int s = lineForLine(
                    text, name, out, [&o](std::string_view line, const std::string& where, Output& document) {
                        decodeOne(line, o, where, document);
                    });
                status = status ? status : s;
                continue;
            }
            if (blank(text) && text.find_first_not_of(" \t\r\n") == std::string::npos && !o.kind)
                std::cerr << "dstypes: " << name << ": no text; read as an empty set of search results\n";
            decodeOne(text, o, prefix, out);
        } catch (const BadInput& e) {
            std::cerr << "dstypes: " << prefix << e.what() << "\n";
            status = status ? status : 2;
        } catch (const IoError& e) {
            std::cerr << "dstypes: " << e.what() << "\n";
            status = 1;
        }
    }
    out.flush();
    return status;
}

// encode [KIND] [FILE]: KIND when the first word names a kind (or two words are given); with
// none, each document names its own.
int encodeAll(const std::string& word, std::string file, bool lines) {
    const Kind* kind = word.empty() ? nullptr : dstypes::kindNamed(word);
    if (!kind && !word.empty() && file != "-")
        throw UsageError("no kind is named " + word + " (dstypes kinds lists them)", "encode");
    if (!kind && !word.empty()) file = word;
    const std::string json = readAll(file);
    auto one = [kind](std::string_view document, Output& text) {
        dstypes::encode(document, kind ? *kind : dstypes::kindOfJson(document), text);
    };
    if (!lines) {
        Output text;  // whole before any of it is written
        one(json, text);
        dstypes::writeAll(STDOUT_FILENO, text.collected());
        return 0;
    }
    Output out(STDOUT_FILENO);
    const int status =
        lineForLine(json, nameOf(file), out, [&one](std::string_view line, const std::string&, Output& text) {
            one(line, text);
            if (text.collected().find('\n') != std::string::npos)
                throw BadInput("the text holds a line break (in its header), which --lines cannot write");
            text.put('\n');
        });
    out.flush();
    return status;
}

// The browser viewer's page, installed beside the tool: PREFIX/share/dstypes for
// PREFIX/bin/dstypes, wherever PREFIX is.
int viewer() {
    std::error_code error;
    const std::filesystem::path tool = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path page = (tool.parent_path() / DST_VIEWER_PAGE).lexically_normal();
    if (error || !std::filesystem::is_regular_file(page, error)) {
        std::cerr << "dstypes: the viewer is not installed beside this dstypes: no " << page.string() << "\n";
        return 1;
    }
    Output out(STDOUT_FILENO);
    out.write(page.string() + "\n");
    out.flush();
    return 0;
}

// Each kind's name and what its text holds, one a line, the names in a column.
int listKinds() {
    std::size_t width = 0;
    for (const Kind* kind : dstypes::kKinds) width = std::max(width, kind->name.size());
    Output out(STDOUT_FILENO);
    for (const Kind* kind : dstypes::kKinds) {
        out.write(kind->name);
        out.write(std::string(width + 2 - kind->name.size(), ' '));
        out.write(kind->summary);
        out.put('\n');
    }
    out.flush();
    return 0;
}

int demo() {
    PhonebookGroupList producer, receiver;
    PhonebookGroup family(3, "Family", "/usr/share/sounds/ring1.wav");
    producer.updateGroup(family);
    std::string text = producer.serialize();
    Output out(STDOUT_FILENO);
    out.write("producer's table as text:\n  " + text + "\n");
    receiver.deserialize(text);
    out.write("receiver: " + std::to_string(receiver.countUsedGroups()) + " used group, \"Family\" in slot " +
              std::to_string(receiver.getGroupWithName("Family")) + "\nas JSON:\n");
    dstypes::decode(producer.serialize(), *dstypes::kindNamed("group-list"), Origin::given, Layout::indented, out);
    out.flush();
    return 0;
}

// The help of dstypes as a whole: how to call each subcommand, then every subcommand's options,
// from their definitions; the man page is made from it (help2man).
std::string fullHelp(const CLI::App* app) {
    std::ostringstream out;
    const auto subcommands = app->get_subcommands([](const CLI::App*) { return true; });
    const char* usage = "Usage: ";
    for (const CLI::App* sub : subcommands) {
        out << usage << "dstypes " << sub->get_name();
        if (sub->get_options([](const CLI::Option* o) { return o->nonpositional() && o->get_name() != "--help"; })
                .size())
            out << " [OPTION...]";
        for (const CLI::Option* o : sub->get_options([](const CLI::Option* o) { return o->get_positional(); }))
            out << " [" << o->get_type_name() << (o->get_expected_max() > 1 ? "...]" : "]");
        out << "\n", usage = "  or:  ";
    }
    out << usage << "dstypes --help | --version\n" << app->get_description() << "\n\nSubcommands:\n";
    for (const CLI::App* sub : subcommands)
        out << "  " << std::left << std::setw(10) << sub->get_name() << sub->get_description() << "\n";
    for (const CLI::App* sub : subcommands) {
        const auto options =
            sub->get_options([](const CLI::Option* o) { return o->nonpositional() && o->get_name() != "--help"; });
        if (options.empty()) continue;
        out << "\nOptions of " << sub->get_name() << ":\n";
        for (const CLI::Option* o : options) {
            const std::string type = o->get_type_name();  // "KIND:{...}" with a check: its name alone
            out << "  " << std::left << std::setw(18) << (o->get_name() + " " + type.substr(0, type.find(':')))
                << o->get_description() << "\n";
        }
    }
    out << "\nOptions:\n  -h, --help        This help; SUBCOMMAND --help: that subcommand's alone\n"
           "  --version         The version\n\n"
        << app->get_footer();
    return out.str();
}

// A parse error of the command line, as a usage error that names what is wrong.
[[noreturn]] void usageOf(CLI::App& app, const CLI::ParseError& e) {
    const std::vector<CLI::App*> parsed = app.get_subcommands();
    CLI::App* sub = parsed.empty() ? nullptr : parsed.front();
    const std::string help = sub ? sub->get_name() : "", of = sub ? " for " + sub->get_name() : "";
    std::string subcommands;
    for (const CLI::App* each : app.get_subcommands([](const CLI::App*) { return true; }))
        subcommands += (subcommands.empty() ? "" : ", ") + each->get_name();
    for (const std::string& extra : app.remaining(true)) {
        if (extra.empty() || extra[0] != '-')
            throw UsageError((sub ? "unexpected argument " + extra + of : "unknown subcommand " + extra) +
                                 " (subcommands: " + subcommands + ")",
                help);
        throw UsageError("unknown option " + extra + of, help);
    }
    if (!sub) throw UsageError("a subcommand is required: one of " + subcommands, "");
    throw UsageError(e.what(), help);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Inspect, convert and produce the directory service text forms.", "dstypes"};
    app.set_version_flag("--version", std::string("dstypes ") + DST_VERSION);
    app.require_subcommand(1);
    std::vector<std::string> names;
    std::string kinds;
    for (const Kind* k : dstypes::kKinds)
        names.emplace_back(k->name), kinds += (kinds.empty() ? "" : ", ") + names.back();
    app.footer("Kinds: " + kinds +
               " (dstypes kinds says what each holds).\n"
               "decode detects the kind unless --as names it; encode takes it from the JSON's \"kind\" unless KIND\n"
               "names it. FILE - is standard input, the default.\n"
               "With --lines, output line N is what input line N gives: a blank line, or one that fails (its\n"
               "message on standard error, after FILE:LINE:COLUMN:), gives an empty line.\n\n"
               "Exit status:\n"
               "  0   success\n"
               "  1   a file or stream cannot be read or written\n"
               "  2   bad input: a text or JSON that does not read (for --lines, any line)\n"
               "  64  a usage error: a subcommand, option or argument that is not one\n\n"
               "Examples:\n"
               "  dstypes decode capture.txt                 the capture as JSON, its kind detected\n"
               "  dstypes decode --as group --xml group.txt  a call group as the library's XML\n"
               "  dstypes decode --lines captures.txt | dstypes encode --lines   and back, line for line\n"
               "  dstypes decode --lenient capture.txt       what the library's class reads, and the faults\n\n"
               "See also:\n"
               "  dst-serializer-check(1); dstypes viewer prints where the browser viewer's page is.\n");

    DecodeOptions d;
    std::string asKind;
    CLI::App* decodeCmd = app.add_subcommand("decode", "Print text forms as JSON (or as XML)");
    decodeCmd->add_option("files", d.files, "Texts to read; - for standard input")
        ->type_name("FILE")
        ->capture_default_str();
    decodeCmd->add_option("--as", asKind, "Read the text as this kind: " + kinds)
        ->check(CLI::IsMember(names))
        ->type_name("KIND");
    decodeCmd->add_flag("--compact", d.compact, "JSON on one line");
    CLI::Option* lines =
        decodeCmd->add_flag("--lines", d.lines, "One text per line; one JSON object per line (NDJSON)");
    decodeCmd->add_flag("--lenient", d.lenient,
        "Show what the library's own classes read, and list on stderr what the strict reading objects to");
    CLI::Option* xml =
        decodeCmd->add_flag("--xml", d.xml, "Print the library's XML form (group-list, group, dimensions)");
    decodeCmd->add_flag("--pretty", d.pretty, "With --xml: an indented XML document")->needs(xml)->excludes(lines);
    decodeCmd->get_option("--lenient")->excludes(xml);

    std::string encodeKind, encodeFile = "-";
    bool encodeLines = false;
    CLI::App* encodeCmd = app.add_subcommand("encode", "Write the text form of JSON in the shape decode prints");
    encodeCmd->add_option("kind", encodeKind, "One of: " + kinds + "; by default the kind the JSON names")
        ->type_name("KIND");
    encodeCmd->add_option("file", encodeFile, "JSON to read; - for standard input")
        ->type_name("FILE")
        ->capture_default_str();
    encodeCmd->add_flag("--lines", encodeLines, "One JSON document per line (NDJSON); one text per line");

    CLI::App* kindsCmd = app.add_subcommand("kinds", "List the kinds of text and what each holds");
    CLI::App* demoCmd = app.add_subcommand("demo", "Walk a group table from producer to receiver");
    CLI::App* viewerCmd = app.add_subcommand("viewer", "Print where the browser viewer's page is installed");
    app.formatter_fn([](const CLI::App* a, std::string, CLI::AppFormatMode) { return fullHelp(a); });

    try {
        try {
            app.parse(argc, argv);
        } catch (const CLI::CallForHelp&) {
            throw;
        } catch (const CLI::CallForVersion&) {
            throw;
        } catch (const CLI::ParseError& e) {
            usageOf(app, e);
        }
    } catch (const CLI::ParseError& e) {  // help and version, on standard output
        app.exit(e);
        if (std::cout.flush()) return 0;
        std::cerr << "dstypes: cannot write the output: " << std::strerror(errno) << "\n";
        return 1;
    } catch (const UsageError& e) {
        std::cerr << "dstypes: " << e.what() << "\nTry 'dstypes " << (e.help.empty() ? "" : e.help + " ")
                  << "--help'.\n";
        return kUsage;
    }
    try {
        if (*kindsCmd) return listKinds();
        if (*demoCmd) return demo();
        if (*viewerCmd) return viewer();
        if (!asKind.empty()) d.kind = dstypes::kindNamed(asKind);
        if (*decodeCmd) return decodeAll(d);
        return encodeAll(encodeKind, encodeFile, encodeLines);
    } catch (const UsageError& e) {
        std::cerr << "dstypes: " << e.what() << "\nTry 'dstypes " << e.help << " --help'.\n";
        return kUsage;
    } catch (const BadInput& e) {
        std::cerr << "dstypes: " << e.what() << "\n";
        return 2;
    } catch (const IoError& e) {
        std::cerr << "dstypes: " << e.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "dstypes: out of memory\n";
        return 1;
    }
}
