#include "files/number_format.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace orbilan {
namespace {

TEST(NumberFormat, MasksRoundToTheirDecimals)
{
    EXPECT_EQ(format_number(12.3456L, NumberMask::exp_3), "1.235E+01");
    EXPECT_EQ(format_number(12.3456L, NumberMask::fixed_3), "12.346");
    EXPECT_EQ(format_number(12.3456L, NumberMask::exp_6), "1.234560E+01");
    EXPECT_EQ(format_number(12.3456L, NumberMask::exp_8), "1.23456000E+01");
    EXPECT_EQ(format_number(1.495978707e11L, NumberMask::exp_12), "1.495978707000E+11");
    EXPECT_EQ(format_number(-0.00123L, NumberMask::exp_3), "-1.230E-03");
    EXPECT_EQ(format_number(-0.00123L, NumberMask::fixed_3), "-0.001");
}

TEST(NumberFormat, ZeroHasNoSign)
{
    for (extended zero : {0.0L, -0.0L}) {
        EXPECT_EQ(format_number(zero, NumberMask::exp_3), "0.000E+00");
        EXPECT_EQ(format_number(zero, NumberMask::fixed_3), "0.000");
        EXPECT_EQ(format_number(zero, NumberMask::exp_12), "0.000000000000E+00");
    }
}

TEST(NumberFormat, ExponentsKeepSignAndGrowPastTwoDigits)
{
    EXPECT_EQ(format_number(1e99L, NumberMask::exp_3), "1.000E+99");
    EXPECT_EQ(format_number(1e100L, NumberMask::exp_3), "1.000E+100");
    EXPECT_EQ(format_number(-2.5e-300L, NumberMask::exp_6), "-2.500000E-300");
    // Beyond the double range: the value is never narrowed to double on its way to the text.
    EXPECT_EQ(format_number(1e4000L, NumberMask::exp_3), "1.000E+4000");
    EXPECT_EQ(format_number(3e-4000L, NumberMask::exp_8), "3.00000000E-4000");
    const std::string huge = format_number(LDBL_MAX, NumberMask::fixed_3);
    EXPECT_EQ(huge.size(), 4933u + 4u);
    EXPECT_EQ(huge.substr(0, 5), "11897");
}

TEST(NumberFormat, IntegerTexts)
{
    EXPECT_EQ(plain_integer_text(7), "7");
    EXPECT_EQ(plain_integer_text(-7), "-7");
    EXPECT_EQ(signed_integer_text(7), " 7");
    EXPECT_EQ(signed_integer_text(0), " 0");
    EXPECT_EQ(signed_integer_text(-7), "-7");
}

TEST(TimeUnits, SevenThousandTwoHundredSecondsInEachUnit)
{
    const char* expected[TIME_UNIT_COUNT] = {"7.200E+09", "7.200E+03", "2.000", "0.083", "0.000"};
    const char* captions[TIME_UNIT_COUNT] = {"time (us)", "time (s)", "time (hour)", "time (day)",
                                             "time (year)"};
    for (int unit = 0; unit < TIME_UNIT_COUNT; ++unit) {
        EXPECT_EQ(time_unit_caption(unit), captions[unit]);
        EXPECT_EQ(elapsed_time_text(7200, time_unit_factor(unit)), expected[unit]) << "unit " << unit;
    }
    EXPECT_EQ(time_unit_factor(4), 1.0 / (365.0 * 24 * 3600));
}

TEST(TimeUnits, FivePressesReturnToTheStart)
{
    int unit = 1;
    for (int press = 0; press < 5; ++press) unit = next_time_unit(unit);
    EXPECT_EQ(unit, 1);
    EXPECT_EQ(next_time_unit(4), 0);
    EXPECT_EQ(next_time_unit(-3), 0);
    EXPECT_EQ(time_unit_caption(5), "");
}

TEST(TimeUnits, MaskIsChosenOnTheUnroundedValue)
{
    EXPECT_EQ(elapsed_time_text(999.9996L, 1), "1000.000");
    EXPECT_EQ(elapsed_time_text(1000, 1), "1.000E+03");
    EXPECT_EQ(elapsed_time_text(-50, 1), "-50.000");
    EXPECT_EQ(elapsed_time_text(-5e9L, 1), "-5000000000.000");
    EXPECT_EQ(elapsed_time_text(0, 1e6), "0.000");
}

TEST(TimeUnits, ZeroStepBecomesOne)
{
    extended dt = 0;
    EXPECT_EQ(dt_text(dt), "1.000E+00");
    EXPECT_EQ(dt, 1);
    dt = 3600;
    EXPECT_EQ(dt_text(dt), "3.600E+03");
    EXPECT_EQ(dt, 3600);
}

TEST(Captions, SelectionCaptions)
{
    EXPECT_EQ(numeric_panel_caption(3, "Earth"), "NUMERIC DATA for OBJECT =  3  (Earth)");
    EXPECT_EQ(toolbar_caption("/home/u/Projects/solar.txt", 3, "Earth"), "solar; Object : 3  (Earth)");
    EXPECT_EQ(toolbar_caption("/home/u/Projects/moon.orbit.txt", 12, "Moon"), "moon; Object : 12  (Moon)");
    EXPECT_EQ(toolbar_caption("/home/u/v1.2/noext", 1, "A"), "noext; Object : 1  (A)");
}

TEST(ParseNumber, DecimalForms)
{
    EXPECT_EQ(parse_number_text("12"), 12);
    EXPECT_EQ(parse_number_text("-2.5"), -2.5L);
    EXPECT_EQ(parse_number_text("+.5"), 0.5L);
    EXPECT_EQ(parse_number_text("5."), 5);
    EXPECT_EQ(parse_number_text("1.5E3"), 1500);
    EXPECT_EQ(parse_number_text("1.5e-3"), 1.5e-3L);
    EXPECT_EQ(parse_number_text("6.67D-11"), 6.67e-11L);
    EXPECT_EQ(parse_number_text("2d+2"), 200);
    EXPECT_EQ(parse_number_text("  7"), 7);
}

TEST(ParseNumber, LongestValidPrefixElseZero)
{
    EXPECT_EQ(parse_number_text("12abc"), 12);
    EXPECT_EQ(parse_number_text("3e"), 3);
    EXPECT_EQ(parse_number_text("3e+"), 3);
    EXPECT_EQ(parse_number_text("3.5.6"), 3.5L);
    EXPECT_EQ(parse_number_text("1 : ACCELERATION"), 1);
    for (const char* not_a_number : {"", "abc", "-", "+-1", ".", "-.e5", "e5"})
        EXPECT_EQ(parse_number_text(not_a_number), 0) << not_a_number;
}

TEST(ParseNumber, NeverReadsInfinityNanOrHexadecimal)
{
    for (const char* text : {"inf", "-INF", "nan", "NaN(123)", "infinity"})
        EXPECT_EQ(parse_number_text(text), 0) << text;
    EXPECT_EQ(parse_number_text("0x1p3"), 0);
    EXPECT_EQ(parse_number_text("1e99999"), std::numeric_limits<extended>::infinity());
}

TEST(ParseNumber, DecimalInputIsCorrectlyRoundedToEightyBits)
{
    EXPECT_EQ(parse_number_text("0.1"), 0.1L);
    EXPECT_NE(parse_number_text("0.1"), static_cast<extended>(0.1));
    EXPECT_EQ(parse_number_text("6.67430e-11"), 6.67430e-11L);
    EXPECT_EQ(parse_number_text("1.18973149535723176502e+4932"), LDBL_MAX);
    EXPECT_EQ(parse_number_text("3.64519953188247460253e-4951"), std::numeric_limits<extended>::denorm_min());
}

TEST(ParseNumber, OtherBases)
{
    EXPECT_EQ(parse_number_text("&H1F"), 31);
    EXPECT_EQ(parse_number_text("&hff"), 255);
    EXPECT_EQ(parse_number_text("&B101"), 5);
    EXPECT_EQ(parse_number_text("&b1012"), 5);
    EXPECT_EQ(parse_number_text("&O17"), 15);
    EXPECT_EQ(parse_number_text("&Q17"), 15);
    EXPECT_EQ(parse_number_text("&17"), 15);
    EXPECT_EQ(parse_number_text("&18"), 1);
    EXPECT_EQ(parse_number_text("&H"), 0);
    EXPECT_EQ(parse_number_text("&Z1"), 0);
    EXPECT_EQ(parse_number_text("-&H10"), 0);
}

TEST(RoundHalfEven, HalvesGoToEvenAndExtremesSaturate)
{
    EXPECT_EQ(round_half_even(2.5L), 2);
    EXPECT_EQ(round_half_even(3.5L), 4);
    EXPECT_EQ(round_half_even(-2.5L), -2);
    EXPECT_EQ(round_half_even(2.4999L), 2);
    EXPECT_EQ(round_half_even(1e30L), INT_MAX);
    EXPECT_EQ(round_half_even(2147483647.5L), INT_MAX);
    EXPECT_EQ(round_half_even(-1e30L), INT_MIN);
    EXPECT_EQ(round_half_even(std::numeric_limits<extended>::infinity()), INT_MAX);
    EXPECT_EQ(round_half_even(std::numeric_limits<extended>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace orbilan
