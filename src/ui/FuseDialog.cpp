#include "ui/FuseDialog.h"

#include "image/HexText.h"
#include "ops/FuseAnswer.h"
#include "ops/FuseReading.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

FuseDialog::FuseDialog(int currentValue, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Fuse select"));
    auto* prompt = new QLabel(QStringLiteral("Adjust current fuse value if desired"), this);
    value_ = new QLineEdit(HexText::Number(currentValue), this);
    auto* reading = new QLabel(ReadingText(value_->text()), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    prompt->setObjectName(QStringLiteral("FusePrompt"));
    value_->setObjectName(QStringLiteral("FuseValue"));
    reading->setObjectName(QStringLiteral("FuseReading"));
    prompt->setBuddy(value_);
    value_->selectAll();
    reading->setWordWrap(true);
    reading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for every field and both warnings, so that the dialog keeps its size as the value changes.
    reading->setMinimumSize(reading->fontMetrics().averageCharWidth() * 60, reading->fontMetrics().lineSpacing() * 14);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(value_);
    layout->addWidget(reading);
    layout->addWidget(buttons);
    connect(value_, &QLineEdit::textChanged, reading, [reading](const QString& text) { reading->setText(ReadingText(text)); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString FuseDialog::Answer() const
{
    return result() == Accepted ? value_->text() : QString();
}

QString FuseDialog::ReadingText(const QString& answer)
{
    const FuseAnswer::Reading reading = FuseAnswer::Read(answer);
    return reading.value ? FuseReading::Lines(*reading.value).join(u'\n') : reading.refusal;
}
