// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/field_reader.h"

#include <algorithm>

#include "files/number_format.h"

namespace orbilan {

namespace {

constexpr char END_OF_DATA = 0x1A;

}  // namespace

FieldReader::FieldReader(std::string data) : data_(std::move(data))
{
    data_.resize(std::min(data_.size(), data_.find(END_OF_DATA)));
    lf_ends_lines_ = data_.find('\r') == std::string::npos;
}

void FieldReader::skip_spaces()
{
    while (pos_ < data_.size() && data_[pos_] == ' ') ++pos_;
}

void FieldReader::end_field()
{
    while (pos_ < data_.size() && (data_[pos_] == ' ' || is_dropped(data_[pos_]))) ++pos_;
    if (pos_ >= data_.size()) return;
    const char c = data_[pos_];
    if (c == ',') {
        ++pos_;
    } else if (c == '\r') {
        ++pos_;
        if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
    } else if (is_line_end(c)) {
        ++pos_;
    }
}

std::string FieldReader::read_text_field()
{
    skip_spaces();
    std::string field;
    if (pos_ < data_.size() && data_[pos_] == '"') {
        const std::size_t close = std::min(data_.find('"', pos_ + 1), data_.size());
        field.assign(data_, pos_ + 1, close - pos_ - 1);
        pos_ = std::min(close + 1, data_.size());
    } else {
        // Measured first, so that a huge field is copied once rather than grown byte by byte.
        const std::size_t start = pos_;
        while (pos_ < data_.size() && data_[pos_] != ',' && !is_line_end(data_[pos_])) ++pos_;
        field.reserve(pos_ - start);
        for (std::size_t i = start; i < pos_; ++i)
            if (!is_dropped(data_[i])) field += data_[i];
    }
    end_field();
    return field;
}

extended FieldReader::read_number_field()
{
    skip_spaces();
    std::string text;
    for (; pos_ < data_.size(); ++pos_) {
        const char c = data_[pos_];
        if (c == ',' || c == ' ' || is_line_end(c)) break;
        // Characters past the limit are passed over so that the next field still starts in place.
        if (!is_dropped(c) && text.size() < MAX_NUMBER_LENGTH) text += c;
    }
    end_field();
    return parse_number_text(text);
}

}  // namespace orbilan
