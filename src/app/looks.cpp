#include "app/looks.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace vornex::app {

const std::vector<LookChoice>& lookChoices() {
    static const std::vector<LookChoice> choices = {
        {210, "Windows 2000(&2)", false},        {211, "Office XP(&X)", false},
        {212, "Windows XP(&W)", false},          {213, "Office 2003(&3)", false},
        {214, "Visual Studio.NET 2005(&5)", false}, {215, "蓝色样式(&B)", true},
        {216, "黑色样式(&L)", true},             {217, "银色样式(&S)", true},
        {218, "水绿色样式(&A)", true},
    };
    return choices;
}

int normalisedLook(int id) { return id >= kFirstLook && id <= kLastLook ? id : kBlueLook; }

QString lookStyleName(int id) { return normalisedLook(id) == 210 ? QStringLiteral("Windows") : QStringLiteral("Fusion"); }

namespace {

// A light palette from a window colour, a base colour and a highlight.
QPalette lightPalette(QColor window, QColor base, QColor highlight) {
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, QColor(0, 0, 0));
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window.lighter(104));
    p.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    p.setColor(QPalette::ToolTipText, QColor(0, 0, 0));
    p.setColor(QPalette::PlaceholderText, QColor(110, 110, 110));
    p.setColor(QPalette::Text, QColor(0, 0, 0));
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, QColor(0, 0, 0));
    p.setColor(QPalette::BrightText, QColor(255, 255, 255));
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    p.setColor(QPalette::Link, QColor(0, 70, 170));
    p.setColor(QPalette::Light, window.lighter(150));
    p.setColor(QPalette::Midlight, window.lighter(115));
    p.setColor(QPalette::Mid, window.darker(130));
    p.setColor(QPalette::Dark, window.darker(170));
    p.setColor(QPalette::Shadow, QColor(60, 60, 60));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    return p;
}

QPalette darkPalette() {
    QPalette p;
    const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(40, 40, 43));
    p.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(55, 55, 58));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(255, 255, 255));
    p.setColor(QPalette::Highlight, QColor(38, 110, 190));
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    p.setColor(QPalette::Link, QColor(110, 170, 255));
    p.setColor(QPalette::Light, QColor(80, 80, 84));
    p.setColor(QPalette::Midlight, QColor(65, 65, 68));
    p.setColor(QPalette::Mid, QColor(38, 38, 40));
    p.setColor(QPalette::Dark, QColor(20, 20, 22));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(120, 120, 120));
    return p;
}

}  // namespace

QPalette lookPalette(int id) {
    switch (normalisedLook(id)) {
        case 210: return lightPalette(QColor(212, 208, 200), QColor(255, 255, 255), QColor(10, 36, 106));
        case 211: return lightPalette(QColor(236, 233, 216), QColor(255, 255, 255), QColor(49, 106, 197));
        case 212: return lightPalette(QColor(236, 233, 216), QColor(255, 255, 255), QColor(49, 106, 197));
        case 213: return lightPalette(QColor(222, 234, 250), QColor(255, 255, 255), QColor(75, 120, 190));
        case 214: return lightPalette(QColor(240, 240, 240), QColor(255, 255, 255), QColor(0, 120, 215));
        case 216: return darkPalette();
        case 217: return lightPalette(QColor(222, 224, 228), QColor(250, 250, 252), QColor(90, 100, 120));
        case 218: return lightPalette(QColor(214, 236, 238), QColor(255, 255, 255), QColor(0, 128, 140));
        default: return lightPalette(QColor(213, 228, 242), QColor(255, 255, 255), QColor(43, 87, 154));  // 215 blue
    }
}

QColor redMarkColor(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() < 128 ? QColor(255, 110, 110) : QColor(255, 0, 0);
}

double contrastRatio(const QColor& a, const QColor& b) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    auto luminance = [&](const QColor& c) {
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& colour, const QColor& background, double minContrast) {
    if (contrastRatio(colour, background) >= minContrast) return colour;
    // Mix towards white on a dark background, towards black on a light one, in
    // small steps: the first mix that reads is the one nearest the colour meant.
    const bool dark = background.lightnessF() < 0.5;
    const QColor target = dark ? QColor(255, 255, 255) : QColor(0, 0, 0);
    for (int step = 1; step <= 50; ++step) {
        const double t = step / 50.0;
        const QColor mixed = QColor::fromRgbF(float(colour.redF() + (target.redF() - colour.redF()) * t),
                                              float(colour.greenF() + (target.greenF() - colour.greenF()) * t),
                                              float(colour.blueF() + (target.blueF() - colour.blueF()) * t));
        if (contrastRatio(mixed, background) >= minContrast) return mixed;
    }
    return target;
}

QColor lineInk(const QColor& colour, const QPalette& palette) {
    return readableOn(colour, palette.color(QPalette::Base), kLineContrast);
}

QColor textInk(const QColor& colour, const QPalette& palette) {
    return readableOn(colour, palette.color(QPalette::Base), kTextContrast);
}

namespace {

// The styles draw a radio button's ring a shade off the window colour and its
// mark in dimmed text: on the dark look neither can be told, and the chosen
// one of 桩号 / 坐标 looks like the other. This style draws the indicator
// itself, its ring 3:1 against the window and its mark 3:1 against the inside
// (WCAG 2 non-text contrast), and leaves everything else to the look's style.
class ReadableIndicatorStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_IndicatorRadioButton) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const QPalette& pal = option->palette;
        const bool enabled = option->state & State_Enabled;
        const QColor window = pal.color(QPalette::Window);
        QColor inside = pal.color(QPalette::Base);
        if (option->state & State_Sunken) inside = pal.color(QPalette::Button);
        // Aimed above 3:1: the antialiased edge of a thin ring blends with the window.
        constexpr double kAim = kLineContrast + 0.6;
        QColor ring = readableOn(pal.color(QPalette::Mid), window, kAim);
        QColor mark = readableOn(pal.color(QPalette::Highlight), inside, kAim);
        if (!enabled) ring = mark = pal.color(QPalette::Disabled, QPalette::Text);
        else if (option->state & State_HasFocus) ring = readableOn(pal.color(QPalette::Highlight), window, kAim);

        const qreal side = std::min(option->rect.width(), option->rect.height());
        QRectF circle(0, 0, side, side);
        circle.moveCenter(QRectF(option->rect).center());
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(QPen(ring, 1.5));
        painter->setBrush(inside);
        painter->drawEllipse(circle.adjusted(0.75, 0.75, -0.75, -0.75));
        if (option->state & State_On) {
            const qreal r = side * 0.27;
            painter->setPen(Qt::NoPen);
            painter->setBrush(mark);
            painter->drawEllipse(circle.center(), r, r);
        }
        painter->restore();
    }
};

}  // namespace

void applyLook(QApplication& app, int id) {
    if (QStyle* style = QStyleFactory::create(lookStyleName(id))) app.setStyle(new ReadableIndicatorStyle(style));
    app.setPalette(lookPalette(id));
}

int storedLook(QSettings& settings) { return normalisedLook(settings.value(kLookSetting, kDefaultLook).toInt()); }

void storeLook(QSettings& settings, int id) { settings.setValue(kLookSetting, normalisedLook(id)); }

}  // namespace vornex::app
