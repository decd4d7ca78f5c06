// The event stream's fields, as the README documents them to line
// controllers: every event, every notice kind and every word a field takes.
#include "FileBytes.h"
#include "cli/JsonEvents.h"
#include "cli/LineExit.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QRegularExpression>
#include <cstdio>
#include <map>
#include <set>

namespace {

// A field and its JSON type; nullable ones may also be null.
struct Field {
    const char* name;
    QJsonValue::Type type;
    bool nullable = false;
};
constexpr auto kString = QJsonValue::String, kNumber = QJsonValue::Double, kObject = QJsonValue::Object;

// clang-format off
const std::map<QString, std::vector<Field>> kEvents{
    {"run-started", {{"version", kString}, {"command", kString}, {"mode", kString}, {"ports", QJsonValue::Array},
                     {"file", kString, true}, {"sha256", kString, true}, {"checksum", kString, true}, {"fuse", kString, true}}},
    {"round-started", {{"round", kNumber}}},
    {"socket", {{"port", kString}, {"state", kString}}},
    {"chip-identified", {{"port", kString}, {"id", kString}, {"empty", QJsonValue::Bool}, {"revision", kNumber},
                         {"path", kString}, {"device", kObject, true}}},
    {"chip-started", {{"port", kString}, {"round", kNumber}, {"serial", kNumber, true}, {"serial_line", kNumber, true}}},
    {"progress", {{"port", kString}, {"pass", kString}, {"location", kNumber}, {"size", kNumber}}},
    {"notice", {{"port", kString, true}, {"kind", kString}}},
    {"chip-finished", {{"port", kString}, {"round", kNumber}, {"result", kString}, {"exit", kNumber}, {"seconds", kNumber},
                       {"serial", kNumber, true}, {"serial_line", kNumber, true}, {"id", kString, true},
                       {"wire_bytes", kNumber}, {"mismatch", kObject, true}}},
    {"round-finished", {{"round", kNumber}, {"tally", kObject}, {"exit", kNumber}}},
    {"run-finished", {{"tally", kObject}, {"exit", kNumber}}},
};
const std::map<QString, std::vector<Field>> kNotices{
    {"unknown-record", {{"record", kString}}}, {"bad-address", {{"address", kString}}},
    {"cannot-open", {{"detail", kString}}}, {"cannot-read", {{"detail", kString}}},
    {"eeprom-layout", {{"layout", kString}}}, {"no-such-port", {{"detail", kString}}},
    {"port-not-opened", {{"detail", kString}}}, {"not-detected", {{"detail", kString}}},
    {"link-lost", {{"detail", kString}}}, {"no-chip", {{"id", kString}}}, {"unknown-device", {{"id", kString}}},
    {"file-too-large", {{"id", kString}, {"memory", kString}, {"address", kString}}},
    {"record-trouble", {{"record", kString}, {"detail", kString}}}, {"serial-too-large", {{"serial", kNumber}}},
    {"serial-line-unmarked", {{"file", kString}, {"line", kNumber}, {"detail", kString}}},
    {"serial-over-file-data", {}}, {"file-not-written", {{"file", kString}, {"detail", kString}}},
    {"message", {{"detail", kString}}},
};
// clang-format on
const std::vector<Field> kCounts{{"passed", kNumber}, {"failed", kNumber}, {"empty", kNumber}};
const std::vector<Field> kDevice{{"words", kNumber}, {"eeprom_bytes", kNumber}, {"pins", kNumber}};
const std::vector<Field> kMismatch{{"memory", kString}, {"address", kString}, {"expected", kString}, {"read", kString}};

void ExpectFields(const QJsonObject& object, const std::vector<Field>& fields, const QByteArray& line)
{
    for (const Field& field : fields) {
        const QJsonValue value = object.value(QLatin1String(field.name));
        EXPECT_TRUE(value.type() == field.type || (field.nullable && value.isNull()))
            << field.name << " in " << line.toStdString();
    }
}

void ExpectTally(const QJsonObject& tally, const QByteArray& line)
{
    ExpectFields(tally, kCounts, line);
    ASSERT_TRUE(tally.value("ports").isObject()) << line.toStdString();
    for (const QJsonValue& port : tally.value("ports").toObject())
        ExpectFields(port.toObject(), kCounts, line);
}

// Every event kind, each nullable field once present and once not.
void TellEverything(JsonEvents& json)
{
    const LinePlan plan{.command = ChipCommand::Program,
                        .file = "a.hex",
                        .fuse = 0x3F72,
                        .sha256 = "ab12",
                        .checksum = 0x84D0,
                        .job = "Board",
                        .jobSha256 = "cd34"};
    json.Tell(LineEvent::RunStarted{plan, {"p1", "p2"}, false});
    json.Tell(LineEvent::RunStarted{LinePlan{}, {"p1"}, true});
    json.Tell(LineEvent::RoundStarted{1});
    for (const SocketState state : {SocketState::WaitingForChip, SocketState::WaitingForRemoval, SocketState::NoProgrammer})
        json.Tell(LineEvent::SocketChanged{"p1", state});
    json.Tell(LineEvent::ChipIdentified{"p1", ChipIdentity(0x0E20)});
    json.Tell(LineEvent::ChipIdentified{"p2", ChipIdentity(0x3FFF)});
    json.Tell(LineEvent::ChipStarted{"p1", 1, 7, std::nullopt});
    json.Tell(LineEvent::ChipStarted{"p2", 1, std::nullopt, 3});
    for (const Pass pass : {Pass::Program, Pass::Eeprom, Pass::VerifyProgram, Pass::VerifyEeprom, Pass::Read, Pass::ReadEeprom})
        json.Tell(LineEvent::PassProgressed{"p1", {pass, 0, 100}});
    for (const HexNotice::Kind kind : {HexNotice::Kind::UnknownRecord, HexNotice::Kind::BadAddress, HexNotice::Kind::CannotOpen,
                                       HexNotice::Kind::CannotRead, HexNotice::Kind::EepromLayoutUsed})
        json.Tell(LineEvent::NoticeGiven{{}, HexNotice{kind, "x", 0x4200, EepromLayout::Word}});
    for (const CommandOutcome outcome :
         {CommandOutcome::BadPortName, CommandOutcome::PortNotOpened, CommandOutcome::NotDetected, CommandOutcome::LinkLost})
        json.Tell(LineEvent::NoticeGiven{"p1", Failure{outcome, "why"}});
    for (const ChipDoubt::Kind kind : {ChipDoubt::Kind::NoChip, ChipDoubt::Kind::UnknownDevice, ChipDoubt::Kind::FileTooLarge})
        json.Tell(LineEvent::NoticeGiven{"p1", ChipDoubt{kind, 0x0E20, Memory::EepromByte, 0x80}});
    for (const LineNotice& notice : std::vector<LineNotice>{RecordTrouble{"line.db", "gone"}, SerialTooLarge{65536},
                                                            SerialOverFileData{}, SerialLineUnmarked{"a.num", 2, "read-only"},
                                                            FileNotWritten{"o.hex", "full"}, CommandMessage{"said"}})
        json.Tell(LineEvent::NoticeGiven{"p1", notice});
    ChipResult failed;
    failed.verdict = ChipVerdict::Mismatch;
    failed.serial = 7;
    failed.identity = ChipIdentity(0x0E20);
    failed.firstMismatch = Mismatch{Memory::ConfigurationWord, 0, 0x3F72, 0x3F70};
    json.Tell(LineEvent::ChipFinished{"p1", 1, failed});
    json.Tell(LineEvent::ChipFinished{"p2", 1, ChipResult{}});
    Tally tally;
    tally.Add("p1", Tally::Count::Failed);
    json.Tell(LineEvent::RoundFinished{1, tally});
    json.Tell(LineEvent::RunFinished{tally});
}

// The events the README's table lists.
std::set<QString> DocumentedEvents()
{
    std::set<QString> events;
    const QRegularExpression row(QStringLiteral("^\\| `([a-z-]+)` \\| "), QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch& match :
         row.globalMatch(QString::fromUtf8(FileBytes(KORVEXC_FIXTURES "/../../README.md"))))
        events.insert(match.captured(1));
    return events;
}

}  // namespace

TEST(JsonEvents, EveryEventHoldsItsDocumentedFieldsWithTheirTypesAndWords)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    LineExit exit(true);
    JsonEvents json(exit, NoticeWords({true, false, {}}), stream);
    TellEverything(json);
    std::rewind(stream);
    std::set<QString> events, notices;
    std::map<QString, QStringList> words;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, stream)) {
        const QByteArray line(buffer);
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        const QString event = object.value("event").toString();
        ASSERT_TRUE(kEvents.count(event)) << line.toStdString();
        events.insert(event);
        EXPECT_EQ(object.value("v"), QJsonValue(1));
        EXPECT_TRUE(object.value("time").toString().contains(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT[\\d:]{8}\\.\\d{3}Z$")));
        ExpectFields(object, kEvents.at(event), line);
        if (event == "notice") {
            ASSERT_TRUE(kNotices.count(object.value("kind").toString())) << line.toStdString();
            notices.insert(object.value("kind").toString());
            ExpectFields(object, kNotices.at(object.value("kind").toString()), line);
        }
        if (object.value("tally").isObject())
            ExpectTally(object.value("tally").toObject(), line);
        if (object.value("device").isObject())
            ExpectFields(object.value("device").toObject(), kDevice, line);
        if (object.value("mismatch").isObject())
            ExpectFields(object.value("mismatch").toObject(), kMismatch, line);
        for (const char* worded : {"state", "pass", "mode", "id", "fuse", "result", "memory", "job", "job_sha256"})
            if (object.value(worded).isString())
                words[worded] << object.value(worded).toString();
    }
    std::fclose(stream);
    EXPECT_EQ(events, DocumentedEvents());
    EXPECT_EQ(notices.size(), kNotices.size());
    EXPECT_EQ(words["state"], (QStringList{"waiting-for-chip", "waiting-for-removal", "no-programmer"}));
    EXPECT_EQ(words["pass"], (QStringList{"program", "eeprom", "verify-program", "verify-eeprom", "read", "read-eeprom"}));
    EXPECT_EQ(words["mode"], (QStringList{"rounds", "auto"}));
    EXPECT_EQ(words["fuse"], (QStringList{"3F72"}));
    EXPECT_EQ(words["result"], (QStringList{"mismatch", "success"}));
    EXPECT_EQ(words["id"].mid(0, 2), (QStringList{"0E20", "3FFF"}));
    EXPECT_EQ(words["memory"], (QStringList{"eeprom"}));
    EXPECT_EQ(words["job"] + words["job_sha256"], (QStringList{"Board", "cd34"}));
}
