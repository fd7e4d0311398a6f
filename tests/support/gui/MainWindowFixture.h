#pragma once

#include "MessageRecorder.h"
#include "SimulatedCard.h"
#include "template.h"

#include <QWidget>
#include <QtTest>

// The start-up warning of a machine without the port I/O driver.
const QString DriverMissingText = QStringLiteral(
    "VORTANNT.SYS not detected. Please copy VORTANNT.SYS into [NT]/system32/drivers and re-run this setup program.");

// The main window against a simulated card, every box answered with OK, and
// an empty tree for the kernel's files. The named panels move side by side
// into a window of their own, as their popups show them.
struct MainWindowFixture
{
    explicit MainWindowFixture(const QStringList &panels = {}, quint16 cardBase = 0x300);

    // A control of the window, wherever its panel lives now.
    template <class T = QWidget> T *get(const QString &name) const
    {
        if (T *found = host.findChild<T *>(name))
            return found;
        return form.findChild<T *>(name);
    }
    // The user's left click in the middle of a control.
    static void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

    SimulatedCard card;
    MessageRecorder boxes;
    QTemporaryDir system; // stands for "/" where the window reads sysfs and /proc
    TMainForm form;
    QWidget host;
};
