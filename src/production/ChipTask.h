#pragma once

#include "production/ChipResult.h"
#include "production/LinePlan.h"
#include "production/ProductionRecord.h"

#include <QString>
#include <optional>

class LineEvents;
class OperatorInterface;
class SerialPort;
struct CommandRequest;

// One chip's command on one port, inside its envelope, with the chip's row in
// the record: begun once the chip is identified and accepted (so that an
// empty socket takes no serial number), completed when the command ends, and
// left unfinished when it was stopped. Writes the serial number into the image
// and the file that read makes.
class ChipTask {
public:
    ChipTask(const LinePlan& plan, QString port, int chipNumber, QString lot, OperatorInterface& ui, LineEvents& events);
    ChipTask(const ChipTask&) = delete;
    ChipTask& operator=(const ChipTask&) = delete;

    // Tells ChipFinished before it returns.
    ChipResult Run(SerialPort& link);

private:
    CommandOutcome RunCommand(SerialPort& link);
    CommandRequest Request();
    // Begins the chip's row and takes its serial number into the image; false when the chip is declined.
    bool Accept(MemoryImage* image);
    // What read and blank-check make of the chip they read.
    void JudgeContents();
    void FinishRow();
    // The row as it begins, with a serial number taken or not.
    ProductionRecord::Start RowStart(bool numbered) const;
    void TellRecordTrouble();

    const LinePlan& plan_;
    QString port_;
    int chipNumber_;  // the port's, from 1
    QString lot_;
    OperatorInterface& ui_;
    LineEvents& events_;
    std::optional<ProductionRecord> record_;
    std::optional<ProductionRecord::Row> row_;
    std::optional<ChipVerdict> declined_;
    ChipResult result_;
};
