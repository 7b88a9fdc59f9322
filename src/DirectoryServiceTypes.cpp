#include "DirectoryServiceTypes.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "Serializer.h"

namespace {

// Readers of a text that may carry a header drop everything up to and including its
// first colon, without looking at what stood there.
void dropHeader(std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon != std::string::npos) text.erase(0, colon + 1);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// PhonebookGroup

PhonebookGroup::PhonebookGroup() : id(0) {}

PhonebookGroup::PhonebookGroup(int id, std::string name, std::string ringTone)
    : id(id), name(std::move(name)), ringTone(std::move(ringTone)) {}

PhonebookGroup::~PhonebookGroup() = default;

int PhonebookGroup::getId() { return id; }
std::string PhonebookGroup::getName() { return name; }
std::string PhonebookGroup::getRingTone() { return ringTone; }
void PhonebookGroup::setId(int newId) { id = newId; }
void PhonebookGroup::setName(std::string newName) { name = std::move(newName); }
void PhonebookGroup::setRingTone(std::string newRingTone) { ringTone = std::move(newRingTone); }

void PhonebookGroup::setSpare() {
    setName(std::string());
    setRingTone(std::string());
}

bool PhonebookGroup::validateGroup() { return !name.empty(); }

std::string PhonebookGroup::serialize() {
    std::string text;
    Serializer::serialize(text, name, false);
    Serializer::serialize(text, ringTone, false);
    return text;
}

void PhonebookGroup::deserialize(std::string& text) {
    dropHeader(text);
    Serializer::deserialize(text, name, false);
    Serializer::deserialize(text, ringTone, false);
}

std::string PhonebookGroup::groupIndexToTag(int index) {
    std::ostringstream out;
    out << index;
    return out.str();
}

int PhonebookGroup::groupTagToIndex(const std::string& tag) {
    // strtol clamps to the range of long, which is wider than int on 64-bit hosts.
    const long value = std::strtol(tag.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}
