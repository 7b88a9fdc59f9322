// Uses the installed headers and libraries: a group table and a result set travel as text.
#include <DirectoryServiceTypes.h>
#include <Serializer.h>

#include <iostream>

int main() {
    PhonebookGroupList producer;
    PhonebookGroup family(3, "Family", "/usr/share/sounds/ring1.wav");
    producer.updateGroup(family);
    std::string text = producer.serialize();
    PhonebookGroupList receiver;
    receiver.deserialize(text);

    PhonebookSearchResults results;
    results.addPhonebookRecord({{"name", "Alice"}});
    std::string frames = results.serialize();
    PhonebookSearchResults back;
    back.deserialize(frames);

    std::string value;
    Serializer::serialize(value, 42);
    int n = 0;
    const bool ok = receiver.getGroupWithName("Family") == 3 && back.getRecordCount() == 1 &&
                    Serializer::deserialize(value, n) && n == 42;
    std::cout << (ok ? "consumer: ok" : "consumer: FAILED") << "\n";
    return ok ? 0 : 1;
}
