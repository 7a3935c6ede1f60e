// The looks of "应用程序外观": nine choices (ids 210 to 218), each a Qt style and a
// palette. The four colour schemes of the ribbon-era look are light blue, dark,
// silver and aqua palettes, so "黑色样式" is a real dark mode. The choice is kept in
// the settings under "ApplicationLook" (default 214).
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <vector>

class QApplication;
class QSettings;

namespace vornex::app {

inline constexpr int kFirstLook = 210;
inline constexpr int kLastLook = 218;
inline constexpr int kDefaultLook = 214;
inline constexpr int kBlueLook = 215;  // what any value outside 210..218 behaves as
inline constexpr int kDarkLook = 216;
inline constexpr const char* kLookSetting = "ApplicationLook";

struct LookChoice {
    int id;
    const char* label;     // menu text
    bool inOffice2007Menu; // listed under the "Office 2007(&7)" submenu
};

// The nine choices in menu order.
const std::vector<LookChoice>& lookChoices();

// The look a stored value selects: itself within 210..218, else the blue scheme.
int normalisedLook(int id);

// Qt style name and palette of a look.
QString lookStyleName(int id);
QPalette lookPalette(int id);

// Red for marked cells and texts that stays readable on the palette's base colour
// (a lighter red on dark backgrounds).
QColor redMarkColor(const QPalette& palette);

// Contrast ratio of two colours (WCAG 2: relative luminance, (L1 + 0.05) / (L2 + 0.05)).
double contrastRatio(const QColor& a, const QColor& b);
// A drawing colour made readable on `background`: the same hue, lightened on a
// dark background or darkened on a light one just until it reaches
// `minContrast` (unchanged when it already does).
QColor readableOn(const QColor& colour, const QColor& background, double minContrast);
// The drawings (plan, profile, cross section, network) paint on the Base colour:
// their lines reach 3:1 against it and their texts 4.5:1 (WCAG 2 non-text and text contrast).
inline constexpr double kLineContrast = 3.0;
inline constexpr double kTextContrast = 4.5;
QColor lineInk(const QColor& colour, const QPalette& palette);
QColor textInk(const QColor& colour, const QPalette& palette);

// Applies a look to the application: style and palette at once.
void applyLook(QApplication& app, int id);

// The stored look (normalised) and storing a choice.
int storedLook(QSettings& settings);
void storeLook(QSettings& settings, int id);

}  // namespace vornex::app
