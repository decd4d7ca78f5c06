#pragma once

#include "ModalAnswerer.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// Each window test gets settings of its own, and fails when a dialog it
// waited for never came or stayed open.
class WindowTestBase : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        settings_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_->path());
    }
    void cleanup()
    {
        const QStringList problems = ModalAnswerer::TakeProblems();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

protected:
    std::unique_ptr<QTemporaryDir> settings_;
};
