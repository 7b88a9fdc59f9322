// The typical road of a call group table: a producer fills a table and sends it as text,
// a receiver rebuilds its own table from that text and looks the group up.
#include <iostream>
#include <string>

#include "DirectoryServiceTypes.h"

namespace {

void step(int n, const std::string& what) { std::cout << "\n" << n << ". " << what << "\n"; }

}  // namespace

int main() {
    step(1, "The producer builds a table: sixteen spare slots numbered 1 to 16.");
    PhonebookGroupList producer;
    std::cout << "   used groups: " << producer.countUsedGroups() << ", first spare slot: " << producer.getSpareGroup()
              << "\n";

    step(2, "It stores group 3, \"Family\", with a ring tone, through updateGroup.");
    PhonebookGroup family(3, "Family", "/usr/share/sounds/ring1.wav");
    std::cout << "   stored: " << std::boolalpha << producer.updateGroup(family) << "\n";

    step(3, "It turns the table into text.");
    std::string text = producer.serialize();
    std::cout << "   " << text << "\n";

    step(4, "The receiver reads that text into a table of its own.");
    PhonebookGroupList receiver;
    receiver.deserialize(text);
    std::cout << "   used groups: " << receiver.countUsedGroups() << "\n"
              << "   slot of \"Family\": " << receiver.getGroupWithName("Family") << "\n"
              << "   text left over: \"" << text << "\"\n";

    step(5, "The receiver renders its table as XML: sixteen Entry elements.");
    PhonebookGroup slot;
    for (int k = 1; k <= receiver.getSize(); ++k) {
        receiver.getGroup(k, slot);
        std::cout << "   " << slot.serialize_xml() << "\n";
    }
    return 0;
}
