#pragma once

#include "image/EepromLayout.h"
#include "image/MemoryImage.h"
#include "ops/ProgramScope.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

// A production job: one file that locks what a line programs, the HEX text
// itself and every setting, with the text's SHA-256 and the checksum of what
// Program! leaves on the chip. The engineer creates it; the line only runs it.
class ProductionJob {
public:
    struct Settings {
        QString name;
        QString hexName;  // the HEX file's name, for the record
        QByteArray hex;  // the HEX file's whole text
        std::optional<int> fuse;
        EepromLayout layout = EepromLayout::Auto;
        QString serial;  // START[:STEP], or empty
        QString serialAt;  // where a serial goes, with it
        QString serialFile;  // a serial number file instead, as the station finds it
        bool continueOnMismatch = false;
        ProgramScope scope;
    };

    // Writes the job for the HEX file and settings; empty, or why not.
    static QString Create(const QString& path, const Settings& settings);
    // The job read and checked (its HEX text against its hash and checksum), or why it is refused.
    static std::variant<ProductionJob, QString> Open(const QString& path);

    Settings settings;
    QString hexSha256;
    QString jobSha256;  // of the job file itself, for the record
    std::uint16_t checksum = 0;
    MemoryImage image;  // the HEX text loaded, with the job's fuse value in place

private:
    // The image and checksum from the settings; false when the text does not load.
    bool Load();
};
