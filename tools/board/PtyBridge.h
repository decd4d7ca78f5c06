#pragma once

#include <cstdint>
#include <string>

struct avr_t;
struct avr_irq_t;

// The board's serial port on a pseudo-terminal, served from the simulation's
// own thread: bytes go into the UART at most one a byte time at the firmware's rate,
// as a real line brings them, and its answers go out as they are sent; a byte
// arrives as something else when the host's rate is not the firmware's.
// (simavr's own bridge hands bytes over between two threads, and under load
// now and then leaves one waiting until the host gives up.)
class PtyBridge {
public:
    explicit PtyBridge(avr_t* avr);
    bool Open() const { return master_ >= 0; }
    const std::string& Path() const { return path_; }
    // The longest from a byte going in to the first byte coming out, in cycles.
    std::uint64_t WorstAnswerCycles() const { return worstAnswer_; }

private:
    static std::uint64_t Poll(avr_t* avr, std::uint64_t when, void* param);
    static void Sent(avr_irq_t* irq, std::uint32_t value, void* param);

    avr_t* avr_;
    int master_ = -1;
    int keptOpen_ = -1;  // our own hold on the terminal, so that it outlives the host's
    std::string path_;
    std::uint64_t lastIn_ = 0;
    bool answerDue_ = false;
    std::uint64_t worstAnswer_ = 0;
};
