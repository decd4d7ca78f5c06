#pragma once

#include "image/EepromLayout.h"

#include <QString>
#include <QStringList>

// The per-user settings, under the application name KORVEXC, in an INI file
// in the user's configuration folder (~/.config/KORVEXC.ini on Linux), where
// a user can find and edit them.
class AppSettings {
public:
    static QString Port();
    static void SetPort(const QString& text);
    // The stored "Delays"/"PTO" text, empty when none is stored; only ever read.
    static QString PingReads();
    // "Hex"/"EepromLayout": auto, word or byte; anything else is auto.
    static EepromLayout HexEepromLayout();
    // "Program"/"SkipEmpty": Program! and Verify! cover only what the file gives.
    static bool SkipEmpty();
    static void SetSkipEmpty(bool skip);
    // "Files"/"Recent": the last HEX files used, newest first.
    static QStringList RecentFiles();
    static void AddRecentFile(const QString& path);
};
