#include "ops/FuseReading.h"

namespace {

bool Bit(int value, int bit)
{
    return (value >> bit) & 1;
}

QString OnOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

}  // namespace

QStringList FuseReading::Lines(int value)
{
    static const char* const kOscillators[] = {"LP", "XT", "HS", "RC"};
    const bool codeProtected = !Bit(value, 13);
    const bool dataProtected = !Bit(value, 8);
    const bool lowVoltage = Bit(value, 7);
    const int writeProtection = (value >> 9) & 3;
    QStringList lines{
        QStringLiteral("CP (bit 13): code protection %1").arg(OnOff(codeProtected)),
        QStringLiteral("DEBUG (bit 11): in-circuit debugger %1").arg(OnOff(!Bit(value, 11))),
        writeProtection == 3 ? QStringLiteral("WRT (bits 10-9): flash self-write protection off")
                             : QStringLiteral("WRT (bits 10-9): flash self-write protection on (%1%2)")
                                   .arg(writeProtection >> 1)
                                   .arg(writeProtection & 1),
        QStringLiteral("CPD (bit 8): data EEPROM protection %1").arg(OnOff(dataProtected)),
        QStringLiteral("LVP (bit 7): low-voltage programming %1").arg(OnOff(lowVoltage)),
        QStringLiteral("BOREN (bit 6): brown-out reset %1").arg(OnOff(Bit(value, 6))),
        QStringLiteral("PWRTEN (bit 3): power-up timer %1").arg(OnOff(!Bit(value, 3))),
        QStringLiteral("WDTEN (bit 2): watchdog %1").arg(OnOff(Bit(value, 2))),
        QStringLiteral("FOSC (bits 1-0): %1 oscillator").arg(QLatin1String(kOscillators[value & 3])),
    };
    if (codeProtected || dataProtected) {
        lines << QStringLiteral(
                     "Warning: %1 protection on: the chip will then read back as zeros, and a later Verify! will fail.")
                     .arg(codeProtected && dataProtected ? QStringLiteral("code and data")
                          : codeProtected                ? QStringLiteral("code")
                                                         : QStringLiteral("data"));
    }
    if (!lowVoltage)
        lines << QStringLiteral("Note: this programmer cannot clear LVP; the chip will keep it on.");
    return lines;
}
