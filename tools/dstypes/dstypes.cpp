// dstypes: inspect, convert and produce the directory service text forms.
// Exit status: 0 on success, 1 when a file or stream cannot be read or written, 2 on bad
// input (text, JSON or arguments).
#include <fcntl.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <new>

#include "DirectoryServiceTypes.h"
#include "core.h"

namespace {

using dstypes::BadInput;
using dstypes::IoError;
using dstypes::Kind;
using dstypes::Layout;
using dstypes::Origin;
using dstypes::Output;
using dstypes::Strict;

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
// stream never sees part of a document that failed. `where` prefixes messages ("file: " or
// "file:3: ").
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

// Decodes every file (or every line of every file); returns the exit status.
int decodeAll(const DecodeOptions& o) {
    if (std::count(o.files.begin(), o.files.end(), "-") > 1) throw BadInput("standard input (-) can be read only once");
    Output out(STDOUT_FILENO);
    int status = 0;
    for (const std::string& file : o.files) {
        const std::string name = file == "-" ? "standard input" : file;
        const std::string prefix = o.files.size() > 1 ? name + ": " : "";
        try {
            const std::string text = readAll(file);
            if (!o.lines) {
                if (text.find_first_not_of(" \t\r\n") == std::string::npos && !o.kind)
                    std::cerr << "dstypes: " << name << ": no text; read as an empty set of search results\n";
                decodeOne(text, o, prefix, out);
                continue;
            }
            std::size_t number = 0;
            for (std::size_t begin = 0; begin < text.size(); ++number) {
                std::size_t end = text.find('\n', begin);
                end = end == std::string::npos ? text.size() : end;
                std::string_view line(text.data() + begin, end - begin);
                begin = end + 1;
                if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
                if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
                const std::string where = name + ":" + std::to_string(number + 1) + ": ";
                try {
                    decodeOne(line, o, where, out);
                } catch (const BadInput& e) {
                    std::cerr << "dstypes: " << where << e.what() << "\n";
                    status = status ? status : 2;
                }
            }
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

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Inspect, convert and produce the directory service text forms.", "dstypes"};
    app.set_version_flag("--version", std::string("dstypes ") + DST_VERSION);
    app.require_subcommand(1);
    std::vector<std::string> names;
    std::string kinds;
    for (const Kind* k : dstypes::kKinds)
        names.emplace_back(k->name), kinds += (kinds.empty() ? "" : ", ") + names.back();
    app.footer(
        "Subcommands in full (each has --help):\n"
        "  dstypes decode [FILE...] [--as KIND] [--compact] [--lines] [--lenient] [--xml [--pretty]]\n"
        "  dstypes encode KIND [FILE]\n"
        "  dstypes kinds    (each kind of text, and what it holds)\n"
        "  dstypes demo\n"
        "  dstypes viewer   (where the browser viewer's page is: open it in a browser)\n"
        "Kinds: " +
        kinds +
        ". decode detects the kind unless --as names it; FILE - is standard input.\n"
        "Exit status: 0 on success, 1 when a file cannot be read or written, 2 on bad input.");

    DecodeOptions d;
    std::string asKind;
    CLI::App* decodeCmd = app.add_subcommand("decode", "Print text forms as JSON (or as XML)");
    decodeCmd->add_option("files", d.files, "Texts to read; - for standard input")->capture_default_str();
    decodeCmd->add_option("--as", asKind, "Read the text as this kind: " + kinds)->check(CLI::IsMember(names));
    decodeCmd->add_flag("--compact", d.compact, "JSON on one line");
    decodeCmd->add_flag("--lines", d.lines, "One text per line; one JSON object per line (NDJSON)");
    decodeCmd->add_flag("--lenient", d.lenient,
        "Show what the library's own classes read, and list on stderr what the strict reading objects to");
    CLI::Option* xml =
        decodeCmd->add_flag("--xml", d.xml, "Print the library's XML form (group-list, group, dimensions)");
    decodeCmd->add_flag("--pretty", d.pretty, "With --xml: an indented XML document")->needs(xml);
    decodeCmd->get_option("--lenient")->excludes(xml);

    std::string encodeKind, encodeFile = "-";
    CLI::App* encodeCmd = app.add_subcommand("encode", "Write the text form of JSON in the shape decode prints");
    encodeCmd->add_option("kind", encodeKind, "One of: " + kinds)->required()->check(CLI::IsMember(names));
    encodeCmd->add_option("file", encodeFile, "JSON to read; - for standard input")->capture_default_str();

    CLI::App* kindsCmd = app.add_subcommand("kinds", "List the kinds of text and what each holds");
    CLI::App* demoCmd = app.add_subcommand("demo", "Walk a group table from producer to receiver");
    CLI::App* viewerCmd = app.add_subcommand("viewer", "Print where the browser viewer's page is installed");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e) == 0 ? 0 : 2;
        if (std::cout.flush()) return status;  // help and version go there
        std::cerr << "dstypes: cannot write the output: " << std::strerror(errno) << "\n";
        return 1;
    }
    try {
        if (*kindsCmd) return listKinds();
        if (*demoCmd) return demo();
        if (*viewerCmd) return viewer();
        if (!asKind.empty()) d.kind = dstypes::kindNamed(asKind);
        if (*decodeCmd) return decodeAll(d);
        Output text;  // whole before any of it is written
        dstypes::encode(readAll(encodeFile), *dstypes::kindNamed(encodeKind), text);
        dstypes::writeAll(STDOUT_FILENO, text.collected());
        return 0;
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
