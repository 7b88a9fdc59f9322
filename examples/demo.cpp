// The road of one call group: build it, turn it into text, read it back on the other side.
#include <iostream>
#include <string>

#include "DirectoryServiceTypes.h"

int main() {
    PhonebookGroup family(3, "Family", "/usr/share/sounds/ring1.wav");
    std::cout << "1. producer's group: id " << family.getId() << ", name \"" << family.getName()
              << "\", ring tone " << family.getRingTone() << "\n";

    std::string text = family.serialize();
    std::cout << "2. its text form:    " << text << "\n";

    PhonebookGroup received;
    received.setId(3);
    received.deserialize(text);
    std::cout << "3. receiver's group: id " << received.getId() << ", name \"" << received.getName()
              << "\", ring tone " << received.getRingTone() << ", used: " << std::boolalpha
              << received.validateGroup() << "\n";
    return 0;
}
