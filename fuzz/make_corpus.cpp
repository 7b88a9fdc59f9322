// Writes the starting corpora from real outputs of the library: make_corpus <corpus-dir>.
#include <sys/stat.h>
#include <fstream>
#include <iostream>
#include <string>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"

namespace {

std::string root;

void put(const std::string& target, const std::string& name, const std::string& text) {
    const std::string dir = root + "/" + target;
    ::mkdir(dir.c_str(), 0755);
    std::ofstream(dir + "/" + name, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_corpus <corpus-dir>\n";
        return 2;
    }
    root = argv[1];
    ::mkdir(root.c_str(), 0755);

    std::string s;
    for (int v : {0, 16, -1, 2147483647, -2147483647 - 1}) {
        s.clear();
        Serializer::serialize(s, v);
        put("fuzz_decode_int", "int" + std::to_string(v), s);
    }
    for (const std::string& v :
        {std::string(), std::string("Family"), std::string("a:b;c%d\n"), std::string("\0\x7f\xc3\xa9", 4)}) {
        s.clear();
        Serializer::serialize(s, v, false);
        put("fuzz_decode_string", "string" + std::to_string(v.size()), s);
    }
    PhonebookRecord alice = {{"name", "Alice"}, {"tel", "+44 20 7946 0018"}, {"note", "rec;recEnd;:"}};
    PhonebookRecord empty;
    s.clear();
    Serializer::serialize(s, alice);
    put("fuzz_decode_record", "alice", s);
    s.clear();
    Serializer::serialize(s, empty);
    put("fuzz_decode_record", "empty", s);

    PhonebookGroup family(3, "Family", "/usr/share/sounds/ring1.wav");
    put("fuzz_group", "family", family.serialize());
    put("fuzz_group", "header", "PhonebookGroup:" + family.serialize());

    PhonebookGroupList table;
    table.updateGroup(family);
    PhonebookGroup work(9, "Work & <more>", "tones/");
    table.updateGroup(work);
    put("fuzz_group_list", "two", table.serialize());
    put("fuzz_group_list", "empty", PhonebookGroupList().serialize());

    PhonebookGroupDimensions dims;
    dims.setNumEntries(3);
    dims.setMaxNumEntries(100);
    put("fuzz_dimensions", "dims", dims.serialize());

    PhonebookSearchResults results;
    results.addPhonebookRecord(alice);
    results.addPhonebookRecord({{"name", "Bob"}});
    results.addPhonebookRecord(empty);
    put("fuzz_search_results", "three", results.serialize());
    return 0;
}
