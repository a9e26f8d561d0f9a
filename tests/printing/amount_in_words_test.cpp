// Amounts in words: the readers of whole numbers and the four amount texts, blanks included.
#include "printing/AmountInWords.h"

#include <gtest/gtest.h>

#include <limits>

#include "data/ConvertError.h"
#include "tests/db/printers.h"

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

TEST(ThaiNumberText, ReadsDigitsPlacesAndTheSpecialOnesAndTwenties) {
    const struct {
        int n;
        const char* text;
    } cases[] = {
        {1, "หนึ่ง"},
        {2, "สอง"},
        {10, "สิบ"},
        {11, "สิบเอ็ด"},
        {20, "ยี่สิบ"},
        {21, "ยี่สิบเอ็ด"},
        {35, "สามสิบห้า"},
        {101, "หนึ่งร้อยหนึ่ง"},
        {111, "หนึ่งร้อยสิบเอ็ด"},
        {1001, "หนึ่งพันหนึ่ง"},
        {250000, "สองแสนห้าหมื่น"},
        {1000000, "หนึ่งล้าน"},
        {1000001, "หนึ่งล้านหนึ่ง"},
        {10000001, "สิบล้านหนึ่ง"},
        {21000021, "ยี่สิบเอ็ดล้านยี่สิบเอ็ด"},
        {2147483647, "สองพันหนึ่งร้อยสี่สิบเจ็ดล้านสี่แสนแปดหมื่นสามพันหกร้อยสี่สิบเจ็ด"},
    };
    for (const auto& c : cases) EXPECT_EQ(ThaiNumberText(c.n), u(c.text)) << c.n;
}

TEST(NumberText, ZeroAndNegativeNumbersReadAsNothing) {
    for (int n : {0, -1, -21, std::numeric_limits<int>::min()}) {
        EXPECT_EQ(ThaiNumberText(n), QString()) << n;
        EXPECT_EQ(EnglishNumberText(n), QString()) << n;
    }
}

TEST(EnglishNumberText, KeepsEveryWordsOwnBlank) {
    const struct {
        int n;
        const char* text;
    } cases[] = {
        {1, "ONE "},
        {13, "THIRTEEN "},
        {20, "TWENTY "},
        {40, "FOURTY "},
        {99, "NINETY NINE "},
        {101, "ONE  HUNDRED ONE "},
        {1234, "ONE  THOUSAND TWO  HUNDRED THIRTY FOUR "},
        {15000, "FIFTEEN  THOUSAND "},
        {20000, "TWENTY  THOUSAND "},
        {21000, "TWENTY ONE  THOUSAND "},
        {123456, "ONE  HUNDRED TWENTY THREE  THOUSAND FOUR  HUNDRED FIFTY SIX "},
        {1000000, "ONE  MILLION "},
        {12000005, "TWELVE  MILLION FIVE "},
        {2147483647,
         "TWO  THOUSAND ONE  HUNDRED FOURTY SEVEN  MILLION FOUR  HUNDRED EIGHTY THREE  THOUSAND "
         "SIX  HUNDRED FOURTY SEVEN "},
    };
    for (const auto& c : cases) EXPECT_EQ(EnglishNumberText(c.n), u(c.text)) << c.n;
}

struct AmountCase {
    double amount;
    int decimals;
    const char* thaiBaht;
    const char* thaiDecimal;
    const char* englishBaht;
    const char* englishDecimal;
};

TEST(AmountInWords, AllFourTextsOfTheUsualAmounts) {
    const AmountCase cases[] = {
        {1, 2, "หนึ่งบาทถ้วน", "หนึ่ง", "ONE  BAHT  ONLY", "ONE   ONLY"},
        {21.01, 2, "ยี่สิบเอ็ดบาทหนึ่งสตางค์", "ยี่สิบเอ็ดจุดหนึ่ง", "TWENTY ONE  BAHT  AND ONE  SATANG",
         "TWENTY ONE   POINT ONE  "},
        {100.50, 2, "หนึ่งร้อยบาทห้าสิบสตางค์", "หนึ่งร้อยจุดห้าสิบ", "ONE  HUNDRED  BAHT  AND FIFTY  SATANG",
         "ONE  HUNDRED   POINT FIFTY  "},
        {0.50, 2, "บาทห้าสิบสตางค์", "จุดห้าสิบ", " BAHT  AND FIFTY  SATANG", "  POINT FIFTY  "},
        {0.05, 2, "บาทห้าสตางค์", "จุดห้า", " BAHT  AND FIVE  SATANG", "  POINT FIVE  "},
        {0.001, 2, "บาทถ้วน", "", " BAHT  ONLY", "  ONLY"},
        {1234.56, 2, "หนึ่งพันสองร้อยสามสิบสี่บาทห้าสิบหกสตางค์", "หนึ่งพันสองร้อยสามสิบสี่จุดห้าสิบหก",
         "ONE  THOUSAND TWO  HUNDRED THIRTY FOUR  BAHT  AND FIFTY SIX  SATANG",
         "ONE  THOUSAND TWO  HUNDRED THIRTY FOUR   POINT FIFTY SIX  "},
        {1.505, 3, "หนึ่งบาทห้าร้อยห้าสตางค์", "หนึ่งจุดห้าร้อยห้า",
         "ONE  BAHT  AND FIVE  HUNDRED FIVE  SATANG", "ONE   POINT FIVE  HUNDRED FIVE  "},
        {1000000.01, 2, "หนึ่งล้านบาทหนึ่งสตางค์", "หนึ่งล้านจุดหนึ่ง", "ONE  MILLION  BAHT  AND ONE  SATANG",
         "ONE  MILLION   POINT ONE  "},
    };
    for (const AmountCase& c : cases) {
        EXPECT_EQ(ThaiBahtText(c.amount, c.decimals), u(c.thaiBaht)) << c.amount;
        EXPECT_EQ(ThaiDecimalText(c.amount, c.decimals), u(c.thaiDecimal)) << c.amount;
        EXPECT_EQ(EnglishBahtText(c.amount, c.decimals), u(c.englishBaht)) << c.amount;
        EXPECT_EQ(EnglishDecimalText(c.amount, c.decimals), u(c.englishDecimal)) << c.amount;
    }
}

TEST(AmountInWords, ExactlyZeroIsEmptyButAnAmountRoundingToZeroIsNot) {
    for (int decimals : {0, 2, 255}) {
        EXPECT_EQ(ThaiBahtText(0, decimals), QString());
        EXPECT_EQ(ThaiDecimalText(0, decimals), QString());
        EXPECT_EQ(EnglishBahtText(0, decimals), QString());
        EXPECT_EQ(EnglishDecimalText(0, decimals), QString());
    }
    EXPECT_EQ(ThaiBahtText(-0.0, 2), QString());
    EXPECT_EQ(ThaiBahtText(0.004, 2), u("บาทถ้วน"));
    EXPECT_EQ(ThaiBahtText(-0.004, 2), u("บาทถ้วน")) << "no sign for what rounds to zero";
}

TEST(AmountInWords, RoundsHalvesAwayFromZeroOnEighteenDigits) {
    EXPECT_EQ(ThaiBahtText(0.125, 2), u("บาทสิบสามสตางค์"));
    // 2.675 is held as 2.67499999999999982236431605997495353221893310546875.
    EXPECT_EQ(ThaiBahtText(2.675, 2), u("สองบาทหกสิบเจ็ดสตางค์"));
    // 0.995 is held just below 0.995, and still is on 18 digits.
    EXPECT_EQ(ThaiBahtText(0.995, 2), u("บาทเก้าสิบเก้าสตางค์"));
    EXPECT_EQ(ThaiBahtText(0.9951, 2), u("หนึ่งบาทถ้วน"));
    EXPECT_EQ(EnglishBahtText(19.999, 2), u("TWENTY  BAHT  ONLY"));
    EXPECT_EQ(ThaiBahtText(1.5, 1), u("หนึ่งบาทห้าสตางค์")) << "one decimal reads 5, not 50";
}

TEST(AmountInWords, ZeroDecimalsReadTheRoundedWholeAmount) {
    EXPECT_EQ(ThaiBahtText(5, 0), u("ห้าบาทถ้วน"));
    EXPECT_EQ(ThaiBahtText(5.6, 0), u("หกบาทถ้วน"));
    EXPECT_EQ(ThaiDecimalText(1250, 0), u("หนึ่งพันสองร้อยห้าสิบ"));
    EXPECT_EQ(EnglishBahtText(12, 0), u("TWELVE  BAHT  ONLY"));
    EXPECT_EQ(EnglishDecimalText(12, 0), u("TWELVE   ONLY"));
}

TEST(AmountInWords, NegativeAmountsReadTheMagnitudeAfterASignWord) {
    EXPECT_EQ(ThaiBahtText(-12.5, 2), u("ลบสิบสองบาทห้าสิบสตางค์"));
    EXPECT_EQ(ThaiDecimalText(-0.5, 2), u("ลบจุดห้าสิบ"));
    EXPECT_EQ(EnglishBahtText(-1, 2), u("MINUS ONE  BAHT  ONLY"));
    EXPECT_EQ(EnglishDecimalText(-2.25, 2), u("MINUS TWO   POINT TWENTY FIVE  "));
}

TEST(AmountInWords, WhatNoThirtyTwoBitIntegerHoldsIsAConversionError) {
    EXPECT_EQ(ThaiBahtText(2147483647, 2),
              u("สองพันหนึ่งร้อยสี่สิบเจ็ดล้านสี่แสนแปดหมื่นสามพันหกร้อยสี่สิบเจ็ดบาทถ้วน"));
    EXPECT_THROW(ThaiBahtText(2147483648.0, 2), ConvertError);
    EXPECT_THROW(EnglishBahtText(-2147483648.0, 2), ConvertError);
    EXPECT_THROW(ThaiBahtText(1e300, 2), ConvertError);
    EXPECT_THROW(ThaiBahtText(std::numeric_limits<double>::quiet_NaN(), 2), ConvertError);
    EXPECT_THROW(ThaiBahtText(std::numeric_limits<double>::infinity(), 2), ConvertError);
    // Ten decimals of 0.9999999999 are more satang than a 32-bit integer holds.
    EXPECT_THROW(ThaiBahtText(0.9999999999, 10), ConvertError);
    EXPECT_EQ(ThaiBahtText(0.5, 9), u("บาทห้าร้อยล้านสตางค์"));
}

TEST(AmountInWords, DecimalsOutsideZeroTo255AreRefused) {
    EXPECT_THROW(ThaiBahtText(1, -1), ConvertError);
    EXPECT_THROW(EnglishDecimalText(1, 256), ConvertError);
    // 255 decimals: only the first 30 characters are read, a point and 28 zeros here.
    EXPECT_EQ(ThaiBahtText(1, 255), u("หนึ่งบาทถ้วน"));
}

}  // namespace
