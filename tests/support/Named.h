#pragma once

#include <QObject>

// A control of the window or a dialog by its object name, as a test reaches it.
template <typename Widget> Widget* Named(const QObject& parent, const char* name)
{
    auto* child = parent.findChild<Widget*>(QLatin1String(name));
    if (!child)
        qFatal("no control named %s", name);
    return child;
}
