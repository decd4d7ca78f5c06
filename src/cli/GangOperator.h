#pragma once

#include "CliOperator.h"

class GangBoard;

// One programmer's operator in a gang: the command line's answers, with its
// progress and messages on the gang's board.
class GangOperator : public CliOperator {
public:
    GangOperator(GangBoard& board, int row, Options options);

    void SetStatus(const QString& text) override;
    void ShowProgress(const Progress& progress) override;
    void ShowMessage(const QString& text) override;

protected:
    void PrintLine(const QString& text) override;

private:
    GangBoard& board_;
    int row_;
};
