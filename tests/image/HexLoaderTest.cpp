#include "AssemblerListing.h"
#include "FileBytes.h"
#include "image/HexLoader.h"
#include "image/MemoryImage.h"
#include "ops/SharedWords.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kFixtures = QStringLiteral(KORVEXC_FIXTURES);

class Loader : public ::testing::Test {
protected:
    bool LoadFile(const QString& path, EepromLayout layout = EepromLayout::Auto)
    {
        const auto notice = [this](const HexNotice& notice) {
            if (notice.kind == HexNotice::Kind::EepromLayoutUsed)
                used = notice.layout;
            else
                notices << SharedWords::NoticeText(notice, QString());
        };
        return HexLoader::LoadHexFile(path, image, notice, layout);
    }
    bool Load(const QByteArray& text)
    {
        const QString path = dir_.filePath(QStringLiteral("f%1.hex").arg(files_++));
        EXPECT_TRUE(WriteFile(path, text));
        return LoadFile(path);
    }

    QTemporaryDir dir_;
    int files_ = 0;
    MemoryImage image;
    QStringList notices;
    std::optional<EepromLayout> used;
};

// Places the bytes the way the loader should, for comparison.
MemoryImage Expected(const std::map<int, std::uint8_t>& bytes, EepromLayout layout = EepromLayout::Byte)
{
    MemoryImage image;
    for (const auto& [address, byte] : bytes) {
        if (address < 0x4000) {
            image.ProgramImage[address] = byte;
            image.ProgramTop = std::max<std::int16_t>(image.ProgramTop, std::int16_t(address));
        } else if (address < 0x4200) {
            image.ConfigImage[address - 0x4000] = byte;
        } else if (layout == EepromLayout::Byte && address <= 0x42FF) {
            image.EepromImage[address - 0x4200] = byte;
            image.EepromTop = std::max<std::int16_t>(image.EepromTop, std::int16_t(address - 0x4200));
        } else if (layout == EepromLayout::Word && address % 2 == 0) {
            image.EepromImage[(address - 0x4200) / 2] = byte;
            image.EepromTop = std::max<std::int16_t>(image.EepromTop, std::int16_t((address - 0x4200) / 2));
        }
    }
    return image;
}

void ExpectSame(const MemoryImage& actual, const MemoryImage& expected)
{
    EXPECT_EQ(actual.ProgramTop, expected.ProgramTop);
    EXPECT_EQ(actual.EepromTop, expected.EepromTop);
    // The clear leaves the lone last bytes of the word images alone, so they are not compared.
    EXPECT_TRUE(std::equal(actual.ProgramImage.begin(), actual.ProgramImage.end() - 1, expected.ProgramImage.begin()));
    EXPECT_TRUE(std::equal(actual.ConfigImage.begin(), actual.ConfigImage.end() - 1, expected.ConfigImage.begin()));
    EXPECT_TRUE(actual.EepromImage == expected.EepromImage);
}

}  // namespace

TEST_F(Loader, AssembledFilesLoadAsTheirListingsSayInTheirEepromLayout)
{
    // EEPROM bytes one to a word, as assemblers write them, fill the whole EEPROM without a message.
    ASSERT_TRUE(LoadFile(kFixtures + "/eeprom-full.hex"));
    ExpectSame(image, Expected(AssemblerListing::Bytes(kFixtures + "/eeprom-full.lst"), EepromLayout::Word));
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_EQ(used, EepromLayout::Word);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(image.EepromImage.data()), 6), QByteArray("HELLO\x7F"));

    ASSERT_TRUE(LoadFile(kFixtures + "/gaps.hex"));
    ExpectSame(image, Expected(AssemblerListing::Bytes(kFixtures + "/gaps.lst"), EepromLayout::Word));
    // Overridden, the same file loads in the byte layout, its zero high bytes as data.
    ASSERT_TRUE(LoadFile(kFixtures + "/gaps.hex", EepromLayout::Byte));
    ExpectSame(image, Expected(AssemblerListing::Bytes(kFixtures + "/gaps.lst")));

    // Data at 0x4300 and up is the upper half of the EEPROM in the word layout.
    ASSERT_TRUE(LoadFile(kFixtures + "/eeprom-upper-linked.hex"));
    EXPECT_EQ(image.EepromTop, 130);
    EXPECT_EQ(image.EepromImage[128], 'U');

    // An odd byte that is not zero keeps a file in the byte layout, with today's messages.
    ASSERT_TRUE(LoadFile(kFixtures + "/counter.hex"));
    ExpectSame(image, Expected(AssemblerListing::Bytes(kFixtures + "/counter.lst")));
    EXPECT_EQ(used, EepromLayout::Byte);
    EXPECT_EQ(notices, QStringList{"Bad Address: 4300"});
    notices.clear();
    ASSERT_TRUE(LoadFile(kFixtures + "/byte-layout.hex", EepromLayout::Word));
    EXPECT_EQ(image.EepromTop, 2);
    EXPECT_EQ((std::vector<int>{image.EepromImage[0], image.EepromImage[1], image.EepromImage[2]}),
              (std::vector<int>{0x10, 0x32, 0x00}));

    used.reset();
    ASSERT_TRUE(Load(":020000000029D5\n"));
    EXPECT_FALSE(used) << "a file without EEPROM data names no layout";
}

TEST_F(Loader, FailuresToOpenOrReadKeepTheCallerFromUsingTheImage)
{
    ASSERT_TRUE(Load(":020000000029D5\n"));
    const MemoryImage before = image;
    QFile missing(dir_.filePath("missing.hex"));
    EXPECT_FALSE(LoadFile(missing.fileName()) || missing.open(QIODevice::ReadOnly));
    EXPECT_EQ(notices, QStringList{missing.errorString()}) << "the system's own words";
    ExpectSame(image, before);

    // Opens, then fails to read: one notice, and false.
    notices.clear();
    EXPECT_FALSE(LoadFile(QStringLiteral("/proc/self/mem")));
    EXPECT_EQ(notices.size(), 1);
}

TEST_F(Loader, RecordsAreReadLenientlyByFixedPositions)
{
    ASSERT_TRUE(
        Load("\n"
             "free text\n"
             "   :0200100034127E\n"  // leading spaces are trimmed
             "\t:02002000FFFFXX\n"  // a tab is not
             ":020030000a0bZZ\n"  // lower case, checksum never read
             ":0400400001\n"  // short: the rest reads as 0
             ":02005000G1120\n"  // a field ends at its first non-digit: "G1" reads 0
             ":020000040001F9\n"  // upper address records move nothing
             ":0200600055AA00\n"
             ":0300700312345678\n"  // unknown type: reported, not loaded
             ":0000\n"  // no type at all
             ":02430000FFFF00\n"
             ":02FFFF00FFFF00\n"
             ":01009000125D\n"  // the low byte of a word alone
             ":00000001FF\n"
             ":02008000FFFF00\n"));
    EXPECT_EQ(notices, (QStringList{"Unknown record: 03", "Unknown record: ", "Bad Address: 4300", "Bad Address: FFFF"}));
    std::vector<int> words;
    for (const int offset : {0x10, 0x20, 0x30, 0x40, 0x42, 0x50, 0x60, 0x70, 0x80})
        words.push_back(image.ProgramWord(offset));
    // Nothing after the end record is read.
    EXPECT_EQ(words, (std::vector<int>{0x1234, 0x03FF, 0x0B0A, 0x0001, 0x0000, 0x1200, 0xAA55, 0x03FF, 0x03FF}));
    EXPECT_EQ(image.ProgramTop, 0x90);
    // What the file gave, for a run that skips empty blocks: over the erased word, byte by byte.
    EXPECT_EQ(std::vector<bool>({image.WordGiven(0x30), image.WordGiven(0x38), image.WordGiven(0x40), image.WordGiven(0x48)}),
              std::vector<bool>({true, false, false, true}));
    EXPECT_EQ(std::vector<int>({image.WordOverErased(0x30), image.WordOverErased(0x38), image.WordOverErased(0x48)}),
              std::vector<int>({0xAA55, 0x3FFF, 0x3F12}));
}

TEST_F(Loader, RegionIsChosenOncePerRecordAndMarksFollowTheHighestOffset)
{
    ASSERT_TRUE(
        Load(":10001000000102030405060708090A0B0C0D0E0F00\r\n"
             ":1000000000000000000000000000000000000000F0\r\n"
             ":02400E00FF3F00\r"
             ":0442000001020304F0"));
    EXPECT_EQ(image.ProgramTop, 0x1F);
    EXPECT_EQ(image.EepromTop, 3);
    EXPECT_EQ(image.EepromImage[3], 4) << "the last line needs no line end";
    EXPECT_EQ(image.ConfigWord(MemoryImage::kConfigWordOffset), 0x3FFF);
    EXPECT_TRUE(notices.isEmpty());

    // Bytes that run past the end of their image are dropped and the first one is named.
    ASSERT_TRUE(
        Load(":103FF800000102030405060708090A0B0C0D0E0F00\n"
             ":10401000000102030405060708090A0B0C0D0E0F00\n"
             ":0240200011220000\n"
             ":1042F800000102030405060708090A0B0C0D0E0F00\n"));
    EXPECT_EQ(notices, (QStringList{"Bad Address: 4000", "Bad Address: 401D", "Bad Address: 4020", "Bad Address: 4301"}));
    EXPECT_EQ(image.ProgramTop, 0x3FFF);
    EXPECT_EQ(image.ConfigImage[0], 0xFF) << "the program record never spills into the configuration area";
    EXPECT_EQ(image.ConfigImage[28], 0x0C);
    EXPECT_EQ(image.EepromTop, 256);
    EXPECT_EQ(image.EepromImage[256], 0x08);

    notices.clear();
    ASSERT_TRUE(Load(QByteArray()));
    ExpectSame(image, MemoryImage());
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(Loader, AHugeLineIsCutToItsUsefulHeadAndTrimmedRightly)
{
    // One line of 10 MB, a data record with trailing junk, then one that is only trailing spaces.
    QByteArray longLine = ":0200100034127E";
    longLine.append(QByteArray(10 * 1024 * 1024, 'Z'));
    longLine.append("\n:02002000BBAA00" + QByteArray(5 * 1024 * 1024, ' ') + "\n");
    EXPECT_TRUE(Load(longLine));
    EXPECT_EQ(image.ProgramWord(0x10), 0x1234);
    EXPECT_EQ(image.ProgramWord(0x20), 0xAABB);
    EXPECT_TRUE(notices.isEmpty());
}
