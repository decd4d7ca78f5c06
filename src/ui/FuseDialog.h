#pragma once

#include <QDialog>

class QLineEdit;

// Offers the configuration word about to be written for editing, and reads
// live what the value typed sets. OK (Return) gives the text typed, Cancel
// (Escape) nothing.
class FuseDialog : public QDialog {
    Q_OBJECT

public:
    FuseDialog(int currentValue, QWidget* parent);

    QString Answer() const;

private:
    static QString ReadingText(const QString& answer);

    QLineEdit* value_ = nullptr;
};
