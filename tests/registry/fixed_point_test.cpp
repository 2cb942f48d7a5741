#include "registry/fixed_point.h"

#include <gtest/gtest.h>

#include <limits>

using namespace velkaro;

TEST(FormatFixed, Table) {
    struct Case {
        int32_t value;
        unsigned decimals;
        const char* text;
    };
    const Case cases[] = {
        {5, 2, "0.05"},
        {-5, 2, "-0.05"},
        {1234, 2, "12.34"},
        {0, 1, "0.0"},
        {0, 2, "0.00"},
        {-5, 1, "-0.5"},
        {5000, 2, "50.00"},
        {123, 1, "12.3"},
        {42, 0, "42"},
        {-42, 0, "-42"},
        {0, 0, "0"},
        {-1234, 2, "-12.34"},
        {100, 2, "1.00"},
        {65535, 3, "65.535"},
        {std::numeric_limits<int32_t>::min(), 2, "-21474836.48"},
        {7, 4, "0.0007"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatFixed(c.value, c.decimals), c.text) << c.value << "/" << c.decimals;
    }
}

TEST(ParseFixed, ExactDecimalScaling) {
    struct Case {
        const char* text;
        unsigned decimals;
        int32_t value;
    };
    const Case cases[] = {
        {"0.29", 2, 29},     {"2.9", 1, 29},      {"1.239", 2, 123}, {"-1.5", 0, -1},
        {"12.345", 2, 1234}, {"50", 2, 5000},     {"  7.5", 1, 75},  {"+3", 1, 30},
        {"-0.05", 2, -5},    {"abc", 2, 0},       {"", 2, 0},        {"12abc", 0, 12},
        {".5", 1, 5},        {"5.", 1, 50},       {"1e2", 0, 100},   {"1.5e1", 1, 150},
        {"-0.001", 2, 0},    {"65535", 0, 65535}, {"0.1", 1, 1},     {"4.35", 2, 435},
        {"1.005", 2, 100},   {"-", 2, 0},         {"\t9", 0, 9},
    };
    for (const Case& c : cases) {
        const FixedParse parsed = parseFixedChecked(c.text, c.decimals);
        EXPECT_EQ(parsed.value, c.value) << "'" << c.text << "'/" << c.decimals;
        EXPECT_TRUE(parsed.inRange) << c.text;
        EXPECT_EQ(parseFixed(c.text, c.decimals), c.value);
    }
}

TEST(ParseFixed, SaturatesAndReportsOutOfRange) {
    const FixedParse big = parseFixedChecked("99999999999", 2);
    EXPECT_FALSE(big.inRange);
    EXPECT_EQ(big.value, std::numeric_limits<int32_t>::max());
    const FixedParse small = parseFixedChecked("-30000000", 2);
    EXPECT_FALSE(small.inRange);
    EXPECT_EQ(small.value, std::numeric_limits<int32_t>::min());
    EXPECT_FALSE(parseFixedChecked("1e400", 0).inRange);
    // The limits themselves still fit.
    EXPECT_TRUE(parseFixedChecked("2147483647", 0).inRange);
    EXPECT_EQ(parseFixedChecked("-2147483648", 0).value, std::numeric_limits<int32_t>::min());
    EXPECT_TRUE(parseFixedChecked("-2147483648", 0).inRange);
    EXPECT_FALSE(parseFixedChecked("2147483648", 0).inRange);
    EXPECT_TRUE(parseFixedChecked(std::string(10000, '0') + "1", 0).inRange);
}

TEST(ParseFixed, RegisterFit) {
    EXPECT_TRUE(fitsRegister(parseFixed("655.35", 2)));
    EXPECT_FALSE(fitsRegister(parseFixed("655.36", 2)));
    EXPECT_TRUE(fitsRegister(parseFixed("-327.68", 2)));
    EXPECT_FALSE(fitsRegister(parseFixed("-327.69", 2)));
}

// A parameter's new value as the station and velkaro-bus take it: what its
// 16-bit register holds, by the parameter's sign, or the reason why not.
TEST(ParseFixed, RegisterValueRefusal) {
    const struct {
        const char* text;
        unsigned decimals;
        bool isSigned;
        const char* refusal; // nullptr: accepted
    } cases[] = {
        {"", 2, false, nullptr},
        {"655.35", 2, false, nullptr},
        {"655.36", 2, false, "新的参数值超出该参数的寄存器范围（0.00～655.35），请重新输入。"},
        {"-0.01", 2, false, "新的参数值超出该参数的寄存器范围（0.00～655.35），请重新输入。"},
        {"-327.68", 2, true, nullptr},
        {"327.68", 2, true, "新的参数值超出该参数的寄存器范围（-327.68～327.67），请重新输入。"},
        {"９９", 0, false, nullptr},
        {"1e3", 0, false, "新的参数值不是有效的数值，请重新输入。"},
        {"99999999999", 0, true, "新的参数值超出该参数的寄存器范围（-32768～32767），请重新输入。"},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> refusal =
            registerValueRefusal(c.text, c.decimals, c.isSigned);
        EXPECT_EQ(refusal.value_or("accepted"), c.refusal ? c.refusal : "accepted") << c.text;
    }
}
