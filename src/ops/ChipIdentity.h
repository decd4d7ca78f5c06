#pragma once

#include "image/ChipGeometry.h"
#include "ops/OperatorFacts.h"

#include <optional>

struct MemoryImage;

// What the chip in the socket says it is: its device ID word, read before a
// command touches it.
struct ChipIdentity {
    int idWord = 0;
    std::optional<ChipGeometry::FamilyMember> member;
    // The programmer runs the companion firmware: its block commands carry the data.
    bool fastPath = false;

    explicit ChipIdentity(int word) : idWord(word), member(ChipGeometry::MemberWithId(word)) {}
    bool Answered() const { return idWord != 0 && idWord != ChipGeometry::kErasedWord; }
    int Revision() const { return idWord & ChipGeometry::kRevisionBits; }
    // What to ask about before anything is written: no chip, or one not of the family.
    std::optional<ChipDoubt> Doubt() const;
    // Whether the file has data beyond a smaller member's memories.
    std::optional<ChipDoubt> Misfit(const MemoryImage& image) const;
};
