#pragma once

#include <memory>

// The operator's lines on standard input, read on a thread of their own so
// that waiting for one can also end with an interrupt: Enter (any line)
// goes on, q or the end of input quits.
class OperatorInput {
public:
    enum class Answer { Go, Quit, Interrupted };

    OperatorInput();
    Answer Next();
    void Interrupt();

private:
    struct Lines;
    std::shared_ptr<Lines> lines_;
};
