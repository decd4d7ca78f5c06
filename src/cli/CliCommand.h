#pragma once

#include "production/ChipCommand.h"

#include <QString>
#include <optional>

// What korvexc-cli is asked to do: one table says each command's name, what it
// takes and its help line.
enum class CliCommand { ListPorts, Fuses, Detect, Erase, Verify, Program, Read, BlankCheck, Record, Checksum, Job, Run, Serials };

struct CliCommandInfo {
    CliCommand command;
    const char* name;
    const char* argument;  // the words it takes, e.g. "FILE.hex" or "create FILE.kjob"; nullptr: none
    bool onePortOnly;
    const char* help;

    static const CliCommandInfo& Of(CliCommand command);
    static std::optional<CliCommandInfo> Named(const QString& name);
    // What it does to each chip; nothing for the commands that need no programmer. Run programs.
    static std::optional<ChipCommand> ChipCommandOf(CliCommand command);
    // The help's list of commands, one line each.
    static QString HelpLines();
};
