#pragma once

#include "link/PingPacer.h"
#include "link/SerialPort.h"

#include <QString>
#include <chrono>
#include <functional>

// The byte-level exchange with the programmer's firmware: one byte in flight,
// every byte echoed, "^" when a command is done, 16-bit values high byte first.
// A wait that runs past the reply limit, or a port that goes away, throws
// LinkLost: the running flow stops at once and sends nothing more.
class ProgrammerProtocol {
public:
    static constexpr long kDefaultPingReads = 50000;
    static constexpr long kMostPingReads = 1000000;
    static constexpr std::chrono::milliseconds kDefaultReplyLimit{2000};

    // The firmware's command letters. Those sent with SendCommandWord carry two
    // data bytes: LoadWord the word, LoadEepromByte the byte and 0,
    // ConfigurationArea 0 and 0.
    enum Command : char {
        Restart = 'A',  // to the first location of every memory, out of the configuration area
        Erase = 'B',
        LoadWord = 'C',
        ConfigurationArea = 'D',
        LoadEepromByte = 'E',
        ReadConfiguration = 'F',
        ReadProgram = 'G',
        ReadEeprom = 'H',
        Increment = 'I',
        Write = 'J',
        WriteConfiguration = 'K',
    };

    // pingReadsSetting gives the stored "Delays"/"PTO" text; it is asked afresh
    // for every ping attempt.
    ProgrammerProtocol(SerialPort& port, std::function<QString()> pingReadsSetting,
                       std::chrono::milliseconds replyLimit = kDefaultReplyLimit);

    // True when the programmer answered the ping; the caller tells the operator when not.
    bool DetectProgrammer();
    // One ping, answered within the budget: for looking for the programmer
    // among ports. Throws PortFailure when the device is gone.
    bool AnswersOnePing(std::chrono::milliseconds budget);
    // From the last ping written to its answer.
    std::chrono::microseconds PingRoundTrip() const { return pingRoundTrip_; }
    void SendCommand(char letter);
    void SendCommandWord(char letter, unsigned char low, unsigned char high);
    int ReadWord(char letter);

    // The companion firmware's exchanges are built from these: a letter sent
    // and echoed, data sent in one burst, and the reply's bytes one by one.
    void SendLetter(char letter);
    void SendBurst(char letter, const QByteArray& bytes);
    unsigned char ReplyByte(char letter);
    LinkFacts& Facts() { return port_.Facts(); }
    SerialPort& Port() { return port_; }

    // Reads per ping attempt from the stored text: anything but a positive
    // whole number up to kMostPingReads gives the default.
    static long PingReads(const QString& setting);

private:
    // What is awaited is worded only when it fails: building the text for
    // every byte would cost more than the byte's own exchange.
    template <typename Describe> void Send(unsigned char byte, Describe what);
    template <typename Describe> void Await(unsigned char byte, Describe what);
    template <typename Describe> unsigned char AwaitAny(Describe what);
    template <typename Accept, typename Describe> unsigned char ReadUntil(Accept accept, Describe what);

    SerialPort& port_;
    std::function<QString()> pingReadsSetting_;
    std::chrono::milliseconds replyLimit_;
    PingPacer pacer_;
    std::chrono::microseconds pingRoundTrip_{0};
};
