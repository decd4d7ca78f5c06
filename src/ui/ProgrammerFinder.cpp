#include "ui/ProgrammerFinder.h"

#include "link/PortList.h"
#include "production/LinkFactory.h"

#include <QThread>

ProgrammerFinder::ProgrammerFinder(Found found) : found_(std::move(found)) {}

ProgrammerFinder::~ProgrammerFinder()
{
    if (thread_)
        thread_->wait();
}

void ProgrammerFinder::Find()
{
    // The last search's thread may still be on its way out.
    if (thread_)
        thread_->wait();
    thread_.reset(QThread::create([this] {
        const ProgrammerSearch::Found found = ProgrammerSearch::Among(PortList::Names(PortList::Present()), PlatformLinks());
        QMetaObject::invokeMethod(
            this, [this, found] { found_(found); }, Qt::QueuedConnection);
    }));
    thread_->start();
}
