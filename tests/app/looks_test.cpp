#include "app/looks.h"

#include <gtest/gtest.h>

#include <cmath>

#include <QApplication>
#include <QImage>
#include <QProxyStyle>
#include <QRadioButton>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>

#include "app/views/graph_view.h"
#include "app/views/network_view.h"
#include "app/views/profile_view.h"

namespace vornex::app {
namespace {

// Relative luminance and contrast ratio of two colours (WCAG 2 formulas).
double luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double contrast(const QColor& a, const QColor& b) {
    double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(Looks, EveryLookKeepsTextAndRedMarksReadable) {
    ASSERT_EQ(lookChoices().size(), 9u);
    for (const LookChoice& look : lookChoices()) {
        QPalette p = lookPalette(look.id);
        // Body text at least 7:1 (enhanced contrast), red marks at least 3:1 on the cells.
        EXPECT_GE(contrast(p.color(QPalette::Text), p.color(QPalette::Base)), 7) << look.id;
        EXPECT_GE(contrast(p.color(QPalette::WindowText), p.color(QPalette::Window)), 7) << look.id;
        EXPECT_GE(contrast(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)), 3) << look.id;
        EXPECT_GE(contrast(redMarkColor(p), p.color(QPalette::Base)), 3) << look.id;
    }
    // The dark scheme: a dark window with light text; the others the other way round.
    QPalette dark = lookPalette(kDarkLook);
    EXPECT_LT(dark.color(QPalette::Window).lightness(), 80);
    EXPECT_GT(dark.color(QPalette::Text).lightness(), 180);
    for (int id : {210, 214, 215, 217, 218}) EXPECT_GT(lookPalette(id).color(QPalette::Window).lightness(), 180) << id;
    EXPECT_NE(lookPalette(215).color(QPalette::Window), lookPalette(218).color(QPalette::Window));
}

// The colours the plan, profile, cross-section and network drawings are painted
// with, made readable on each look's background: lines 3:1, texts 4.5:1.
TEST(Looks, DrawingColoursAreReadableInEveryLook) {
    const std::vector<QColor> meant = {
        ProfileView::kDesignColour, ProfileView::kGradeColour, ProfileView::kChainBreakColour,
        CGraphView::kPolygonColour, CGraphView::kArcColour,    CGraphView::kSpiralColour,
        NetworkView::kEllipseColour, NetworkView::kOverLimitColour, NetworkView::kHighlightColour,
        QColor(0, 120, 200),       QColor(150, 90, 30),         QColor(110, 110, 110),
        QColor(150, 150, 150),     QColor(133, 142, 144),       QColor(255, 0, 0)};
    for (const LookChoice& look : lookChoices()) {
        const QPalette p = lookPalette(look.id);
        const QColor base = p.color(QPalette::Base);
        std::vector<QColor> colours = meant;
        for (auto role : {QPalette::Text, QPalette::Mid, QPalette::PlaceholderText}) colours.push_back(p.color(role));
        for (const QColor& c : colours) {
            SCOPED_TRACE(c.name().toStdString());
            EXPECT_GE(contrast(lineInk(c, p), base), kLineContrast - 1e-9) << look.id;
            EXPECT_GE(contrast(textInk(c, p), base), kTextContrast - 1e-9) << look.id;
            // The contrast is reached with the least change: a colour that reads stays as it is.
            if (contrast(c, base) >= kTextContrast) {
                EXPECT_EQ(textInk(c, p), c);
            }
        }
    }
    // The dark look's profile: the chain-break remarks (#005AC8) and the grade
    // line (#C80000) on #1E1E20 became lighter, keeping their hue.
    const QPalette dark = lookPalette(kDarkLook);
    const QColor remark = textInk(ProfileView::kChainBreakColour, dark);
    EXPECT_GT(remark.lightness(), ProfileView::kChainBreakColour.lightness());
    EXPECT_NEAR(remark.hsvHue(), ProfileView::kChainBreakColour.hsvHue(), 3);
    EXPECT_NEAR(contrastRatio(QColor(0x00, 0x5A, 0xC8), QColor(0x1E, 0x1E, 0x20)), 2.6, 0.1);
}

// The chosen one of a pair of radio buttons (桩号 / 坐标 of the query dialog) is
// told at a glance in every look: its mark stands 3:1 from the indicator's
// empty inside, and the indicator's ring 3:1 from the window around it.
TEST(Looks, TheChosenRadioButtonStandsOut) {
    for (const LookChoice& look : lookChoices()) {
        SCOPED_TRACE(look.id);
        applyLook(*qApp, look.id);
        const QPalette p = lookPalette(look.id);
        QRadioButton on(QStringLiteral("桩号")), off(QStringLiteral("坐标"));
        on.setChecked(true);
        on.resize(on.sizeHint());
        off.resize(on.size());
        QStyleOptionButton option;
        option.initFrom(&on);
        const QRect indicator = on.style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, &on);
        ASSERT_FALSE(indicator.isEmpty());
        const QImage chosen = on.grab().toImage(), empty = off.grab().toImage();
        const QPoint centre = indicator.center();
        EXPECT_GE(contrast(chosen.pixelColor(centre), empty.pixelColor(centre)), 3)
            << chosen.pixelColor(centre).name().toStdString() << " on " << empty.pixelColor(centre).name().toStdString();
        // The ring: the strongest pixel on the indicator's middle row, left of the inside.
        double ring = 0;
        for (int x = indicator.left(); x < centre.x() - indicator.width() / 4; ++x)
            ring = std::max(ring, contrast(empty.pixelColor(x, centre.y()), p.color(QPalette::Window)));
        EXPECT_GE(ring, 3);
    }
    applyLook(*qApp, kDefaultLook);
}

TEST(Looks, StoredValuesOutsideTheRangeBehaveAsTheBlueScheme) {
    for (int id : {0, 209, 219, -1, 100000}) EXPECT_EQ(normalisedLook(id), kBlueLook) << id;
    QTemporaryDir dir;
    QSettings settings(dir.filePath("looks.ini"), QSettings::IniFormat);
    EXPECT_EQ(storedLook(settings), kDefaultLook);  // nothing stored yet
    storeLook(settings, kDarkLook);
    EXPECT_EQ(settings.value(kLookSetting).toInt(), kDarkLook);
    EXPECT_EQ(storedLook(settings), kDarkLook);
    settings.setValue(kLookSetting, 7);
    EXPECT_EQ(storedLook(settings), kBlueLook);

    // Applying a look sets the application's palette and style (under the
    // proxy that draws readable radio indicators).
    auto styleName = [] {
        QStyle* style = qApp->style();
        if (auto* proxy = qobject_cast<QProxyStyle*>(style)) style = proxy->baseStyle();
        return style->name().toLower();
    };
    applyLook(*qApp, kDarkLook);
    EXPECT_EQ(qApp->palette().color(QPalette::Window), lookPalette(kDarkLook).color(QPalette::Window));
    applyLook(*qApp, 210);
    EXPECT_EQ(styleName(), "windows");
    applyLook(*qApp, kDefaultLook);
    EXPECT_EQ(styleName(), "fusion");
}

}  // namespace
}  // namespace vornex::app
