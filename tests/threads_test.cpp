// What holds between threads without a lock of the caller's: const reads of one result set
// from several threads at once, and each thread's own objects and working strings. Run under
// ThreadSanitizer (the tsan preset), which reports any race these reads and writes meet.
#include <thread>

#include "support.h"

TEST(Threads, ConstReadsOfOneSetAndEachThreadsOwnObjects) {
    std::mt19937 rng(7);
    PhonebookSearchResults shared;
    for (int i = 0; i < 200; ++i)
        shared.addPhonebookRecord({{"name", randomBytes(rng, 20)}, {"tel", std::to_string(i)}});
    const PhonebookRecordList all = recordsOf(shared);
    const PhonebookSearchResults& set = shared;
    const std::string text = shared.serialize(), xml = tableOf(named("g", "/r.wav")).serialize_xml();
    std::vector<std::thread> threads;
    std::vector<int> wrong(4);
    for (int& errors : wrong)
        threads.emplace_back([&set, &all, &text, &xml, &errors] {
            for (int round = 0; round < 50; ++round) {
                PhonebookRecordList whole, range;
                set.getRecordList(whole);
                set.getRecordList(range, 10, 199);
                PhonebookSearchResults own;
                std::string copy = text;
                own.deserialize(copy);
                PhonebookGroupList table = tableOf(named("g", "/r.wav"));
                std::string tableText = table.serialize();
                PhonebookGroupList back;
                back.deserialize(tableText);
                errors += set.getRecordCount() != 200 || whole != all ||
                          range != PhonebookRecordList(all.begin() + 10, all.end()) || own.serialize() != text ||
                          back.serialize_xml() != xml;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(wrong, std::vector<int>(4));
}
