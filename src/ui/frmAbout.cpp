#include "ui/frmAbout.h"

#include "Version.h"
#include "ui/Form1.h"
#include "ui/ScaledLayout.h"
#include "ui/SystemInfo.h"

#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

frmAbout::frmAbout(QWidget* parent, SystemRegistry* registry)
    : QDialog(parent), registry_(registry ? *registry : SystemRegistry::Platform())
{
    setWindowTitle(QStringLiteral("About ") + Form1::kTitle);
    const ScaledLayout layout(*this);
    setFixedSize(layout.Scaled(382), layout.Scaled(237));
    BuildTexts(layout);

    auto* line1 = new QFrame(this);
    line1->setFrameShape(QFrame::HLine);
    line1->setFrameShadow(QFrame::Sunken);
    layout.Place(line1, 6, 118, 370, 4);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    layout.Place(cmdOK, 283, 175, 84, 23);
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    layout.Place(cmdSysInfo, 284, 205, 83, 23);
    cmdSysInfo->setAutoDefault(false);

    for (const auto& [control, name] : {std::pair<QWidget*, const char*>{Image1, "Image1"},
                                        {lblTitle, "lblTitle"},
                                        {lblVersion, "lblVersion"},
                                        {lblDescription, "lblDescription"},
                                        {lblDisclaimer, "lblDisclaimer"},
                                        {cmdOK, "cmdOK"},
                                        {cmdSysInfo, "cmdSysInfo"}})
        control->setObjectName(QLatin1String(name));

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::BuildTexts(const ScaledLayout& layout)
{
    Image1 = new QLabel(this);
    Image1->setPixmap(Logo(40));
    layout.Place(Image1, 16, 16, 40, 40);

    lblTitle = new QLabel(Form1::kTitle, this);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    layout.Place(lblTitle, 70, 14, 300, 32);

    lblVersion = new QLabel(VersionLine(), this);
    layout.Place(lblVersion, 70, 48, 300, 18);

    lblDescription = new QLabel(QStringLiteral("Copyright \u00A9 2026 Korvex. All rights reserved. "
                                               "News and updates: korvex.example/copier"),
                                this);
    lblDescription->setWordWrap(true);
    layout.Place(lblDescription, 70, 74, 300, 40);

    lblDisclaimer = new QLabel(QStringLiteral("Designed to work with a Korvex programmer running the copier firmware. "
                                              "Limitations: only \"A\" parts; parts must be LVP (low-voltage programming) "
                                              "enabled; the programmer can't modify the LVP bit."),
                               this);
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont smaller = lblDisclaimer->font();
    smaller.setPointSizeF(smaller.pointSizeF() * 0.9);
    lblDisclaimer->setFont(smaller);
    layout.Place(lblDisclaimer, 16, 130, 250, 100);
}

QString frmAbout::VersionLine()
{
    return QStringLiteral("Version ") + QLatin1String(Version::kText);
}

QPixmap frmAbout::Logo(int size)
{
    // A chip seen from above: a dark body with its notch, eight pins a side, and a copy arrow.
    QPixmap logo(size, size);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 40.0, size / 40.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xB8, 0xB8, 0xB8));
    for (int pin = 0; pin < 8; ++pin) {
        painter.drawRect(QRectF(4, 5.5 + pin * 4, 5, 2));
        painter.drawRect(QRectF(31, 5.5 + pin * 4, 5, 2));
    }
    painter.setBrush(QColor(0x26, 0x2B, 0x33));
    painter.drawRoundedRect(QRectF(8, 3, 24, 34), 2.5, 2.5);
    painter.setBrush(QColor(0x4A, 0x52, 0x5E));
    painter.drawEllipse(QPointF(20, 3), 3.5, 3.5);
    QPainterPath arrow;
    arrow.moveTo(13, 24);
    arrow.lineTo(21, 24);
    arrow.lineTo(21, 28);
    arrow.lineTo(28, 20.5);
    arrow.lineTo(21, 13);
    arrow.lineTo(21, 17);
    arrow.lineTo(13, 17);
    arrow.closeSubpath();
    painter.setBrush(QColor(0xF2, 0xA5, 0x1A));
    painter.drawPath(arrow);
    return logo;
}

void frmAbout::cmdSysInfo_Click()
{
    if (!SystemInfo::StartSysInfo(registry_)) {
        QMessageBox box(QMessageBox::NoIcon, Form1::kTitle, QStringLiteral("System Information Is Unavailable At This Time"),
                        QMessageBox::Ok, this);
        box.exec();
    }
}
