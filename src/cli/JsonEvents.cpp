#include "JsonEvents.h"

#include "ExitCode.h"
#include "LineExit.h"
#include "Version.h"
#include "image/HexText.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

const char* PassName(Pass pass)
{
    constexpr const char* kNames[] = {"program", "eeprom", "verify-program", "verify-eeprom", "read", "read-eeprom"};
    return kNames[int(pass)];
}

const char* MemoryName(Memory memory)
{
    constexpr const char* kNames[] = {"program", "eeprom", "id", "configuration"};
    return kNames[int(memory)];
}

template <typename Number> QJsonValue Optional(const std::optional<Number>& value)
{
    return value ? QJsonValue(double(*value)) : QJsonValue();
}

QJsonObject CountsObject(const Tally::Counts& counts)
{
    return {{"passed", counts.passed}, {"failed", counts.failed}, {"empty", counts.empty}};
}

QJsonObject TallyObject(const Tally& tally)
{
    QJsonObject ports;
    for (const QString& port : tally.Ports())
        ports[port] = CountsObject(tally.Of(port));
    QJsonObject total = CountsObject(tally.Total());
    total["ports"] = ports;
    return total;
}

QJsonObject HexFields(const HexNotice& notice)
{
    switch (notice.kind) {
    case HexNotice::Kind::UnknownRecord:
        return {{"kind", "unknown-record"}, {"record", notice.text}};
    case HexNotice::Kind::BadAddress:
        return {{"kind", "bad-address"}, {"address", HexText::Word(notice.address)}};
    case HexNotice::Kind::CannotOpen:
        return {{"kind", "cannot-open"}, {"detail", notice.text}};
    case HexNotice::Kind::CannotRead:
        return {{"kind", "cannot-read"}, {"detail", notice.text}};
    case HexNotice::Kind::EepromLayoutUsed:
        break;
    }
    return {{"kind", "eeprom-layout"}, {"layout", notice.layout == EepromLayout::Byte ? "byte" : "word"}};
}

QJsonObject FailureFields(const Failure& failure)
{
    const char* kind = failure.outcome == CommandOutcome::BadPortName     ? "no-such-port"
                       : failure.outcome == CommandOutcome::PortNotOpened ? "port-not-opened"
                       : failure.outcome == CommandOutcome::NotDetected   ? "not-detected"
                                                                          : "link-lost";
    return {{"kind", kind}, {"detail", failure.detail}};
}

QJsonObject DoubtFields(const ChipDoubt& doubt)
{
    const char* kind = doubt.kind == ChipDoubt::Kind::NoChip          ? "no-chip"
                       : doubt.kind == ChipDoubt::Kind::UnknownDevice ? "unknown-device"
                                                                      : "file-too-large";
    QJsonObject fields{{"kind", kind}, {"id", HexText::Word(doubt.idWord)}};
    if (doubt.kind == ChipDoubt::Kind::FileTooLarge) {
        fields["memory"] = MemoryName(doubt.memory);
        fields["address"] = HexText::Word(doubt.address);
    }
    return fields;
}

}  // namespace

JsonEvents::JsonEvents(const LineExit& exit, NoticeWords words, std::FILE* stream)
    : exit_(exit), words_(std::move(words)), stream_(stream)
{
}

void JsonEvents::Write(const QString& event, QJsonObject fields)
{
    fields["v"] = 1;
    fields["event"] = event;
    fields["time"] = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    std::fprintf(stream_, "%s\n", QJsonDocument(fields).toJson(QJsonDocument::Compact).constData());
    std::fflush(stream_);
}

void JsonEvents::Tell(const LineEvent::Any& event)
{
    std::visit(Overloaded{
                   [this](const LineEvent::RunStarted& e) { RunStarted(e); },
                   [this](const LineEvent::RoundStarted& e) { RoundStarted(e.round); },
                   [this](const LineEvent::ChipStarted& e) { ChipStarted(e); },
                   [this](const LineEvent::ChipIdentified& e) { ChipIdentified(e.port, e.chip); },
                   [this](const LineEvent::PassProgressed& e) { PassProgress(e.port, e.progress); },
                   [this](const LineEvent::NoticeGiven& e) { Notice(e.port, e.notice); },
                   [this](const LineEvent::SocketChanged& e) { SocketChanged(e.port, e.state); },
                   [this](const LineEvent::ChipFinished& e) { ChipFinished(e.port, e.chipNumber, e.result); },
                   [this](const LineEvent::RoundFinished& e) { RoundFinished(e.round, e.tally); },
                   [this](const LineEvent::RunFinished& e) { RunFinished(e.tally); },
                   [](const auto&) {},  // statuses and mismatches are for people
               },
               event);
}

void JsonEvents::RunStarted(const LineEvent::RunStarted& run)
{
    QJsonObject fields{{"version", Version::kText},
                       {"command", QString(ChipCommands::Name(run.plan.command))},
                       {"mode", run.automatic ? "auto" : "rounds"},
                       {"ports", QJsonArray::fromStringList(run.ports)},
                       {"file", run.plan.file.isEmpty() ? QJsonValue() : QJsonValue(run.plan.file)},
                       {"sha256", run.plan.sha256.isEmpty() ? QJsonValue() : QJsonValue(run.plan.sha256)},
                       {"checksum", run.plan.checksum ? QJsonValue(HexText::Word(*run.plan.checksum)) : QJsonValue()},
                       {"fuse", run.plan.fuse ? QJsonValue(HexText::Word(*run.plan.fuse)) : QJsonValue()}};
    if (!run.plan.jobSha256.isEmpty()) {
        fields["job"] = run.plan.job;
        fields["job_sha256"] = run.plan.jobSha256;
    }
    Write(QStringLiteral("run-started"), fields);
    started_ = true;
    for (const QJsonObject& notice : std::exchange(early_, {}))
        Write(QStringLiteral("notice"), notice);
}

void JsonEvents::RoundStarted(int round)
{
    Write(QStringLiteral("round-started"), {{"round", round}});
}

void JsonEvents::ChipStarted(const LineEvent::ChipStarted& chip)
{
    Write(QStringLiteral("chip-started"), {{"port", chip.port},
                                           {"round", chip.chipNumber},
                                           {"serial", Optional(chip.serial)},
                                           {"serial_line", Optional(chip.serialLine)}});
}

void JsonEvents::ChipIdentified(const QString& port, const ChipIdentity& chip)
{
    QJsonObject fields{{"port", port},
                       {"id", HexText::Word(chip.idWord)},
                       {"empty", !chip.Answered()},
                       {"revision", chip.Revision()},
                       {"path", chip.fastPath ? "blocks" : "letters"}};
    fields["device"] = chip.member ? QJsonValue(QJsonObject{{"words", chip.member->programWords},
                                                            {"eeprom_bytes", chip.member->eepromBytes},
                                                            {"pins", chip.member->pins}})
                                   : QJsonValue();
    Write(QStringLiteral("chip-identified"), fields);
}

void JsonEvents::PassProgress(const QString& port, const Progress& progress)
{
    // At most ten a pass: at the first point of each tenth.
    const int tenth = progress.size > 0 ? 10 * progress.location / progress.size : 0;
    const auto told = tenths_.find(port);
    if (told != tenths_.end() && told->second.first == progress.pass && told->second.second >= tenth)
        return;
    tenths_[port] = {progress.pass, tenth};
    Write(QStringLiteral("progress"),
          {{"port", port}, {"pass", PassName(progress.pass)}, {"location", progress.location}, {"size", progress.size}});
}

QJsonObject JsonEvents::NoticeFields(const LineNotice& notice)
{
    return std::visit(
        Overloaded{
            [](const HexNotice& hex) { return HexFields(hex); },
            [](const Failure& failure) { return FailureFields(failure); },
            [](const ChipDoubt& doubt) { return DoubtFields(doubt); },
            [](const RecordTrouble& trouble) {
                return QJsonObject{{"kind", "record-trouble"}, {"record", trouble.address}, {"detail", trouble.problem}};
            },
            [](const SerialTooLarge& serial) {
                return QJsonObject{{"kind", "serial-too-large"}, {"serial", double(serial.serial)}};
            },
            [](const SerialLineUnmarked& line) {
                return QJsonObject{{"kind", "serial-line-unmarked"},
                                   {"file", line.file},
                                   {"line", line.line},
                                   {"detail", line.problem}};
            },
            [](const SerialOverFileData&) {
                return QJsonObject{{"kind", "serial-over-file-data"}};
            },
            [](const FileNotWritten& file) {
                return QJsonObject{{"kind", "file-not-written"}, {"file", file.file}, {"detail", file.problem}};
            },
            [](const CommandMessage& message) {
                return QJsonObject{{"kind", "message"}, {"detail", message.text}};
            },
        },
        notice);
}

void JsonEvents::Notice(const QString& port, const LineNotice& notice)
{
    QJsonObject fields = NoticeFields(notice);
    fields["port"] = port.isEmpty() ? QJsonValue() : QJsonValue(port);
    if (started_)
        Write(QStringLiteral("notice"), fields);
    else
        early_ << fields;
    if (const std::optional<QString> line = words_.Line(notice))
        Complain(port.isEmpty() ? *line : port + QStringLiteral(": ") + *line);
}

void JsonEvents::SocketChanged(const QString& port, SocketState state)
{
    const char* name = state == SocketState::WaitingForChip      ? "waiting-for-chip"
                       : state == SocketState::WaitingForRemoval ? "waiting-for-removal"
                                                                 : "no-programmer";
    Write(QStringLiteral("socket"), {{"port", port}, {"state", name}});
}

void JsonEvents::ChipFinished(const QString& port, int round, const ChipResult& result)
{
    tenths_.erase(port);
    QJsonObject fields{{"port", port},
                       {"round", round},
                       {"result", result.RecordWord()},
                       {"exit", ExitFor(result)},
                       {"seconds", result.seconds},
                       {"serial", Optional(result.serial)},
                       {"serial_line", Optional(result.serialLine)},
                       {"wire_bytes", double(result.wireBytes)},
                       {"id", result.identity ? QJsonValue(HexText::Word(result.identity->idWord)) : QJsonValue()}};
    const std::optional<Mismatch>& first = result.firstMismatch;
    fields["mismatch"] = first ? QJsonValue(QJsonObject{{"memory", MemoryName(first->memory)},
                                                        {"address", HexText::Word(first->address)},
                                                        {"expected", HexText::Word(first->expected)},
                                                        {"read", HexText::Word(first->read)}})
                               : QJsonValue();
    Write(QStringLiteral("chip-finished"), fields);
}

void JsonEvents::RoundFinished(int round, const Tally& tally)
{
    Write(QStringLiteral("round-finished"), {{"round", round}, {"tally", TallyObject(tally)}, {"exit", exit_.OfRound()}});
}

void JsonEvents::RunFinished(const Tally& tally)
{
    Write(QStringLiteral("run-finished"), {{"tally", TallyObject(tally)}, {"exit", exit_.OfLine()}});
}
