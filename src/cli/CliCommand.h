#pragma once

#include <QString>
#include <optional>

// What korvexc-cli is asked to do: one table says each command's name, what it
// takes and its help line.
enum class CliCommand { ListPorts, Fuses, Detect, Erase, Verify, Program, Read, BlankCheck, Record, Checksum, Job, Run };

struct CliCommandInfo {
    CliCommand command;
    const char* name;
    const char* argument;  // the words it takes, e.g. "FILE.hex" or "create FILE.kjob"; nullptr: none
    bool loadsImage;  // it loads a HEX file into an image
    bool onePortOnly;
    const char* help;

    static const CliCommandInfo& Of(CliCommand command);
    static std::optional<CliCommandInfo> Named(const QString& name);
    // The help's list of commands, one line each.
    static QString HelpLines();
};
