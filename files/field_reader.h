// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "sim/extended.h"

namespace orbilan {

// Reads the program's text files (projects, impulse programs, settings) as a sequence of fields.
// A field ends at a comma or a line end; where the lines break does not matter. Missing data
// reads as an empty text or 0 and reading simply goes on.
//
// Line ends: CR LF or a lone CR. An LF outside double quotes is dropped like a TAB, except in
// data that holds no CR at all (a Linux text file), where a lone LF ends a line as CR does.
// The byte 0x1A (Ctrl-Z) ends the data.
class FieldReader {
public:
    explicit FieldReader(std::string data);

    // Spaces before the field are skipped. A field starting with a double quote runs to the next
    // double quote (commas and line ends included); otherwise it runs to a comma or line end,
    // keeping inner and trailing spaces.
    std::string read_text_field();
    // Up to a comma, space or line end (a space also separates two numbers), at most 255
    // characters of it count; converted as parse_number_text does.
    extended read_number_field();

    bool at_end() const { return pos_ >= data_.size(); }
    // The data up to the end mark.
    std::string_view data() const { return data_; }

    static constexpr std::size_t MAX_NUMBER_LENGTH = 255;

private:
    bool is_line_end(char c) const { return c == '\r' || (lf_ends_lines_ && c == '\n'); }
    // LF is filler only where it cannot end a line.
    bool is_dropped(char c) const { return c == '\t' || (!lf_ends_lines_ && c == '\n'); }
    void skip_spaces();
    // After a field: skip blanks, then take one comma or one line end, if either comes next.
    void end_field();

    std::string data_;
    std::size_t pos_ = 0;
    bool lf_ends_lines_ = false;
};

}  // namespace orbilan
