// Printing and export of a table: one Grid with a title line on paper (print,
// print preview), as PDF and as CSV.
//
// Pages: the title line (project, road, table name, date) and the header rows
// (two levels where the table has header groups) on every page, the page number
// at the foot. A table wider than a portrait page is printed in landscape, and
// one still wider is scaled down to the page width: no column is ever cut off.
// Red marks print red, merged cells stay merged, and a merged block is never
// split across pages. Text is set in Noto Sans CJK so Chinese prints and
// embeds in PDF files.
//
// The empty row a data-entry table offers for a new record is neither printed
// nor exported, so the cells equal those of `vornex-cli table`.
//
// Entry points for the application's File menu:
//   printGrid(parent, grid, title)       print dialog, then the printer
//   previewGrid(parent, grid, title)     print preview (QPrintPreviewDialog)
//   exportPdf(path, grid, title, &error) a PDF file
//   exportCsv(path, grid, &error)        a CSV file (RFC 4180, UTF-8 with BOM)
// Files go through the writing door (io/write.h): whole or not at all, the old
// file kept on failure, and `error` says why, naming the file (for a message box).
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

#include "tables/grid.h"

class QPagedPaintDevice;
class QWidget;

namespace vornex {

struct PrintTitle {
    std::string project;  // the project (or survey) file name; empty: "无标题"
    std::string road;     // the road; empty for tables of no road
    std::string table;    // the table name, e.g. "逐桩坐标表"
    std::string date;     // empty: today, as yyyy-MM-dd
};

// "项目：demo.rod    道路：主线    逐桩坐标表    2026-12-10".
QString titleLine(const PrintTitle& title);

// The grid as printed and exported: without the empty row for a new record.
Grid printedGrid(const Grid& grid);

// Paints the pages on `device` (a QPrinter or a QPdfWriter), choosing the
// orientation first. Returns the number of pages, 0 when painting failed.
int paintGrid(QPagedPaintDevice* device, const Grid& grid, const PrintTitle& title);

// The PDF of the table, made in memory.
QByteArray renderPdf(const Grid& grid, const PrintTitle& title);

// The CSV export: a UTF-8 byte-order mark, then gridToCsv of the printed grid.
std::string csvExport(const Grid& grid);

bool exportPdf(const QString& path, const Grid& grid, const PrintTitle& title, QString* error = nullptr);
bool exportCsv(const QString& path, const Grid& grid, QString* error = nullptr);

// Print dialog then print; false when cancelled or failed.
bool printGrid(QWidget* parent, const Grid& grid, const PrintTitle& title);
// Print preview with the dialog's own print button.
void previewGrid(QWidget* parent, const Grid& grid, const PrintTitle& title);

}  // namespace vornex
