// Texts the user reads and the encodings device texts arrive in.
#include <gtest/gtest.h>

#include "device/DeviceText.h"
#include "platform/CodePage1251.h"
#include "platform/TextSearch.h"
#include "resources/DeviceTexts.h"

TEST(CodePage1251, DecodesEveryCyrillicLetterAndRoundTrips)
{
    std::vector<uint8_t> all;
    for (int b = 1; b < 256; ++b) {
        if (b != 0x98) all.push_back(static_cast<uint8_t>(b));
    }
    std::u16string text = Cp1251ToUtf16(all.data(), all.size());
    EXPECT_EQ(Utf16ToCp1251(text), std::string(all.begin(), all.end()));
    const uint8_t word[] = {0xCA, 0xCB, 0xD5, 0xA8, 0xB8, 0xFF};
    EXPECT_EQ(Utf16ToUtf8(Cp1251ToUtf16(word, 6)), "КЛХЁёя");
    EXPECT_EQ(Utf16ToCp1251(u"a\u4E00"), "a?");
}

TEST(CodePage1251, Utf8ConversionsSurviveMalformedInput)
{
    EXPECT_EQ(Utf8ToUtf16("Ёж\xF0\x9F\x98\x80"), u"Ёж\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(u"Ёж\U0001F600"), "Ёж\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");          // cut short
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80x"), u"\uFFFD\uFFFD\uFFFDx");  // a surrogate
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(TextSearch, FoldsLatinAndCyrillicIncludingYo)
{
    EXPECT_TRUE(ContainsIgnoringCase(u"прибор КЛХ41-м", u"клх41"));
    EXPECT_TRUE(ContainsIgnoringCase(u"ЁЛКА", u"ёлка"));
    EXPECT_TRUE(ContainsIgnoringCase(u"xx klx51L", u"KLX51l"));
    EXPECT_FALSE(ContainsIgnoringCase(u"KLX41", u"КЛХ41"));  // Latin is not Cyrillic
    EXPECT_FALSE(ContainsIgnoringCase(u"KLX4", u"KLX41"));
    EXPECT_FALSE(ContainsIgnoringCase(u"KLX41", u""));
}

TEST(DeviceText, IsReversedAndEndsAtItsLengthOrAZero)
{
    const uint8_t reversed[] = {'1', '4', 0xD5, 0xCB, 0xCA, 0, 'Z'};
    EXPECT_EQ(DecodeDeviceText(reversed, 7), u"КЛХ41");
    EXPECT_EQ(DecodeDeviceText(reversed, 2), u"41");
    EXPECT_TRUE(IsSupportedModel(u"клх51м v2"));
    EXPECT_TRUE(IsSupportedModel(u"РГХ207К"));
    EXPECT_FALSE(IsSupportedModel(u"КЛХ51"));
}

TEST(DeviceTexts, StatusTextsAndStringTable)
{
    EXPECT_STREQ(texts::StatusText(-102), "Прибор не ответил на запрос. ");
    EXPECT_STREQ(texts::StatusText(2), "Отменено пользователем. ");
    EXPECT_STREQ(texts::StatusText(1), "ошибка ");
    EXPECT_STREQ(texts::StatusText(-50), "ошибка ");
    EXPECT_STREQ(texts::StringTableEntry(132), "Программа тиражирования КЛХ41/51, РГХ206К/207К");
    EXPECT_STREQ(texts::StringTableEntry(155), " ");
    EXPECT_STREQ(texts::StringTableEntry(136), "");
    for (uint8_t area : {0, 16, 40, 64}) {
        // The read titles begin with a Latin C.
        EXPECT_EQ(texts::ReadAreaTexts(area).title[0], 'C');
    }
    EXPECT_STREQ(texts::ReadAreaTexts(16).cancelText, "Кофигурация не считана. ");
    EXPECT_STREQ(texts::PortOpenText(-1), "Не удалось открыть COM-порт. ");
    EXPECT_STREQ(texts::PortOpenText(-11), "Возникла ошибка при настройке COM-порта. ");
    EXPECT_STREQ(texts::PortOpenText(3), "Неизвестная ошибка при открытии порта. ");
    // The line's account of a failed open: which port, and why in words the user reads.
    EXPECT_EQ(texts::PortOpenDetail(LineOpenError::Busy, "/dev/ttyUSB0"), "/dev/ttyUSB0: порт занят другой программой");
    EXPECT_EQ(texts::PortOpenDetail(LineOpenError::NotFound, "COM7"), "COM7: порт не найден");
    EXPECT_EQ(texts::PortOpenDetail(LineOpenError::NotFound, ""), "порт не выбран");
    EXPECT_EQ(texts::PortOpenDetail(LineOpenError::NoPermission, "/dev/ttyS4").rfind("/dev/ttyS4: нет прав доступа", 0), 0u);
    EXPECT_EQ(texts::PortOpenDetail(LineOpenError::Other, "/dev/x: I/O error"), "/dev/x: I/O error");
    EXPECT_EQ(texts::PortOpenDetail(LineOpenError::None, ""), "");
}
