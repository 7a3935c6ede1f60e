// The route query dialog "查询线路": one point of the current road from a station
// and offset or from coordinates, with the same fields and formats as the command
// line's query, the tunnel report in a read-only text area, the last query kept
// per road, results copied as text, and the batch computation of a points file.
#pragma once

#include <QDialog>
#include <QMap>
#include <QString>
#include <optional>

#include "model/prompter.h"
#include "model/road.h"
#include "tables/route_query.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vornex::app {

class CQueryRoute : public QDialog {
    Q_OBJECT
public:
    // The project and the memory must outlive the dialog; `road` is the current road.
    CQueryRoute(const RoadProject& project, int road, RouteQueryMemory& memory, Prompter& prompter,
                QWidget* parent = nullptr);

    // What a result field shows, by the name the command line prints it under
    // ("桩号" is the station with kilometre); empty for an unknown name.
    QString fieldText(const QString& name) const;
    // All result fields as "name<TAB>value" lines, as the command line prints them.
    QString resultsText() const;
    QString tunnelReport() const;

    // Picks the file with a file dialog unless one is given; returns batchQuery's result.
    int runBatch(const QString& inputPath = QString());

public slots:
    void compute();
    void copyResults();

signals:
    // A query found its point: chainage, offset (right positive) and the
    // elevation (the measured one, else the design elevation; nullopt without profile).
    void pointComputed(double chainage, double offset, std::optional<double> elevation);

private:
    void setMode(bool byCoordinates);
    void loadState();
    QLineEdit* addResultField(const QString& name);

    const RoadProject& project_;
    int road_;
    RouteQueryMemory& memory_;
    Prompter& prompter_;
    RouteQueryResult last_;
    bool lastWithZ_ = false;

    QRadioButton* byStation_ = nullptr;
    QRadioButton* byCoordinates_ = nullptr;
    QLineEdit* station_ = nullptr;
    QLineEdit* offset_ = nullptr;
    QRadioButton* left_ = nullptr;
    QRadioButton* right_ = nullptr;
    QLineEdit* angle_ = nullptr;
    QLineEdit* x_ = nullptr;
    QLineEdit* y_ = nullptr;
    QLineEdit* z_ = nullptr;
    QMap<QString, QLineEdit*> results_;  // read-only result fields by name
    QPlainTextEdit* report_ = nullptr;
    QPushButton* computeButton_ = nullptr;
};

}  // namespace vornex::app
