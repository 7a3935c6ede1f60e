#include "grid/grid_printer.h"

#include <QBuffer>
#include <QDate>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRawFont>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "io/write.h"
#include "tables/grid_text.h"

namespace vornex {

namespace {

constexpr double kScreenDpi = 96.0;  // the grid's column widths are pixels at this resolution
constexpr int kMeasuredRows = 5000;  // rows measured for the column widths (formats repeat)

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The monospaced face of Noto CJK: the numbers, formatted with leading blanks,
// line up in their columns, and its digits keep their plain glyphs (the
// proportional face swaps digits after a letter, as in "K12+000", for glyphs a
// PDF reader cannot map back to text).
QFont printFont(double points, bool bold = false) {
    QFont f;
    f.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// Sizes of one table on one device, in device units before scaling.
struct Layout {
    QFont cellFont = printFont(9);
    QFont headerFont = printFont(9, true);
    QFont titleFont = printFont(11, true);
    QFont footFont = printFont(8);
    std::vector<double> widths;
    double totalWidth = 0;
    double pad = 0;       // text inset from the cell's left edge
    double penWidth = 0;  // cell borders
    double rowHeight = 0;
    double headerHeight = 0;
    double titleHeight = 0;
    double footHeight = 0;
    bool twoLevel = false;
};

Layout measure(const Grid& g, QPaintDevice* device) {
    Layout L;
    const double dpi = device->logicalDpiX();
    const QFontMetricsF cell(L.cellFont, device);
    const QFontMetricsF header(L.headerFont, device);
    L.pad = cell.averageCharWidth() * 0.6;
    L.penWidth = dpi / kScreenDpi * 0.75;
    L.rowHeight = cell.height() * 1.45;
    L.twoLevel = !g.headerGroups.empty();
    L.headerHeight = L.rowHeight * (L.twoLevel ? 2 : 1);
    L.titleHeight = QFontMetricsF(L.titleFont, device).height() * 2.0;
    L.footHeight = QFontMetricsF(L.footFont, device).height() * 2.0;
    L.widths.assign(g.columns.size(), 0.0);
    for (int c = 0; c < g.columnCount(); ++c) {
        const GridColumn& col = g.columns[static_cast<std::size_t>(c)];
        double w = std::max(col.width * dpi / kScreenDpi, header.horizontalAdvance(qs(col.caption)) + 2 * L.pad);
        const int rows = std::min(g.rowCount(), kMeasuredRows);
        for (int r = 0; r < rows; ++r) {
            const GridCell& gc = g.cell(r, c);
            if (gc.columnSpan > 1 || gc.text.empty()) continue;
            w = std::max(w, cell.horizontalAdvance(qs(gc.text)) + 2 * L.pad);
        }
        L.widths[static_cast<std::size_t>(c)] = std::ceil(w);
    }
    // A group caption wider than its columns widens them evenly.
    for (const GridHeaderGroup& grp : g.headerGroups) {
        const int first = std::max(0, grp.first), last = std::min(g.columnCount() - 1, grp.first + grp.count - 1);
        if (last < first) continue;
        double span = 0;
        for (int c = first; c <= last; ++c) span += L.widths[static_cast<std::size_t>(c)];
        const double need = header.horizontalAdvance(qs(grp.caption)) + 2 * L.pad;
        if (need > span)
            for (int c = first; c <= last; ++c) L.widths[static_cast<std::size_t>(c)] += (need - span) / (last - first + 1);
    }
    for (double w : L.widths) L.totalWidth += w;
    return L;
}

// Cells hidden under another cell's span.
std::vector<std::vector<bool>> coveredCells(const Grid& g) {
    std::vector<std::vector<bool>> covered(g.rows.size(), std::vector<bool>(g.columns.size(), false));
    for (int r = 0; r < g.rowCount(); ++r)
        for (int c = 0; c < g.columnCount(); ++c) {
            if (covered[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]) continue;
            const GridCell& cell = g.cell(r, c);
            for (int dr = 0; dr < cell.rowSpan && r + dr < g.rowCount(); ++dr)
                for (int dc = 0; dc < cell.columnSpan && c + dc < g.columnCount(); ++dc)
                    if (dr || dc) covered[static_cast<std::size_t>(r + dr)][static_cast<std::size_t>(c + dc)] = true;
        }
    return covered;
}

// First rows of the pages: `perPage` rows a page, a merged block moved whole to
// the next page when it would cross the page end (unless it fills a page itself).
std::vector<int> pageStarts(const Grid& g, int perPage) {
    std::vector<int> starts;
    int r = 0;
    do {
        starts.push_back(r);
        int end = std::min(g.rowCount(), r + perPage);
        for (int k = r; k < end; ++k)
            for (const GridCell& cell : g.rows[static_cast<std::size_t>(k)].cells)
                if (k + cell.rowSpan > end && k > r) end = k;
        r = std::max(end, r + 1);
    } while (r < g.rowCount());
    return starts;
}

void drawBox(QPainter& p, const Layout& L, const QRectF& rect, const QString& text, const QFont& font,
             Qt::Alignment align, const QColor& textColor, const QColor& fill) {
    if (fill.isValid()) p.fillRect(rect, fill);
    p.setPen(QPen(Qt::black, L.penWidth));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect);
    if (text.isEmpty()) return;
    p.setFont(font);
    p.setPen(textColor);
    p.drawText(rect.adjusted(L.pad, 0, -L.pad, 0), static_cast<int>(align | Qt::AlignVCenter) | Qt::TextSingleLine,
               text);
}

// Landscape when the table does not fit the width of a portrait page.
void chooseOrientation(QPagedPaintDevice* device, const Grid& g) {
    device->setPageOrientation(QPageLayout::Portrait);
    const Layout L = measure(g, device);
    if (L.totalWidth > device->width()) device->setPageOrientation(QPageLayout::Landscape);
}

int paintPages(QPagedPaintDevice* device, const Grid& gridIn, const PrintTitle& title) {
    const Grid g = printedGrid(gridIn);
    const Layout L = measure(g, device);
    const double pageWidth = device->width();
    const double scale = L.totalWidth > pageWidth && L.totalWidth > 0 ? pageWidth / L.totalWidth : 1.0;
    const double width = pageWidth / scale;
    const double height = device->height() / scale;
    const double body = height - L.titleHeight - L.headerHeight - L.footHeight;
    const int perPage = std::max(1, static_cast<int>(std::floor(body / L.rowHeight)));
    const std::vector<int> starts = pageStarts(g, perPage);
    const auto covered = coveredCells(g);
    const QString line = titleLine(title);
    const QColor headerFill(232, 232, 232);

    QPainter p;
    if (!p.begin(device)) return 0;
    const int pages = static_cast<int>(starts.size());
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !device->newPage()) return 0;
        p.resetTransform();
        p.scale(scale, scale);
        p.setPen(Qt::black);
        p.setFont(L.titleFont);
        p.drawText(QRectF(0, 0, width, L.titleHeight), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);

        // Header rows.
        double x = 0, y = L.titleHeight;
        for (int c = 0; c < g.columnCount(); ++c) {
            const double w = L.widths[static_cast<std::size_t>(c)];
            bool grouped = false;
            for (const GridHeaderGroup& grp : g.headerGroups)
                if (c >= grp.first && c < grp.first + grp.count) grouped = true;
            const QRectF rect = grouped ? QRectF(x, y + L.rowHeight, w, L.rowHeight) : QRectF(x, y, w, L.headerHeight);
            drawBox(p, L, rect, qs(g.columns[static_cast<std::size_t>(c)].caption), L.headerFont, Qt::AlignHCenter,
                    Qt::black, headerFill);
            x += w;
        }
        for (const GridHeaderGroup& grp : g.headerGroups) {
            const int first = std::max(0, grp.first), last = std::min(g.columnCount() - 1, grp.first + grp.count - 1);
            if (last < first) continue;
            double gx = 0, gw = 0;
            for (int c = 0; c < first; ++c) gx += L.widths[static_cast<std::size_t>(c)];
            for (int c = first; c <= last; ++c) gw += L.widths[static_cast<std::size_t>(c)];
            drawBox(p, L, QRectF(gx, y, gw, L.rowHeight), qs(grp.caption), L.headerFont, Qt::AlignHCenter, Qt::black,
                    headerFill);
        }

        // Data rows of this page.
        const int begin = starts[static_cast<std::size_t>(page)];
        const int end = page + 1 < pages ? starts[static_cast<std::size_t>(page + 1)] : g.rowCount();
        y += L.headerHeight;
        for (int r = begin; r < end; ++r, y += L.rowHeight) {
            x = 0;
            for (int c = 0; c < g.columnCount(); ++c) {
                const double w0 = L.widths[static_cast<std::size_t>(c)];
                const GridCell& cell = g.cell(r, c);
                if (!covered[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]) {
                    double w = 0;
                    for (int dc = 0; dc < cell.columnSpan && c + dc < g.columnCount(); ++dc)
                        w += L.widths[static_cast<std::size_t>(c + dc)];
                    const int rows = std::clamp(cell.rowSpan, 1, end - r);
                    drawBox(p, L, QRectF(x, y, w, L.rowHeight * rows), qs(cell.text), L.cellFont, Qt::AlignLeft,
                            cell.red ? QColor(255, 0, 0) : QColor(Qt::black), QColor());
                }
                x += w0;
            }
        }

        p.setFont(L.footFont);
        p.setPen(Qt::black);
        p.drawText(QRectF(0, height - L.footHeight, width, L.footHeight), Qt::AlignCenter | Qt::TextSingleLine,
                   QStringLiteral("第 %1 页，共 %2 页").arg(page + 1).arg(pages));
    }
    return p.end() ? pages : 0;
}

// The PDF writer maps every glyph back to the lowest code point the font gives
// it, and in CJK fonts that is often a radical (U+2F6C for 目, U+2EC6 for 角)
// or a control character (U+0009 for the blank): text copied or searched in the
// PDF would not match. Each such target in the ToUnicode maps is replaced, in
// place and with the same length, by the ideograph (or blank) of the same glyph.
const std::map<char16_t, char16_t>& betterTargets() {
    static const std::map<char16_t, char16_t> targets = [] {
        std::map<char16_t, char16_t> out;
        out[u'\t'] = u' ';
        for (bool bold : {false, true}) {
            const QRawFont raw = QRawFont::fromFont(printFont(9, bold));
            if (!raw.isValid()) continue;
            QString ideographs;
            for (char16_t u = 0x4E00; u <= 0x9FFF; ++u) ideographs += QChar(u);
            const QList<quint32> glyphs = raw.glyphIndexesForString(ideographs);
            std::map<quint32, char16_t> byGlyph;
            for (qsizetype i = 0; i < glyphs.size(); ++i)
                if (glyphs[i] != 0) byGlyph.emplace(glyphs[i], static_cast<char16_t>(0x4E00 + i));
            QString radicals;
            for (char16_t u = 0x2E80; u <= 0x2FDF; ++u) radicals += QChar(u);
            const QList<quint32> radicalGlyphs = raw.glyphIndexesForString(radicals);
            for (qsizetype i = 0; i < radicalGlyphs.size(); ++i) {
                auto it = byGlyph.find(radicalGlyphs[i]);
                if (radicalGlyphs[i] != 0 && it != byGlyph.end())
                    out.emplace(static_cast<char16_t>(0x2E80 + i), it->second);
            }
        }
        return out;
    }();
    return targets;
}

void repairToUnicode(QByteArray& pdf) {
    const auto& targets = betterTargets();
    // Rewrites the <XXXX> targets of one line; `skip` source tokens come first.
    auto fixLine = [&](qsizetype from, qsizetype to, int skip) {
        int token = 0;
        for (qsizetype i = from; i < to; ++i) {
            if (pdf[i] != '<') continue;
            const qsizetype close = pdf.indexOf('>', i);
            if (close < 0 || close > to) return;
            if (token++ >= skip && close - i == 5) {
                bool ok = false;
                const auto code = static_cast<char16_t>(pdf.mid(i + 1, 4).toUShort(&ok, 16));
                auto it = targets.find(code);
                if (ok && it != targets.end())
                    pdf.replace(i + 1, 4, QByteArray::number(it->second, 16).rightJustified(4, '0').toUpper());
            }
            i = close;
        }
    };
    for (const auto& [begin, end, skip] : {std::tuple<const char*, const char*, int>{"beginbfrange", "endbfrange", 2},
                                           std::tuple<const char*, const char*, int>{"beginbfchar", "endbfchar", 1}}) {
        for (qsizetype at = pdf.indexOf(begin); at >= 0; at = pdf.indexOf(begin, at + 1)) {
            const qsizetype stop = pdf.indexOf(end, at);
            if (stop < 0) break;
            for (qsizetype line = pdf.indexOf('\n', at) + 1; line > 0 && line < stop;) {
                qsizetype eol = pdf.indexOf('\n', line);
                if (eol < 0 || eol > stop) eol = stop;
                fixLine(line, eol, skip);
                line = eol + 1;
            }
        }
    }
}

// Writes the whole file or leaves the old one: a temporary file renamed over it.
// Through the program's writing door: whole or not at all, links written
// through, the old mode kept, a read-only file refused, the reason from errno.
bool writeWhole(const QString& path, const QByteArray& bytes, QString* error) {
    io::FileError failure;
    const std::string_view data(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (io::writeFile(QFile::encodeName(path).toStdString(), data, failure)) return true;
    if (error) *error = QStringLiteral("无法写入文件“%1”：%2").arg(path, QString::fromStdString(failure.message));
    return false;
}

QPrinter* newPrinter(const Grid& grid, const PrintTitle& title) {
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    printer->setDocName(titleLine(title));
    chooseOrientation(printer, grid);
    return printer;
}

}  // namespace

QString titleLine(const PrintTitle& title) {
    QStringList parts;
    parts << QStringLiteral("项目：%1").arg(title.project.empty() ? QStringLiteral("无标题") : qs(title.project));
    if (!title.road.empty()) parts << QStringLiteral("道路：%1").arg(qs(title.road));
    if (!title.table.empty()) parts << qs(title.table);
    parts << (title.date.empty() ? QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) : qs(title.date));
    return parts.join(QStringLiteral("    "));
}

Grid printedGrid(const Grid& grid) {
    Grid g = grid;
    for (GridRow& row : g.rows) row.cells.resize(g.columns.size());
    if (g.rowCount() > 0 && isNewRecordRow(g, g.rowCount() - 1)) g.rows.pop_back();
    return g;
}

int paintGrid(QPagedPaintDevice* device, const Grid& grid, const PrintTitle& title) {
    if (!device) return 0;
    chooseOrientation(device, printedGrid(grid));
    return paintPages(device, grid, title);
}

QByteArray renderPdf(const Grid& grid, const PrintTitle& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(titleLine(title));
        writer.setCreator(QStringLiteral("Vornex"));
        if (paintGrid(&writer, grid, title) == 0) return {};
    }
    QByteArray pdf = buffer.data();
    repairToUnicode(pdf);
    return pdf;
}

std::string csvExport(const Grid& grid) { return "\xEF\xBB\xBF" + gridToCsv(printedGrid(grid)); }

bool exportPdf(const QString& path, const Grid& grid, const PrintTitle& title, QString* error) {
    const QByteArray pdf = renderPdf(grid, title);
    if (pdf.isEmpty()) {
        if (error) *error = QStringLiteral("无法生成PDF文件“%1”。").arg(path);
        return false;
    }
    return writeWhole(path, pdf, error);
}

bool exportCsv(const QString& path, const Grid& grid, QString* error) {
    const std::string csv = csvExport(grid);
    return writeWhole(path, QByteArray(csv.data(), static_cast<qsizetype>(csv.size())), error);
}

bool printGrid(QWidget* parent, const Grid& grid, const PrintTitle& title) {
    std::unique_ptr<QPrinter> printer(newPrinter(grid, title));
    QPrintDialog dialog(printer.get(), parent);
    dialog.setWindowTitle(QStringLiteral("打印"));
    dialog.setAccessibleName(QStringLiteral("打印"));
    if (dialog.exec() != QDialog::Accepted) return false;
    return paintPages(printer.get(), grid, title) > 0;
}

void previewGrid(QWidget* parent, const Grid& grid, const PrintTitle& title) {
    std::unique_ptr<QPrinter> printer(newPrinter(grid, title));
    QPrintPreviewDialog dialog(printer.get(), parent);
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    dialog.setAccessibleName(QStringLiteral("打印预览"));
    // The orientation was chosen for the table; one the user picks in the
    // preview is kept, a too-wide table then being scaled to the page.
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter* p) { paintPages(p, grid, title); });
    dialog.exec();
}

}  // namespace vornex
