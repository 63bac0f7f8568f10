// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/number_format.h"

#include <climits>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/field_reader.h"

namespace orbilan {
namespace {

constexpr extended INF = std::numeric_limits<extended>::infinity();
constexpr extended NaN = std::numeric_limits<extended>::quiet_NaN();

TEST(NumberFormat, MasksRoundToTheirDecimalsWithSignedExponents)
{
    const std::tuple<extended, NumberMask, const char*> cases[] = {
        {12.3456L, NumberMask::exp_3, "1.235E+01"},
        {12.3456L, NumberMask::fixed_3, "12.346"},
        {-0.00123L, NumberMask::exp_12, "-1.230000000000E-03"},
        {-0.00123L, NumberMask::fixed_3, "-0.001"},
        {-0.0L, NumberMask::fixed_3, "0.000"},
        {-2.5e-300L, NumberMask::exp_6, "-2.500000E-300"},
        // Beyond the double range: never narrowed to double on the way to the text.
        {1e4000L, NumberMask::exp_3, "1.000E+4000"},
        {3e-4000L, NumberMask::exp_8, "3.00000000E-4000"},
    };
    for (const auto& [value, mask, text] : cases) EXPECT_EQ(format_number(value, mask), text) << mask_pattern(mask);
}

// The longest leading part that forms a number counts, anything else is 0; never an infinity or
// NaN by name, nor C hexadecimal; "&" forms give other bases.
TEST(ParseNumber, DecimalFormsPrefixesAndOtherBases)
{
    const std::pair<const char*, extended> cases[] = {
        {"12", 12},    {"-2.5", -2.5L}, {"+.5", 0.5L},    {"5.", 5},     {"1.5E3", 1500}, {"1.5e-3", 1.5e-3L},
        {"2d+2", 200}, {"  7", 7},      {"0.1", 0.1L},    {"12abc", 12}, {"3e+", 3},      {"3.5.6", 3.5L},
        {"", 0},       {"+-1", 0},      {".", 0},         {"-.e5", 0},   {"e5", 0},       {"-INF", 0},
        {"nan", 0},    {"0x1p3", 0},    {"1e99999", INF}, {"&H1F", 31},  {"&b1012", 5},   {"&O17", 15},
        {"&Q17", 15},  {"&18", 1},      {"&H", 0},        {"&Z1", 0},    {"-&H10", 0},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(parse_number_text(text), value) << "'" << text << "'";
    const std::pair<extended, int> rounded[] = {
        {2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {2147483647.5L, INT_MAX}, {-1e30L, INT_MIN}, {INF, INT_MAX}, {NaN, 0}};
    for (const auto& [value, whole] : rounded) EXPECT_EQ(round_half_even(value), whole) << static_cast<double>(value);
}

// Reads fields by a pattern: 't' text, 'n' number; numbers come back as their "%Lg" text.
std::vector<std::string> read_fields(std::string data, std::string_view pattern)
{
    FieldReader reader(std::move(data));
    std::vector<std::string> fields;
    for (char kind : pattern) {
        char number[64];
        if (kind == 'n') std::snprintf(number, sizeof number, "%Lg", reader.read_number_field());
        fields.push_back(kind == 't' ? reader.read_text_field() : number);
    }
    return fields;
}

// A number counts its first 255 characters only.
TEST(FieldReader, FieldsEndAtCommasAndLineEnds)
{
    using Fields = std::vector<std::string>;
    const Fields record{"Position", "1", "2", "3", "Mass", "4"};
    const std::tuple<std::string, const char*, Fields> cases[] = {
        {"Position, 1, 2, 3\r\nMass, 4\r\n", "tnnntn", record},
        {"Position,1,2,3,Mass,4", "tnnntn", record},
        {"Position\r\n1\r\n2, 3\r\nMass\r\n4", "tnnntn", record},
        {"Position, 1 2 3\rMass, 4", "tnnntn", record},      // a space splits numbers; a lone CR ends a line
        {"Position, 1, 2, 3\nMass, 4\n", "tnnntn", record},  // LF lines where no CR is
        {"a, b\nc\r\nM, 1\n2\r\nx", "tttnt", {"a", "bc", "M", "12", "x"}},  // a stray LF among CR LFs goes
        {"  Big  Star  ,a\tb,c", "ttt", {"Big  Star  ", "ab", "c"}},
        {"O, \"Alpha, \r\nCen\"tauri, \"x\ny\"", "tttt", {"O", "Alpha, \r\nCen", "tauri", "x\ny"}},
        {"\"never closed, 1, 2", "tn", {"never closed, 1, 2", "0"}},
        {"a,,b\r\n\r\nc\n", "tttt", {"a", "", "b", ""}},
        {"a\n\nb", "ttt", {"a", "", "b"}},
        {"a, 1\x1a, junk, 7, \r\n", "tnnt", {"a", "1", "0", ""}},  // Ctrl-Z ends the data
        {"a\nb\x1a\r\n", "tt", {"a", "b"}},
        {"&H1F, -2.5D2, 1e3x, abc, \"7\", 1\t2 3", "nnnnnnn", {"31", "-250", "1000", "0", "0", "12", "3"}},
        {std::string(300, '1') + ",5, " + std::string(100000, 'x') + ", 6", "nnn", {"1.11111e+254", "5", "0"}},
    };
    for (const auto& [data, pattern, fields] : cases) EXPECT_EQ(read_fields(data, pattern), fields) << data;
}

}  // namespace
}  // namespace orbilan
