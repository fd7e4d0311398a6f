#include "TColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QPalette::ColorRole roleOfSystemColor(unsigned index)
{
    switch (index) {
    case 5:
        return QPalette::Base; // window (edit background)
    case 6:
        return QPalette::Shadow; // window frame
    case 7:
        return QPalette::Text; // menu text
    case 8:
        return QPalette::WindowText; // window text
    case 13:
        return QPalette::Highlight;
    case 14:
        return QPalette::HighlightedText;
    case 16:
        return QPalette::Mid; // button shadow
    case 17:
        return QPalette::PlaceholderText; // grey text
    case 18:
        return QPalette::ButtonText;
    case 20:
        return QPalette::Light; // button highlight
    case 21:
        return QPalette::Dark; // 3D dark shadow
    case 22:
        return QPalette::Midlight; // 3D light
    case 23:
        return QPalette::ToolTipText;
    case 24:
        return QPalette::ToolTipBase;
    case 15: // button face
    default:
        return QPalette::Button;
    }
}

} // namespace

QColor ColorToQColor(TColor color)
{
    if ((color & 0xFF000000u) == 0x80000000u)
        return QGuiApplication::palette().color(roleOfSystemColor(color & 0xFFu));
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor QColorToColor(const QColor &color)
{
    return TColor(color.red()) | (TColor(color.green()) << 8) | (TColor(color.blue()) << 16);
}
