#include "AssemblerListing.h"
#include "image/HexLoader.h"
#include "image/HexWriter.h"
#include "image/MemoryImage.h"
#include "RecordingOperator.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <random>

namespace {

const QString kFixtures = QStringLiteral(KORVEXC_FIXTURES);

class Loader : public ::testing::Test {
protected:
    QString Write(const QByteArray& text)
    {
        const QString path = dir_.filePath(QStringLiteral("f%1.hex").arg(files_++));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }
    bool Load(const QByteArray& text) { return HexLoader::LoadHexFile(Write(text), image, ui); }

    QTemporaryDir dir_;
    int files_ = 0;
    MemoryImage image;
    RecordingOperator ui;
};

MemoryImage Blank()
{
    MemoryImage blank;
    blank.ClearImage();
    return blank;
}

// Places the bytes the way the loader should, for comparison.
MemoryImage Expected(const std::map<int, std::uint8_t>& bytes)
{
    MemoryImage image = Blank();
    for (const auto& [address, byte] : bytes) {
        if (address < 0x4000) {
            image.ProgramImage[address] = byte;
            image.ProgramTop = std::max<std::int16_t>(image.ProgramTop, std::int16_t(address));
        } else if (address < 0x4200) {
            image.ConfigImage[address - 0x4000] = byte;
        } else if (address <= 0x42FF) {
            image.EepromImage[address - 0x4200] = byte;
            image.EepromTop = std::max<std::int16_t>(image.EepromTop, std::int16_t(address - 0x4200));
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

TEST_F(Loader, AssembledFilesLoadAsTheirListingsSay)
{
    ASSERT_TRUE(HexLoader::LoadHexFile(kFixtures + "/gaps.hex", image, ui));
    ExpectSame(image, Expected(AssemblerListing::Bytes(kFixtures + "/gaps.lst")));
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(image.ProgramWord(0), 0x2900);
    EXPECT_EQ(image.ProgramWord(2), 0x03FF) << "the gap stays blank";
    EXPECT_EQ(image.ProgramWord(0x1FFF * 2), 0x0063);
    EXPECT_EQ(image.ProgramTop, 0x3FFF);
    EXPECT_EQ(image.ConfigWord(0), 0x0001);
    EXPECT_EQ(image.ConfigWord(6), 0x0004);
    EXPECT_EQ(image.ConfigWord(MemoryImage::kConfigWordOffset), 0x3FB2);
    EXPECT_EQ(image.EepromImage[2], 0x11);
    EXPECT_EQ(image.EepromTop, 23);

    // Its last EEPROM byte lands at HEX address 0x4300, past the EEPROM region.
    ASSERT_TRUE(HexLoader::LoadHexFile(kFixtures + "/counter.hex", image, ui));
    ExpectSame(image, Expected(AssemblerListing::Bytes(kFixtures + "/counter.lst")));
    EXPECT_EQ(image.ProgramTop, 199);
    EXPECT_EQ(image.EepromTop, 0xFF);
    EXPECT_EQ(image.EepromImage[0xFF], 0xEE);
    EXPECT_EQ(ui.messages, QStringList{"Bad Address: 4300"});
}

TEST_F(Loader, FailuresToOpenOrReadKeepTheCallerFromUsingTheImage)
{
    ASSERT_TRUE(Load(":020000000029D5\n"));
    const MemoryImage before = image;
    EXPECT_FALSE(HexLoader::LoadHexFile(dir_.filePath("missing.hex"), image, ui));
    EXPECT_EQ(ui.messages, QStringList{"No such file or directory"});
    EXPECT_FALSE(HexLoader::LoadHexFile(dir_.path(), image, ui));
    EXPECT_FALSE(HexLoader::LoadHexFile(QString(), image, ui));
    EXPECT_EQ(ui.messages.size(), 3);
    ExpectSame(image, before);

    // Opens, then fails to read: one message, and false.
    ui.messages.clear();
    EXPECT_FALSE(HexLoader::LoadHexFile(QStringLiteral("/proc/self/mem"), image, ui));
    EXPECT_EQ(ui.messages.size(), 1);
}

TEST_F(Loader, RecordsAreReadLenientlyByFixedPositions)
{
    ASSERT_TRUE(Load("\n"
                     "free text\n"
                     "   :0200100034127E\n"     // leading spaces are trimmed
                     "\t:02002000FFFFXX\n"     // a tab is not
                     ":020030000a0bZZ\n"       // lower case, checksum never read
                     ":0400400001\n"           // short: the rest reads as 0
                     ":020050001G2\n"          // fields end at the first non-digit
                     ":020000040001F9\n"       // upper address records move nothing
                     ":0200600055AA00\n"
                     ":0300000312345678\n"     // unknown type
                     ":0000\n"                 // no type at all
                     ":02430000FFFF00\n"
                     ":02FFFF00FFFF00\n"
                     ":00000001FF\n"
                     ":02007000FFFF00\n"));
    EXPECT_EQ(ui.messages, (QStringList{"Unknown record: 03", "Unknown record: ", "Bad Address: 4300", "Bad Address: FFFF"}));
    EXPECT_EQ(image.ProgramWord(0x10), 0x1234);
    EXPECT_EQ(image.ProgramWord(0x20), 0x03FF);
    EXPECT_EQ(image.ProgramWord(0x30), 0x0B0A);
    EXPECT_EQ(image.ProgramWord(0x40), 0x0001);
    EXPECT_EQ(image.ProgramWord(0x42), 0x0000);
    EXPECT_EQ(image.ProgramWord(0x50), 0x0201);
    EXPECT_EQ(image.ProgramWord(0x60), 0xAA55);
    EXPECT_EQ(image.ProgramWord(0x70), 0x03FF) << "nothing after the end record is read";
    EXPECT_EQ(image.ProgramTop, 0x61);
}

TEST_F(Loader, RegionIsChosenOncePerRecordAndMarksFollowTheHighestOffset)
{
    ASSERT_TRUE(Load(":10001000000102030405060708090A0B0C0D0E0F00\n"
                     ":1000000000000000000000000000000000000000F0\n"
                     ":02400E00FF3F00\n"
                     ":0442000001020304F0\n"));
    EXPECT_EQ(image.ProgramTop, 0x1F);
    EXPECT_EQ(image.EepromTop, 3);
    EXPECT_EQ(image.ConfigWord(MemoryImage::kConfigWordOffset), 0x3FFF);
    EXPECT_TRUE(ui.messages.isEmpty());

    // Bytes that run past the end of their image are dropped and the first one is named.
    ASSERT_TRUE(Load(":103FF800000102030405060708090A0B0C0D0E0F00\n"
                     ":10401000000102030405060708090A0B0C0D0E0F00\n"
                     ":0240200011220000\n"
                     ":1042F800000102030405060708090A0B0C0D0E0F00\n"));
    EXPECT_EQ(ui.messages, (QStringList{"Bad Address: 4000", "Bad Address: 401D", "Bad Address: 4020", "Bad Address: 4301"}));
    EXPECT_EQ(image.ProgramTop, 0x3FFF);
    EXPECT_EQ(image.ProgramWord(0x3FFE), 0x0706);
    EXPECT_EQ(image.ConfigImage[0], 0xFF) << "the program record never spills into the configuration area";
    EXPECT_EQ(image.ConfigImage[28], 0x0C);
    EXPECT_EQ(image.EepromTop, 256);
    EXPECT_EQ(image.EepromImage[256], 0x08);
}

TEST_F(Loader, LineEndsAndEmptyFilesMakeNoDifference)
{
    const QByteArray lines[] = {":0200100034127E", ":0442000001020304F0", ":00000001FF"};
    ASSERT_TRUE(Load(lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n"));
    const MemoryImage crlf = image;
    ASSERT_TRUE(Load(lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n"));
    ExpectSame(image, crlf);
    ASSERT_TRUE(Load(lines[0] + "\n" + lines[1]));
    ExpectSame(image, crlf);

    ASSERT_TRUE(Load(QByteArray()));
    ExpectSame(image, Blank());
    EXPECT_EQ(image.ConfigWord(MemoryImage::kConfigWordOffset), 0x03FF);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(Loader, HostileContentNeitherCrashesNorHangs)
{
    std::mt19937 random(7);
    QByteArray binary(1 << 20, Qt::Uninitialized);
    for (char& c : binary)
        c = char(random());
    binary.replace('\n', ':');
    EXPECT_TRUE(Load(binary));

    QByteArray notUtf8 = ":02001000\xC3\x28\xFF\xFE\n:0\x80\x80\x80\x80\x80\x80\x80\n";
    notUtf8.append(QByteArray(100, '\0'));
    EXPECT_TRUE(Load(notUtf8));

    // One line of 10 MB, which is a data record with trailing junk, then one that is only spaces.
    QByteArray longLine = ":0200100034127E";
    longLine.append(QByteArray(10 * 1024 * 1024, 'Z'));
    longLine.append("\n:02002000BBAA00" + QByteArray(5 * 1024 * 1024, ' ') + "\n");
    ui.messages.clear();
    EXPECT_TRUE(Load(longLine));
    EXPECT_EQ(image.ProgramWord(0x10), 0x1234);
    EXPECT_EQ(image.ProgramWord(0x20), 0xAABB);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(Loader, HundredMegabytesOfRecordsStream)
{
    const QString path = dir_.filePath("big.hex");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray record = ":10000000000102030405060708090A0B0C0D0E0F78\n";
        QByteArray block;
        for (int i = 0; i < 4096; ++i)
            block += record;
        while (file.size() < 100LL * 1024 * 1024)
            file.write(block);
    }
    EXPECT_TRUE(HexLoader::LoadHexFile(path, image, ui));
    EXPECT_EQ(image.ProgramTop, 15);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(Loader, RandomImagesSurviveAWriteAndALoad)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        std::map<int, std::uint8_t> bytes;
        const int density = 1 + int(random() % 50);
        const auto fill = [&](int base, int count) {
            for (int i = 0; i < count; ++i) {
                if (int(random() % 100) < density)
                    bytes[base + i] = std::uint8_t(random());
            }
        };
        fill(0x0000, 0x4000);
        fill(0x4000, MemoryImage::kConfigBytes);
        fill(0x4200, 0x100);
        HexWriter writer;
        for (const auto& [address, byte] : bytes)
            writer.Add(address, byte);
        ASSERT_TRUE(Load(writer.Text()));
        ExpectSame(image, Expected(bytes));
        EXPECT_TRUE(ui.messages.isEmpty());
    }
}
