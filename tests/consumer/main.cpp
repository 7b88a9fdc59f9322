// Uses the installed headers and libraries: a group table travels as text.
#include <DirectoryServiceTypes.h>

#include <cstdio>

#if __has_include("WireFormat.h")
#error "the library's internal headers reach its callers"
#endif

int main() {
    PhonebookGroupList producer, receiver;
    PhonebookGroup family(3, "Family", "/usr/share/sounds/ring1.wav");
    producer.updateGroup(family);
    std::string text = producer.serialize();
    receiver.deserialize(text);
    return std::puts(receiver.getGroupWithName("Family") == 3 ? "consumer: ok" : "consumer: FAILED") >= 0 &&
                   receiver.countUsedGroups() == 1
               ? 0
               : 1;
}
