#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class ScaledLayout;
class SystemRegistry;

// The About box: title, version, the maker's notice, the tool's limits, and a
// button that starts the system information tool where there is one.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr, SystemRegistry* registry = nullptr);

    static QString VersionLine();
    static QPixmap Logo(int size);

private:
    // The logo, the title, the version and the two texts.
    void BuildTexts(const ScaledLayout& layout);
    void cmdSysInfo_Click();

    SystemRegistry& registry_;

    // The controls, by the names that they also carry as object names.
    QLabel* Image1 = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
};
