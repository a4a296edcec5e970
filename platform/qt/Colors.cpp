#include "platform/qt/Colors.h"

#include <iterator>

#include <QGuiApplication>
#include <QPalette>

namespace {

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// By system colour index 0 to 24.
constexpr SystemRole kSystemRoles[] = {
    {QPalette::Active, QPalette::Button},            // clScrollBar
    {QPalette::Active, QPalette::Dark},              // clBackground (the desktop)
    {QPalette::Active, QPalette::Highlight},         // clActiveCaption
    {QPalette::Inactive, QPalette::Highlight},       // clInactiveCaption
    {QPalette::Active, QPalette::Window},            // clMenu
    {QPalette::Active, QPalette::Base},              // clWindow
    {QPalette::Active, QPalette::Shadow},            // clWindowFrame
    {QPalette::Active, QPalette::WindowText},        // clMenuText
    {QPalette::Active, QPalette::Text},              // clWindowText
    {QPalette::Active, QPalette::HighlightedText},   // clCaptionText
    {QPalette::Active, QPalette::Window},            // clActiveBorder
    {QPalette::Inactive, QPalette::Window},          // clInactiveBorder
    {QPalette::Active, QPalette::Dark},              // clAppWorkSpace
    {QPalette::Active, QPalette::Highlight},         // clHighlight
    {QPalette::Active, QPalette::HighlightedText},   // clHighlightText
    {QPalette::Active, QPalette::Button},            // clBtnFace
    {QPalette::Active, QPalette::Dark},              // clBtnShadow
    {QPalette::Disabled, QPalette::Text},            // clGrayText
    {QPalette::Active, QPalette::ButtonText},        // clBtnText
    {QPalette::Inactive, QPalette::HighlightedText}, // clInactiveCaptionText
    {QPalette::Active, QPalette::Light},             // clBtnHighlight
    {QPalette::Active, QPalette::Shadow},            // cl3DDkShadow
    {QPalette::Active, QPalette::Midlight},          // cl3DLight
    {QPalette::Active, QPalette::ToolTipText},       // clInfoText
    {QPalette::Active, QPalette::ToolTipBase},       // clInfoBk
};

} // namespace

QColor colorFromTColor(TColor color) {
    const auto bits = static_cast<uint32_t>(color);
    // Any value with the top bit set names the system colour of its low byte.
    if (color < 0) {
        const uint32_t index = bits & 0xFFu;
        // An index the system does not know has no colour there; it draws black.
        if (index >= std::size(kSystemRoles))
            return QColor(0, 0, 0);
        const QPalette palette = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                     ? QGuiApplication::palette()
                                     : QPalette();
        const SystemRole& r = kSystemRoles[index];
        return palette.color(r.group, r.role);
    }
    return QColor(static_cast<int>(bits & 0xFF), static_cast<int>((bits >> 8) & 0xFF),
                  static_cast<int>((bits >> 16) & 0xFF));
}

TColor tcolorFromQColor(const QColor& color) {
    if (!color.isValid())
        return clNone;
    const QColor rgb = color.toRgb();
    return static_cast<TColor>(static_cast<uint32_t>(rgb.red()) | static_cast<uint32_t>(rgb.green()) << 8 |
                               static_cast<uint32_t>(rgb.blue()) << 16);
}
