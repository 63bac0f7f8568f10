#include "files/field_reader.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orbilan {
namespace {

// Reads fields by a pattern: 't' text, 'n' number; numbers come back as their "%Lg" text.
std::vector<std::string> read_fields(std::string data, std::string_view pattern)
{
    FieldReader reader(std::move(data));
    std::vector<std::string> fields;
    for (char kind : pattern) {
        if (kind == 't') {
            fields.push_back(reader.read_text_field());
        } else {
            char number[64];
            std::snprintf(number, sizeof number, "%Lg", reader.read_number_field());
            fields.push_back(number);
        }
    }
    return fields;
}

using Fields = std::vector<std::string>;

TEST(FieldReader, RecordsMaySpanLinesOrShareThem)
{
    const Fields expected{"Position", "1", "2", "3", "Mass", "4"};
    EXPECT_EQ(read_fields("Position, 1, 2, 3\r\nMass, 4\r\n", "tnnntn"), expected);
    EXPECT_EQ(read_fields("Position,1,2,3,Mass,4", "tnnntn"), expected);
    EXPECT_EQ(read_fields("Position\r\n1\r\n2, 3\r\nMass\r\n4", "tnnntn"), expected);
    EXPECT_EQ(read_fields("Position, 1 2 3\r\nMass, 4", "tnnntn"), expected);
}

TEST(FieldReader, TextFieldsKeepInnerAndTrailingSpaces)
{
    EXPECT_EQ(read_fields("  Big  Star  ,x", "tt"), (Fields{"Big  Star  ", "x"}));
    EXPECT_EQ(read_fields("a\tb,c", "tt"), (Fields{"ab", "c"}));
}

TEST(FieldReader, QuotedFieldsHoldCommasAndLineEnds)
{
    EXPECT_EQ(read_fields("Object, 1, \"Alpha, \r\nCentauri\", \"a b.bmp\"\r\nPosition",
                          "tnttt"),
              (Fields{"Object", "1", "Alpha, \r\nCentauri", "a b.bmp", "Position"}));
    // What follows the closing quote up to the next comma starts the next field.
    EXPECT_EQ(read_fields("\"Sun\" extra, next", "ttt"), (Fields{"Sun", "extra", "next"}));
    EXPECT_EQ(read_fields("\"never closed, 1, 2", "tn"), (Fields{"never closed, 1, 2", "0"}));
}

TEST(FieldReader, EmptyFieldsAndBlankLines)
{
    EXPECT_EQ(read_fields("Object, 2, Planet,\r\nPosition, 10", "tntttn"),
              (Fields{"Object", "2", "Planet", "", "Position", "10"}));
    EXPECT_EQ(read_fields("a,,b", "ttt"), (Fields{"a", "", "b"}));
    EXPECT_EQ(read_fields("a\r\n\r\nb", "ttt"), (Fields{"a", "", "b"}));
}

TEST(FieldReader, CrLfFilesKeepTheirOddCases)
{
    // A stray LF in a file that has CRs is dropped: the lines run together.
    EXPECT_EQ(read_fields("a, b\nc\r\nd", "tt"), (Fields{"a", "bc"}));
    EXPECT_EQ(read_fields("Mass, 1\n2\r\nx", "tnt"), (Fields{"Mass", "12", "x"}));
    // A lone CR ends a line.
    EXPECT_EQ(read_fields("a\rb\r\nc", "ttt"), (Fields{"a", "b", "c"}));
    // Inside quotes every byte stays.
    EXPECT_EQ(read_fields("\"x\ny\"\r\n", "t"), (Fields{"x\ny"}));
}

TEST(FieldReader, LfOnlyDataReadsLikeCrLf)
{
    const std::string crlf = "Two, example\r\nObjects, 2\r\nObject, 2, Planet,\r\nPosition, 10 0\r\n";
    const std::string lf = "Two, example\nObjects, 2\nObject, 2, Planet,\nPosition, 10 0\n";
    const std::string_view pattern = "tttntntttn";
    EXPECT_EQ(read_fields(lf, pattern), read_fields(crlf, pattern));
    EXPECT_EQ(read_fields(lf, pattern),
              (Fields{"Two", "example", "Objects", "2", "Object", "2", "Planet", "", "Position", "10"}));
    EXPECT_EQ(read_fields("a\n\nb", "ttt"), (Fields{"a", "", "b"}));
}

TEST(FieldReader, CtrlZEndsTheData)
{
    FieldReader reader("a, 1\x1a, junk, 7, \r\n");
    EXPECT_EQ(reader.read_text_field(), "a");
    EXPECT_EQ(reader.read_number_field(), 1);
    EXPECT_TRUE(reader.at_end());
    EXPECT_EQ(reader.read_text_field(), "");
    EXPECT_EQ(reader.read_number_field(), 0);
    // The data before the mark has no CR, so its LFs end lines.
    EXPECT_EQ(read_fields("a\nb\x1a\r\n", "tt"), (Fields{"a", "b"}));
}

TEST(FieldReader, PastTheEndGivesEmptyAndZero)
{
    FieldReader reader("only");
    EXPECT_EQ(reader.read_text_field(), "only");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reader.read_text_field(), "");
        EXPECT_EQ(reader.read_number_field(), 0);
    }
    FieldReader empty("");
    EXPECT_TRUE(empty.at_end());
    EXPECT_EQ(empty.read_number_field(), 0);
}

TEST(FieldReader, NumbersUseTheirFirst255Characters)
{
    const std::string digits(300, '1');
    FieldReader reader(digits + ",5, " + std::string(100000, 'x') + ", 6");
    const extended first = reader.read_number_field();
    EXPECT_GT(first, 1.1e254L);
    EXPECT_LT(first, 1.2e254L);
    EXPECT_EQ(reader.read_number_field(), 5);
    EXPECT_EQ(reader.read_number_field(), 0);
    EXPECT_EQ(reader.read_number_field(), 6);
}

TEST(FieldReader, NumberForms)
{
    EXPECT_EQ(read_fields("&H1F, &B11, &O17, -2.5D2, 1e3x, abc, \"7\"", "nnnnnnn"),
              (Fields{"31", "3", "15", "-250", "1000", "0", "0"}));
    // TAB inside a number is dropped; a space splits it.
    EXPECT_EQ(read_fields("1\t2 3", "nn"), (Fields{"12", "3"}));
}

}  // namespace
}  // namespace orbilan
