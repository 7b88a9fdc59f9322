// Uses the installed headers and libraries: a group table travels as text.
#include <DirectoryServiceTypes.h>

#include <cstdio>

int main() {
    PhonebookGroupList producer, receiver;
    PhonebookGroup family(3, "Family", "/usr/share/sounds/ring1.wav");
    producer.updateGroup(family);
    std::string text = producer.serialize();
    receiver.deserialize(text);
    const bool ok = receiver.getGroupWithName("Family") == 3;
    std::puts(ok ? "consumer: ok" : "consumer: FAILED");
    return ok ? 0 : 1;
}
