// dstypes: inspect, convert and produce the directory service text forms.
// Exit status: 0 on success, 1 when a file or stream cannot be read or written, 2 on bad
// input (text, JSON or arguments).
#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <new>

#include "DirectoryServiceTypes.h"
#include "dstypes_core.h"

namespace {

using dstypes::BadInput;
using dstypes::IoError;
using dstypes::Output;

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

struct DecodeOptions {
    std::vector<std::string> files{"-"};
    std::string kind;
    bool compact = false, xml = false, pretty = false, lines = false, lenient = false;
};

// One capture: its JSON (or XML) on `out`. `where` prefixes messages ("file: " or "file:3: ").
void decodeOne(std::string_view text, const DecodeOptions& o, const std::string& where, Output& out) {
    const std::string kind = o.kind.empty() ? dstypes::detectKind(text) : o.kind;
    const std::string assumed = o.kind.empty() ? "detected" : "given";
    if (o.xml) {
        out.write(dstypes::toXml(text, kind, assumed, o.pretty));
    } else if (o.lenient) {
        std::vector<std::string> notes;
        dstypes::decodeLenient(text, kind, assumed, o.compact || o.lines, out, notes);
        for (const std::string& note : notes) std::cerr << "dstypes: " << where << note << "\n";
    } else {
        dstypes::decode(text, kind, assumed, o.compact || o.lines, out);
    }
}

// Decodes every file (or every line of every file); returns the exit status.
int decodeAll(const DecodeOptions& o) {
    Output out(STDOUT_FILENO);
    int status = 0;
    for (const std::string& file : o.files) {
        const std::string name = file == "-" ? "standard input" : file;
        const std::string prefix = o.files.size() > 1 ? name + ": " : "";
        const std::size_t mark = out.mark();
        try {
            const std::string text = readAll(file);
            if (!o.lines) {
                if (text.find_first_not_of(" \t\r\n") == std::string::npos && o.kind.empty())
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
                const std::size_t lineMark = out.mark();
                try {
                    decodeOne(line, o, where, out);
                } catch (const BadInput& e) {
                    out.rollback(lineMark);
                    std::cerr << "dstypes: " << where << e.what() << "\n";
                    status = status ? status : 2;
                }
            }
        } catch (const BadInput& e) {
            out.rollback(mark);  // nothing of a document that failed, as far as it is not yet written
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
    dstypes::decode(producer.serialize(), "group-list", "given", false, out);
    out.flush();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Inspect, convert and produce the directory service text forms.", "dstypes"};
    app.set_version_flag("--version", std::string("dstypes ") + DST_VERSION);
    app.require_subcommand(1);
    std::string kinds;
    for (const std::string& k : dstypes::kKinds) kinds += (kinds.empty() ? "" : ", ") + k;
    app.footer("Subcommands in full (each has --help):\n"
               "  dstypes decode [FILE...] [--as KIND] [--compact] [--lines] [--lenient] [--xml [--pretty]]\n"
               "  dstypes encode KIND [FILE]\n"
               "  dstypes demo\n"
               "Kinds: " + kinds + ". decode detects the kind unless --as names it; FILE - is standard input.\n"
               "Exit status: 0 on success, 1 when a file cannot be read or written, 2 on bad input.");

    DecodeOptions d;
    CLI::App* decodeCmd = app.add_subcommand("decode", "Print text forms as JSON (or as XML)");
    decodeCmd->add_option("files", d.files, "Texts to read; - for standard input")->capture_default_str();
    decodeCmd->add_option("--as", d.kind, "Read the text as this kind: " + kinds)->check(CLI::IsMember(dstypes::kKinds));
    decodeCmd->add_flag("--compact", d.compact, "JSON on one line");
    decodeCmd->add_flag("--lines", d.lines, "One text per line; one JSON object per line (NDJSON)");
    decodeCmd->add_flag("--lenient", d.lenient, "Show what the library's own classes read, and list on stderr what the strict reading objects to");
    CLI::Option* xml = decodeCmd->add_flag("--xml", d.xml, "Print the library's XML form (group-list, group, dimensions)");
    decodeCmd->add_flag("--pretty", d.pretty, "With --xml: an indented XML document")->needs(xml);
    decodeCmd->get_option("--lenient")->excludes(xml);

    std::string encodeKind, encodeFile = "-";
    CLI::App* encodeCmd = app.add_subcommand("encode", "Write the text form of JSON in the shape decode prints");
    encodeCmd->add_option("kind", encodeKind, "One of: " + kinds)->required()->check(CLI::IsMember(dstypes::kKinds));
    encodeCmd->add_option("file", encodeFile, "JSON to read; - for standard input")->capture_default_str();

    CLI::App* demoCmd = app.add_subcommand("demo", "Walk a group table from producer to receiver");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    try {
        if (*demoCmd) return demo();
        if (*decodeCmd) return decodeAll(d);
        Output out(STDOUT_FILENO);
        try {
            dstypes::encode(readAll(encodeFile), encodeKind, out);
        } catch (const BadInput&) {
            out.rollback(0);
            throw;
        }
        out.flush();
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
