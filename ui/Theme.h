#ifndef THEME_H
#define THEME_H

#include "settings/ViewOptions.h"

#include <QObject>
#include <QPalette>

QT_BEGIN_NAMESPACE
class QColor;
QT_END_NAMESPACE

// The program's colours: the desktop's palette, or Fusion with a light or a
// dark palette whatever the desktop uses. Everything the program colours
// itself (rows, marks, band buttons, the band map) reads the palette in use
// or picks its text against its own background, so it reads on both.
class Theme : public QObject
{
    Q_OBJECT

public:
    // The first one made takes note of the desktop's style and palette.
    explicit Theme(QObject *parent = nullptr);
    ~Theme() override;

    ViewOptions::Theme choice() const { return m_choice; }
    // Switches the whole application; System also follows the desktop when
    // it changes between light and dark later.
    void apply(ViewOptions::Theme choice);
    // Whether the palette in use is a dark one.
    static bool isDark();

    static QPalette lightPalette();
    static QPalette darkPalette();
    static bool isDarkPalette(const QPalette &palette);
    // The WCAG contrast ratio of two opaque colours, 1 to 21.
    static double contrast(const QColor &first, const QColor &second);
    // Black or white, whichever reads better on the background: on any
    // colour at least 4.5:1.
    static QColor textOn(const QColor &background);

Q_SIGNALS:
    // The palette in use changed: colours made from it are stale.
    void changed();

protected:
    bool eventFilter(QObject *pWatched, QEvent *event) override;

private:
    // Whether the desktop asks for dark colours though its palette is light.
    static bool desktopPrefersDark();

    ViewOptions::Theme m_choice = ViewOptions::Theme::System;
    bool m_applying = false;
};

#endif // THEME_H
