#include "files/field_reader.h"

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
