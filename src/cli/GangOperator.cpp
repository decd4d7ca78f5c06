#include "GangOperator.h"

#include "GangBoard.h"

GangOperator::GangOperator(GangBoard& board, int row, Options options) : CliOperator(std::move(options)), board_(board), row_(row)
{
}

void GangOperator::SetStatus(const QString& text)
{
    board_.Status(row_, text);
}

void GangOperator::ShowProgress(const Progress& progress)
{
    board_.Progress(row_, progress);
}

void GangOperator::ShowMessage(const QString& text)
{
    board_.Message(row_, text);
}

void GangOperator::PrintLine(const QString& text)
{
    board_.Status(row_, text);
}
