// Group dimensions: the process-wide counts, their text and XML forms, and the two log
// lines, captured argument by argument.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"
#include "encoding.h"
#include "log_capture.h"

namespace {

const LogCall kEmpty{"DirectoryServiceTypes", "./src/DirectoryServiceTypes", 2, 448,
                     "Zero length string. Cannot Deserialise"};
const LogCall kForeign{"DirectoryServiceTypes", "./src/DirectoryServiceTypes", 2, 443,
                       "Attempting to deserialise a non PhonebookGroupDimensions string into a "
                       "PhonebookGroupDimensions object"};

std::string xml(const std::string& n, const std::string& max) {
    return "<groupDimension><numEntries>" + n + "</numEntries><maxEntries>" + max +
           "</maxEntries><fieldSize name=\"group\">15</fieldSize></groupDimension>";
}

class Dimensions : public ::testing::Test {
protected:
    void SetUp() override { takeLogCalls(); }
    void TearDown() override {
        d.setNumEntries(0);
        d.setMaxNumEntries(0);
    }
    void set(int n, int max) {
        d.setNumEntries(n);
        d.setMaxNumEntries(max);
    }
    PhonebookGroupDimensions d;
};

// Runs first in this executable: nothing has written the counts yet.
TEST_F(Dimensions, LoadedLibraryStartsAtZero) {
    EXPECT_EQ(d.getNumEntries(), 0);
    EXPECT_EQ(d.getMaxNumEntries(), 0);
    EXPECT_EQ(d.serialize_xml(), xml("0", "0"));
    EXPECT_EQ(d.serialize_xml().size(), 123u);
}

TEST_F(Dimensions, CountsAreSharedByEveryInstanceAndUnchecked) {
    PhonebookGroupDimensions a;
    a.setNumEntries(-7);
    a.setMaxNumEntries(INT_MIN);
    PhonebookGroupDimensions later;
    EXPECT_EQ(later.getNumEntries(), -7);
    EXPECT_EQ(later.getMaxNumEntries(), INT_MIN);
    EXPECT_EQ(later.getgroupNameLimit(), 15);
    EXPECT_EQ(d.serialize_xml(), xml("-7", "-2147483648"));
    set(3, 100);
    EXPECT_EQ(a.serialize_xml(), xml("3", "100"));
    EXPECT_EQ(a.serialize_xml().size(), 125u);
    set(200, 100);  // more entries than the maximum is stored as given
    EXPECT_EQ(later.getNumEntries(), 200);
}

TEST_F(Dimensions, TextIsTagThenThreeIntegers) {
    set(3, 100);
    EXPECT_EQ(d.serialize(), enc("PhonebookGroupDimensions") + encInt(3) + encInt(100) + encInt(15));
}

TEST_F(Dimensions, ReadsItsOwnTextAndLeavesTheLimitAndWhatFollows) {
    set(12, 250);
    std::string text = d.serialize() + "tail";
    set(0, 0);
    d.deserialize(text);
    EXPECT_EQ(d.getNumEntries(), 12);
    EXPECT_EQ(d.getMaxNumEntries(), 250);
    EXPECT_EQ(text, encInt(15) + "tail");
    EXPECT_TRUE(takeLogCalls().empty());
}

TEST_F(Dimensions, TwoTextsReadOnceTakeTheFirst) {
    set(1, 2);
    std::string first = d.serialize();
    set(3, 4);
    const std::string second = d.serialize();
    std::string text = first + second;
    d.deserialize(text);
    EXPECT_EQ(d.getNumEntries(), 1);
    EXPECT_EQ(d.getMaxNumEntries(), 2);
    EXPECT_EQ(text, encInt(15) + second);
}

struct Rejected {
    const char* label;
    std::string text;
    std::string rest;
    LogCall call;
    friend void PrintTo(const Rejected& c, std::ostream* os) { *os << c.label; }
};

class DimensionsRejects : public Dimensions, public ::testing::WithParamInterface<Rejected> {};

TEST_P(DimensionsRejects, LogsOnceAndKeepsTheCounts) {
    set(5, 9);
    std::string text = GetParam().text;
    d.deserialize(text);
    EXPECT_EQ(d.getNumEntries(), 5);
    EXPECT_EQ(d.getMaxNumEntries(), 9);
    EXPECT_EQ(text, GetParam().rest);
    EXPECT_EQ(takeLogCalls(), std::vector<LogCall>{GetParam().call});
}

const std::string kNumbers = encInt(1) + encInt(2) + encInt(15);

INSTANTIATE_TEST_SUITE_P(
    Texts, DimensionsRejects,
    ::testing::Values(
        Rejected{"empty", "", "", kEmpty},
        Rejected{"foreignTag", enc("PhonebookGroupList") + kNumbers, kNumbers, kForeign},
        Rejected{"otherCase", enc("phonebookgroupdimensions") + kNumbers, kNumbers, kForeign},
        Rejected{"trailingColon", enc("PhonebookGroupDimensions:") + kNumbers, kNumbers, kForeign},
        Rejected{"prefixOfTag", enc("PhonebookGroup") + kNumbers, kNumbers, kForeign},
        Rejected{"emptyTag", enc("") + kNumbers, kNumbers, kForeign},
        // a front that is no string at all is left where it was
        Rejected{"rawTag", "PhonebookGroupDimensions" + kNumbers, "PhonebookGroupDimensions" + kNumbers,
                 kForeign},
        Rejected{"integerFirst", kNumbers, kNumbers, kForeign}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(Dimensions, MissingCountsAfterTheTagKeepTheirValues) {
    set(5, 9);
    std::string onlyTag = enc("PhonebookGroupDimensions");
    d.deserialize(onlyTag);
    EXPECT_EQ(d.getNumEntries(), 5);
    EXPECT_EQ(d.getMaxNumEntries(), 9);
    EXPECT_TRUE(onlyTag.empty());

    std::string oneCount = enc("PhonebookGroupDimensions") + encInt(7) + "i1";
    d.deserialize(oneCount);
    EXPECT_EQ(d.getNumEntries(), 7);
    EXPECT_EQ(d.getMaxNumEntries(), 9);
    EXPECT_EQ(oneCount, "i1");
    EXPECT_TRUE(takeLogCalls().empty());
}

}  // namespace
