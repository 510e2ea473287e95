#include "ui/Theme.h"

#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleHints>

#include <cmath>
#include <memory>

namespace {
const QString kFusion = QStringLiteral("Fusion");

// What the desktop gave before the operator chose anything: System goes
// back to it.
struct DesktopLook
{
    bool taken = false;
    QString styleName;
};
DesktopLook g_desktop;

double luminance(const QColor &color)
{
    const auto channel = [](double dValue) {
        return dValue <= 0.03928 ? dValue / 12.92 : std::pow((dValue + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
}
} // namespace

Theme::Theme(QObject *parent) : QObject(parent)
{
    if (!g_desktop.taken) {
        g_desktop.taken = true;
        g_desktop.styleName = QApplication::style()->name();
    }
    qApp->installEventFilter(this);
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    connect(QGuiApplication::styleHints(), &QStyleHints::colorSchemeChanged, this, [this] {
        if (m_choice == ViewOptions::Theme::System)
            apply(m_choice);
    });
#endif
}

Theme::~Theme() = default;

QPalette Theme::lightPalette()
{
    const std::unique_ptr<QStyle> pFusion(QStyleFactory::create(kFusion));
    return pFusion ? pFusion->standardPalette() : QPalette();
}

QPalette Theme::darkPalette()
{
    // Greys rather than black, text not quite white: easier on the eyes at
    // night, and every pair used for text reads at 7:1 or more.
    const QColor window(0x2d, 0x2d, 0x30);
    const QColor base(0x1e, 0x1e, 0x1e);
    const QColor text(0xe8, 0xe8, 0xe8);
    const QColor disabledText(0x8a, 0x8a, 0x8a);
    const QColor highlight(0x26, 0x4f, 0x78);
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, QColor(0x33, 0x33, 0x37));
    palette.setColor(QPalette::ToolTipBase, QColor(0x3c, 0x3c, 0x40));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0xa0, 0xa0, 0xa0));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x6b, 0x6b));
    palette.setColor(QPalette::Light, QColor(0x50, 0x50, 0x55));
    palette.setColor(QPalette::Midlight, QColor(0x44, 0x44, 0x48));
    palette.setColor(QPalette::Mid, QColor(0x5a, 0x5a, 0x60));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    palette.setColor(QPalette::Shadow, QColor(0x0a, 0x0a, 0x0a));
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    palette.setColor(QPalette::LinkVisited, QColor(0xc0, 0x9c, 0xff));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x40, 0x40, 0x44));
    return palette;
}

bool Theme::isDarkPalette(const QPalette &palette)
{
    return luminance(palette.color(QPalette::Window)) < luminance(palette.color(QPalette::WindowText));
}

bool Theme::isDark()
{
    return isDarkPalette(QApplication::palette());
}

double Theme::contrast(const QColor &first, const QColor &second)
{
    const double dFirst = luminance(first);
    const double dSecond = luminance(second);
    return (std::max(dFirst, dSecond) + 0.05) / (std::min(dFirst, dSecond) + 0.05);
}

QColor Theme::textOn(const QColor &background)
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrast(black, background) >= contrast(white, background) ? black : white;
}

bool Theme::desktopPrefersDark()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QGuiApplication::styleHints()->colorScheme() == Qt::ColorScheme::Dark;
#else
    // Before the colour-scheme hint the desktop says it through its palette
    // alone, which the style already uses.
    return false;
#endif
}

void Theme::apply(ViewOptions::Theme choice)
{
    m_choice = choice;
    m_applying = true;
    const bool bDesktop = choice == ViewOptions::Theme::System;
    const QString qsStyle = bDesktop ? g_desktop.styleName : kFusion;
    if (QApplication::style()->name().compare(qsStyle, Qt::CaseInsensitive) != 0) {
        if (QStyle *pStyle = QStyleFactory::create(qsStyle))
            QApplication::setStyle(pStyle);
    }
    if (choice == ViewOptions::Theme::Dark)
        QApplication::setPalette(darkPalette());
    else if (choice == ViewOptions::Theme::Light)
        QApplication::setPalette(lightPalette());
    else
        // An empty palette resolves to the desktop's own, and keeps
        // following it.
        QApplication::setPalette(QPalette());
    // A desktop set to dark whose style still draws light.
    if (bDesktop && desktopPrefersDark() && !isDark())
        QApplication::setPalette(darkPalette());
    m_applying = false;
    Q_EMIT changed();
}

bool Theme::eventFilter(QObject *pWatched, QEvent *event)
{
    // The desktop's palette changed under System: what was coloured from
    // the old one is redone.
    if (pWatched == qApp && event->type() == QEvent::ApplicationPaletteChange && !m_applying)
        Q_EMIT changed();
    return QObject::eventFilter(pWatched, event);
}
