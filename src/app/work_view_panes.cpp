// The work view's property panes: 路线属性, 桥梁属性, 隧道属性 and
// 隧道断面模板属性, what they show of the current records, and their edits, each
// a named document edit run through the controller.
#include <QStackedWidget>

#include <map>

#include "app/project_system.h"
#include "app/property_grid.h"
#include "app/work_view.h"
#include "document/edits.h"
#include "geometry/angles.h"
#include "geometry/stations.h"
#include "model/enum_texts.h"
#include "text/text.h"

namespace vornex::app {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QString fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

QString stationText(const Road& road, double chainage) {
    return q(std::string(text::trim(formatStation(road, chainage, false))));
}

QString dmsText(double degrees) { return fixed(degreesToDms(degrees), 6); }

// The choice texts of a tunnel's 道路板块, in the order of the road's plate list.
QStringList plateChoices(const Road& road) {
    QStringList list;
    for (std::size_t i = 0; i < road.plates.size(); ++i) {
        const CrossSectionPlate& p = road.plates[i];
        list << QStringLiteral("%1 %2 %3").arg(i + 1).arg(q(sideText(p.side)), q(plateTypeText(p.plateType)).trimmed());
    }
    return list;
}

}  // namespace

void CWorkView::buildPropertyPanes() {
    roadGrid_ = new PropertyGrid(QStringLiteral("路线属性"), this);
    bridgeGrid_ = new PropertyGrid(QStringLiteral("桥梁属性"), this);
    tunnelGrid_ = new PropertyGrid(QStringLiteral("隧道属性"), this);
    templateGrid_ = new PropertyGrid(QStringLiteral("隧道断面模板属性"), this);
    grids_ = new QStackedWidget(this);
    for (PropertyGrid* g : {roadGrid_, bridgeGrid_, tunnelGrid_, templateGrid_}) grids_->addWidget(g);
    connect(roadGrid_, &PropertyGrid::propertyEdited, this, &CWorkView::onRoadProperty, Qt::QueuedConnection);
    connect(bridgeGrid_, &PropertyGrid::propertyEdited, this, &CWorkView::onBridgeProperty, Qt::QueuedConnection);
    connect(tunnelGrid_, &PropertyGrid::propertyEdited, this, &CWorkView::onTunnelProperty, Qt::QueuedConnection);
    connect(templateGrid_, &PropertyGrid::propertyEdited, this, &CWorkView::onTemplateProperty,
            Qt::QueuedConnection);

    // The road header's properties.
    roadGrid_->addGroup(QStringLiteral("项目"));
    roadGrid_->addProperty({"projectName", QStringLiteral("项目名称"),
                            QStringLiteral("输入项目的名称，最长24个字符或12个汉字。"), {}, true, QString()});
    roadGrid_->addProperty({"precision", QStringLiteral("计算精度(mm)"),
                            QStringLiteral("输入曲线计算的精度，程序将以不超过此精度计算曲线坐标，单位mm。"), {}, true,
                            QStringLiteral("0.1")});
    addProjectSystemProperties(*roadGrid_);
    roadGrid_->addGroup(QStringLiteral("线路"));
    roadGrid_->addProperty({"roadName", QStringLiteral("线路名"), QStringLiteral("输入线路的名称，最长12个字符或6个汉字。"),
                            {}, true, QString()});
    roadGrid_->addProperty({"prefix", QStringLiteral("线路前缀"),
                            QStringLiteral("输入线路桩号前缀，仅支持2个以内的英文字母。"), {}, true, QStringLiteral("K")});
    roadGrid_->addProperty({"curveForm", QStringLiteral("曲线形式"),
                            QStringLiteral("输入线路的平面线形形式：交点法、线元法。"),
                            {QStringLiteral("交点法"), QStringLiteral("线元法")}, true, QStringLiteral("交点法")});
    roadGrid_->addProperty({"calcMethod", QStringLiteral("计算方式"),
                            QStringLiteral("选择竖曲线的计算方式：传统算法、精确算法。"),
                            {QStringLiteral("传统算法"), QStringLiteral("精确算法")}, true, QStringLiteral("传统算法")});
    roadGrid_->addGroup(QStringLiteral("起算数据"));
    roadGrid_->addProperty({"startPosition", QStringLiteral("起算点位置"),
                            QStringLiteral("用第几个交点的桩号进行推算其它交点的桩号。"), {}, true, QStringLiteral("1")});
    roadGrid_->addProperty({"startStation", QStringLiteral("起算点桩号"),
                            QStringLiteral("起算点的桩号，实数输入，如在长链中前面加“+”"), {}, true, QString()});
    roadGrid_->addProperty({"startX", QStringLiteral("起算坐标X"), QStringLiteral("线元法线路起点的X坐标(m)"), {}, true,
                            QString()});
    roadGrid_->addProperty({"startY", QStringLiteral("起算坐标Y"), QStringLiteral("线元法线路起点的Y坐标(m)"), {}, true,
                            QString()});
    roadGrid_->addProperty({"startAzimuth", QStringLiteral("起算方位角"),
                            QStringLiteral("线元法线路起点的方位角，度.分秒"), {}, true, QString()});

    bridgeGrid_->addGroup(QStringLiteral("桥梁"));
    bridgeGrid_->addProperty({"name", QStringLiteral("桥梁名称"), QStringLiteral("桥梁的名称，12个字符或6个汉字以内"), {},
                              true, QString()});
    bridgeGrid_->addProperty({"calcType", QStringLiteral("计算类型"), QStringLiteral("弯桥弯做或弯桥直做"),
                              {QStringLiteral("弯桥弯做"), QStringLiteral("弯桥直做")}, true, QString()});
    bridgeGrid_->addProperty({"startStation", QStringLiteral("开始桩号(m)"), QStringLiteral("桥梁开始的桩号"), {}, true,
                              QString()});
    bridgeGrid_->addProperty({"length", QStringLiteral("长度(m)"), QStringLiteral("桥梁的长度"), {}, true, QString()});
    bridgeGrid_->addProperty({"leftWidth", QStringLiteral("左侧宽度(m)"), QStringLiteral("桥梁轴线左侧的宽度"), {}, true,
                              QString()});
    bridgeGrid_->addProperty({"rightWidth", QStringLiteral("右侧宽度(m)"), QStringLiteral("桥梁轴线右侧的宽度"), {}, true,
                              QString()});
    bridgeGrid_->addProperty({"axisOffset", QStringLiteral("轴线偏移(m)"),
                              QStringLiteral("桥梁轴线与道路设计线的距离，左负右正"), {}, true, QString()});
    bridgeGrid_->addGroup(QStringLiteral("墩台"));
    bridgeGrid_->addProperty({"pierName", QStringLiteral("墩台编号"), QStringLiteral("墩台的编号，12个字符以内"), {}, true,
                              QString()});
    bridgeGrid_->addProperty({"pierStation", QStringLiteral("桩号(m)"), QStringLiteral("墩台所在的桩号"), {}, true,
                              QString()});
    bridgeGrid_->addProperty({"pierAngle", QStringLiteral("与主桥夹角"),
                              QStringLiteral("墩台轴线与主桥纵轴(或其切线)的顺时针夹角，度.分秒"), {}, true, QString()});

    tunnelGrid_->addGroup(QStringLiteral("隧道"));
    tunnelGrid_->addProperty({"name", QStringLiteral("隧道名称"), QStringLiteral("隧道的名称，12个字符或6个汉字以内"), {},
                              true, QString()});
    tunnelGrid_->addProperty({"startStation", QStringLiteral("开始桩号(m)"), QStringLiteral("隧道开始的桩号"), {}, true,
                              QString()});
    tunnelGrid_->addProperty({"length", QStringLiteral("长度(m)"), QStringLiteral("隧道的长度"), {}, true, QString()});
    tunnelGrid_->addProperty({"plate", QStringLiteral("道路板块"), QStringLiteral("选择坡度定义时所依据的板块。"), {}, true,
                              QString()});

    templateGrid_->addGroup(QStringLiteral("隧道断面模板"));
    templateGrid_->addProperty({"name", QStringLiteral("模板名称"), QStringLiteral("隧道断面模板的名称"), {}, true,
                                QString()});
    templateGrid_->addProperty({"designOffset", QStringLiteral("设计点偏移"),
                                QStringLiteral("隧道中心点与道路中线的水平偏移(m)"), {}, true, QString()});
    templateGrid_->addProperty({"excavationCrown", QStringLiteral("开挖线拱高"),
                                QStringLiteral("开挖线拱顶高出高程设计线的高度(m)"), {}, true, QString()});
    templateGrid_->addProperty({"primaryCrown", QStringLiteral("初支拱高"),
                                QStringLiteral("初支拱顶高出高程设计线的高度(m)"), {}, true, QString()});
    templateGrid_->addProperty({"secondaryCrown", QStringLiteral("二衬拱高"),
                                QStringLiteral("二衬拱顶高出高程设计线的高度(m)"), {}, true, QString()});
}

void CWorkView::showPane(PropertyPane pane) {
    pane_ = pane;
    switch (pane) {
    case PropertyPane::Road: grids_->setCurrentWidget(roadGrid_); break;
    case PropertyPane::Bridge: grids_->setCurrentWidget(bridgeGrid_); break;
    case PropertyPane::Tunnel: grids_->setCurrentWidget(tunnelGrid_); break;
    case PropertyPane::TunnelTemplate: grids_->setCurrentWidget(templateGrid_); break;
    }
}

void CWorkView::fillGrids() {
    fillRoadGrid();
    fillBridgeGrid();
    fillTunnelGrid();
    fillTemplateGrid();
    fillProjectSystemProperties(*roadGrid_, controller_.coordinateSystem());
    applyReadOnly();
}

void CWorkView::applyReadOnly() {
    const bool ro = !controller_.editable();
    for (PropertyGrid* g : {roadGrid_, bridgeGrid_, tunnelGrid_, templateGrid_}) g->setReadOnly(ro);
}

void CWorkView::fillRoadGrid() {
    const CVornexPcDoc& doc = controller_.doc();
    const Road* road = doc.currentRoad();
    PropertyGrid* g = roadGrid_;
    g->setValue("projectName", q(doc.project().projectName.utf8()));
    g->setValue("precision", QString::number(doc.project().precision * 1000, 'g', 10));
    if (!road) {
        for (const char* id : {"roadName", "prefix", "curveForm", "calcMethod", "startPosition", "startStation", "startX",
                               "startY", "startAzimuth"})
            g->setValue(id, QString());
        return;
    }
    g->setValue("roadName", q(road->name.utf8()));
    g->setValue("prefix", q(road->stationPrefix.utf8()));
    g->setValue("curveForm", q(curveFormText(road->curveForm)));
    g->setValue("calcMethod", q(calcMethodText(road->calcMethod)));
    g->setValue("startPosition", QString::number(doc.startPosition));
    g->setValue("startStation", stationText(*road, doc.startPointStation));
    const bool byElements = road->curveForm == 1;
    g->setValue("startX", byElements ? fixed(doc.startX, 4) : QString());
    g->setValue("startY", byElements ? fixed(doc.startY, 4) : QString());
    g->setValue("startAzimuth", byElements ? dmsText(doc.startPointAzimuth) : QString());
    // X, Y and the azimuth start a road by elements; a road by intersection
    // points takes them from its points.
    for (const char* id : {"startX", "startY", "startAzimuth"}) g->setEditable(id, byElements);
}

void CWorkView::fillBridgeGrid() {
    const Road* road = controller_.doc().currentRoad();
    PropertyGrid* g = bridgeGrid_;
    const Bridge* b = road && road->currentBridge >= 0 && road->currentBridge < int(road->bridges.size())
                          ? &road->bridges[std::size_t(road->currentBridge)]
                          : nullptr;
    const Pier* p = b && road->currentPier >= 0 && road->currentPier < int(b->piers.size())
                        ? &b->piers[std::size_t(road->currentPier)]
                        : nullptr;
    g->setValue("name", b ? q(b->name.utf8()) : QString());
    g->setValue("calcType", b ? q(bridgeCalcTypeText(b->calcType)) : QString());
    g->setValue("startStation", b ? stationText(*road, b->startStation) : QString());
    g->setValue("length", b ? fixed(b->length, 3) : QString());
    g->setValue("leftWidth", b ? fixed(b->leftWidth, 3) : QString());
    g->setValue("rightWidth", b ? fixed(b->rightWidth, 3) : QString());
    g->setValue("axisOffset", b ? fixed(b->axisOffset, 3) : QString());
    for (const char* id : {"name", "calcType", "startStation", "length", "leftWidth", "rightWidth", "axisOffset"})
        g->setEditable(id, b != nullptr);
    g->setValue("pierName", p ? q(p->name.utf8()) : QString());
    g->setValue("pierStation", p ? stationText(*road, p->station) : QString());
    g->setValue("pierAngle", p ? dmsText(p->angle) : QString());
    for (const char* id : {"pierName", "pierStation", "pierAngle"}) g->setEditable(id, p != nullptr);
}

void CWorkView::fillTunnelGrid() {
    const Road* road = controller_.doc().currentRoad();
    PropertyGrid* g = tunnelGrid_;
    const Tunnel* t = road && road->currentTunnel >= 0 && road->currentTunnel < int(road->tunnels.size())
                          ? &road->tunnels[std::size_t(road->currentTunnel)]
                          : nullptr;
    const QStringList plates = road ? plateChoices(*road) : QStringList{};
    g->setChoices("plate", plates);
    g->setValue("name", t ? q(t->name.utf8()) : QString());
    g->setValue("startStation", t ? stationText(*road, t->startStation) : QString());
    g->setValue("length", t ? fixed(t->length, 3) : QString());
    g->setValue("plate", t ? plates.value(t->plateIndex) : QString());
    for (const char* id : {"name", "startStation", "length"}) g->setEditable(id, t != nullptr);
    g->setEditable("plate", t != nullptr && !plates.isEmpty());
}

void CWorkView::fillTemplateGrid() {
    const Road* road = controller_.doc().currentRoad();
    const int i = controller_.viewState().tunnelTemplate;
    PropertyGrid* g = templateGrid_;
    const TunnelTemplate* t =
        road && i >= 0 && i < int(road->tunnelTemplates.size()) ? &road->tunnelTemplates[std::size_t(i)] : nullptr;
    g->setValue("name", t ? q(t->name.utf8()) : QString());
    g->setValue("designOffset", t ? fixed(t->designOffset, 4) : QString());
    g->setValue("excavationCrown", t ? fixed(t->excavationCrown, 4) : QString());
    g->setValue("primaryCrown", t ? fixed(t->primaryCrown, 4) : QString());
    g->setValue("secondaryCrown", t ? fixed(t->secondaryCrown, 4) : QString());
    for (const char* id : {"name", "designOffset", "excavationCrown", "primaryCrown", "secondaryCrown"})
        g->setEditable(id, t != nullptr);
}

void CWorkView::onRoadProperty(const QString& id, const QString& text) {
    if (storeProjectSystemProperty(controller_, id, text)) {
        fillGrids();
        return;
    }
    CVornexPcDoc& doc = controller_.doc();
    const std::string s = text.toStdString();
    auto road = [&](const QString& label, const std::function<void()>& fn) {
        controller_.edit(label, EditScope::CurrentRoad, change::kRoads, doc.project().currentRoad, fn);
    };
    auto project = [&](const QString& label, const std::function<void()>& fn) {
        controller_.edit(label, EditScope::Project, change::kRoads, -1, fn);
    };
    if (id == "roadName") {
        project(QStringLiteral("线路名"), [&] { doc.renameRoad(s); });
    } else if (id == "prefix") {
        road(QStringLiteral("线路前缀"), [&] { doc.setStationPrefix(s); });
    } else if (id == "projectName") {
        project(QStringLiteral("项目名称"), [&] { doc.setProjectName(s); });
    } else if (id == "precision") {
        project(QStringLiteral("计算精度"), [&] { setPrecisionText(doc, s); });
    } else if (id == "curveForm") {
        road(QStringLiteral("曲线形式"), [&] { doc.setCurveForm(s); });
    } else if (id == "calcMethod") {
        road(QStringLiteral("计算方式"), [&] { doc.setCalcMethod(s); });
    } else {
        StartValue which = StartValue::Position;
        if (id == "startStation") which = StartValue::Station;
        else if (id == "startX") which = StartValue::X;
        else if (id == "startY") which = StartValue::Y;
        else if (id == "startAzimuth") which = StartValue::Azimuth;
        else if (id != "startPosition") return;
        road(QStringLiteral("起算数据"), [&] { doc.setStartValue(which, s); });
    }
    fillGrids();
}

void CWorkView::onBridgeProperty(const QString& id, const QString& text) {
    static const std::map<QString, BridgeField> kFields = {
        {"name", BridgeField::Name},           {"calcType", BridgeField::CalcType},
        {"startStation", BridgeField::StartStation}, {"length", BridgeField::Length},
        {"leftWidth", BridgeField::LeftWidth}, {"rightWidth", BridgeField::RightWidth},
        {"axisOffset", BridgeField::AxisOffset}, {"pierName", BridgeField::PierName},
        {"pierStation", BridgeField::PierStation}, {"pierAngle", BridgeField::PierAngle}};
    CVornexPcDoc& doc = controller_.doc();
    Road* road = doc.currentRoad();
    const auto field = kFields.find(id);
    if (!road || road->currentBridge < 0 || road->currentBridge >= int(road->bridges.size()) ||
        field == kFields.end())
        return;
    const int bi = road->currentBridge, pi = road->currentPier;
    const int kind = id.startsWith("pier") ? int(RecordKind::Pier) : int(RecordKind::Bridge);
    controller_.edit(QStringLiteral("桥梁属性"), EditScope::CurrentRoad, kind, bi, [&] {
        setBridgeField(*doc.currentRoad(), bi, pi, field->second, text.toStdString(), controller_.prompter());
    });
    fillGrids();
}

void CWorkView::onTunnelProperty(const QString& id, const QString& text) {
    static const std::map<QString, TunnelField> kFields = {
        {"name", TunnelField::Name}, {"startStation", TunnelField::StartStation}, {"length", TunnelField::Length}};
    CVornexPcDoc& doc = controller_.doc();
    Road* road = doc.currentRoad();
    if (!road || road->currentTunnel < 0 || road->currentTunnel >= int(road->tunnels.size())) return;
    const int ti = road->currentTunnel;
    const auto field = kFields.find(id);
    // The plate is chosen from the road's plate list: its index is what is stored.
    const int plate = id == "plate" ? int(plateChoices(*road).indexOf(text)) : -1;
    if (field == kFields.end() && plate < 0) return;
    controller_.edit(QStringLiteral("隧道属性"), EditScope::CurrentRoad, int(RecordKind::Tunnel), ti, [&] {
        Road& r = *doc.currentRoad();
        if (field != kFields.end()) setTunnelField(r, ti, field->second, text.toStdString(), controller_.prompter());
        else setTunnelPlate(r, ti, plate);
    });
    fillGrids();
}

void CWorkView::onTemplateProperty(const QString& id, const QString& text) {
    static const std::map<QString, TunnelTemplateField> kFields = {
        {"name", TunnelTemplateField::Name},
        {"designOffset", TunnelTemplateField::DesignOffset},
        {"excavationCrown", TunnelTemplateField::ExcavationCrown},
        {"primaryCrown", TunnelTemplateField::PrimaryCrown},
        {"secondaryCrown", TunnelTemplateField::SecondaryCrown}};
    CVornexPcDoc& doc = controller_.doc();
    Road* road = doc.currentRoad();
    const int ti = controller_.viewState().tunnelTemplate;
    const auto field = kFields.find(id);
    if (!road || ti < 0 || ti >= int(road->tunnelTemplates.size()) || field == kFields.end()) return;
    controller_.edit(QStringLiteral("隧道断面模板属性"), EditScope::CurrentRoad, int(RecordKind::TunnelTemplate), ti, [&] {
        setTunnelTemplateField(*doc.currentRoad(), ti, field->second, text.toStdString(), controller_.prompter());
    });
    fillGrids();
}

}  // namespace vornex::app
