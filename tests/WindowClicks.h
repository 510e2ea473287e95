#ifndef WINDOWCLICKS_H
#define WINDOWCLICKS_H

#include <QCoreApplication>
#include <QPointF>
#include <QWindow>
#include <QtTest>

namespace TestSupport {

// A click through the window system, which makes a double click of two
// presses close enough in time and place.
inline void pressAndRelease(QWindow *pWindow, const QPointF &point, int iTimestamp)
{
    const QPointF global = pWindow->mapToGlobal(point);
    qt_handleMouseEvent(pWindow, point, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress, {},
                        iTimestamp);
    qt_handleMouseEvent(pWindow, point, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease, {},
                        iTimestamp);
    QCoreApplication::processEvents();
}

} // namespace TestSupport

#endif // WINDOWCLICKS_H
